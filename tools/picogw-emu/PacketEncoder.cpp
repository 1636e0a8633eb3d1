//
// PacketEncoder.cpp
//
// Implementation of the PacketEncoder class.
//

#include "tools/picogw-emu/PacketEncoder.h"

#include "tools/picogw-emu/Answer.h"
#include "tools/picogw-emu/Constants.h"

#include <algorithm>
#include <cstring>

namespace PicoGwEmu
{

namespace
{

template <typename T>
void putLittleEndian(std::uint8_t* at, T value)
{
    for (std::size_t i = 0; i < sizeof(T); ++i)
        at[i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
}

void putFloat(std::uint8_t* at, float value)
{
    std::uint32_t bits = 0;
    static_assert(sizeof(bits) == sizeof(value), "IEEE single precision expected");
    std::memcpy(&bits, &value, sizeof(bits));
    putLittleEndian(at, bits);
}

} // namespace

std::size_t PacketEncoder::recordSize(const Packet& packet)
{
    return PACKET_METADATA_SIZE + packet.size;
}

void PacketEncoder::appendRecord(const Packet& packet, std::uint32_t countUs, std::vector<std::uint8_t>& data)
{
    const std::size_t start = data.size();
    data.resize(start + recordSize(packet), 0);
    std::uint8_t* record = data.data() + start;

    putLittleEndian(record + PacketOffset::FREQ_HZ, packet.freqHz);
    record[PacketOffset::IF_CHAIN] = packet.ifChain;
    record[PacketOffset::STATUS] = packet.status;
    putLittleEndian(record + PacketOffset::COUNT_US, countUs);
    record[PacketOffset::RF_CHAIN] = packet.rfChain;
    record[PacketOffset::MODULATION] = packet.modulation;
    record[PacketOffset::BANDWIDTH] = packet.bandwidth;
    putLittleEndian(record + PacketOffset::DATARATE, packet.datarate);
    record[PacketOffset::CODERATE] = packet.coderate;
    putFloat(record + PacketOffset::RSSI, packet.rssi);
    putFloat(record + PacketOffset::SNR, packet.snr);
    putFloat(record + PacketOffset::SNR_MIN, packet.snrMin);
    putFloat(record + PacketOffset::SNR_MAX, packet.snrMax);
    putLittleEndian(record + PacketOffset::CRC, packet.crc);
    putLittleEndian(record + PacketOffset::SIZE, packet.size);

    const std::size_t sent = std::min<std::size_t>(packet.size, packet.payload.size());
    std::copy_n(packet.payload.begin(), sent, record + PACKET_METADATA_SIZE);
}

std::vector<std::uint8_t> PacketEncoder::encodeReceive(std::deque<Packet>& queue, unsigned maxPackets,
                                                       std::uint32_t now)
{
    const unsigned limit = std::min(maxPackets, PKT_FIFO_SIZE);
    std::vector<std::uint8_t> data(1, 0);
    unsigned count = 0;
    while (count < limit && !queue.empty())
    {
        const Packet& packet = queue.front();
        if (Answer::wireDataSize(data.size() + recordSize(packet)) > MAX_ANSWER_DATA)
            break;
        appendRecord(packet, packet.countUs.value_or(now), data);
        queue.pop_front();
        ++count;
    }
    data[0] = static_cast<std::uint8_t>(count);
    return data;
}

} // namespace PicoGwEmu
