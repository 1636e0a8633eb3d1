//
// Packet.h
//
// Definition of the Packet struct: one received radio packet waiting to be
// handed to the host.
//

#ifndef PicoGwEmu_Packet_INCLUDED
#define PicoGwEmu_Packet_INCLUDED

#include <cstdint>
#include <optional>
#include <vector>

namespace PicoGwEmu
{

struct Packet
/// The fields of the host's received-packet record, as injected. A packet
/// without countUs is stamped with the concentrator counter when it is handed
/// over. size is what the host is told; payload bytes beyond it are not sent,
/// missing ones are sent as zeros.
{
    std::uint32_t freqHz = 0;
    std::uint8_t ifChain = 0;
    std::uint8_t status = 0;
    std::optional<std::uint32_t> countUs;
    std::uint8_t rfChain = 0;
    std::uint8_t modulation = 0;
    std::uint8_t bandwidth = 0;
    std::uint32_t datarate = 0;
    std::uint8_t coderate = 0;
    float rssi = 0;
    float snr = 0;
    float snrMin = 0;
    float snrMax = 0;
    std::uint16_t crc = 0;
    std::uint16_t size = 0;
    std::vector<std::uint8_t> payload;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_Packet_INCLUDED
