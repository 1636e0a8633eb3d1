//
// PacketEncoder.h
//
// Definition of the PacketEncoder class: packets as the data of a receive
// answer.
//

#ifndef PicoGwEmu_PacketEncoder_INCLUDED
#define PicoGwEmu_PacketEncoder_INCLUDED

#include "tools/picogw-emu/Packet.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace PicoGwEmu
{

class PacketEncoder
/// Lays packets out as the MCU hands them to the host: 44 bytes of metadata at
/// the offsets of the host's received-packet record, little-endian, followed by
/// size payload bytes.
{
public:
    static std::size_t recordSize(const Packet& packet);
    /// Returns the bytes the packet takes in a receive answer.

    static void appendRecord(const Packet& packet, std::uint32_t countUs, std::vector<std::uint8_t>& data);
    /// Appends the packet's record to data, with countUs as its time stamp.

    static std::vector<std::uint8_t> encodeReceive(std::deque<Packet>& queue, unsigned maxPackets,
                                                   std::uint32_t now);
    /// Returns the data of a receive answer: the number of packets, then their
    /// records. Takes packets from the front of the queue, at most maxPackets
    /// and PKT_FIFO_SIZE, and only as many as the host's answer buffer holds
    /// (padding byte included); the rest stays queued. Packets without a time
    /// stamp get now.
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_PacketEncoder_INCLUDED
