//
// UplinkFactory.cpp
//
// Implementation of the UplinkFactory class.
//

#include "sim/UplinkFactory.h"

#include "hal/RadioCodes.h"
#include "sim/SimConstants.h"

#include <algorithm>
#include <cmath>

namespace LoRaSim
{

namespace
{

// LoRaWAN frame layout (uplink data frames).
const std::uint8_t MHDR_UNCONFIRMED_UP = 0x40;
const std::uint8_t MHDR_CONFIRMED_UP = 0x80;
const std::uint8_t FCTRL_ADR = 0x80;
const unsigned FHDR_END = 8; // MHDR 1, DevAddr 4, FCtrl 1, FCnt 2
const unsigned MIC_SIZE = 4;
const unsigned PORT_SIZE = 1;
const unsigned BYTE_BITS = 8;
const unsigned MAX_APPLICATION_PORT = 223;
const unsigned COMMON_PORTS = 10; // most devices use one of the first ports
const double COMMON_PORT_SHARE = 0.9;
const std::uint32_t NETWORK_PREFIX = 0x26000000; // DevAddrs of one network share their top byte
const std::uint32_t DEVICE_ADDRESS_BITS = 0x00FFFFFF;
const unsigned INITIAL_FRAME_COUNTER_SPAN = 1000;

// The population of devices.
const double CONFIRMED_SHARE = 0.1;
const double ADAPTIVE_DATARATE_SHARE = 0.7;
const double NEARBY_SHARE = 0.15;
const double FAR_SIGNAL_DBM = -128.0;
const double MEDIUM_SIGNAL_DBM = -80.0;
const double NEAR_SIGNAL_DBM = -35.0;
const double MAC_ONLY_SHARE = 0.1; // frames without port and payload (MAC commands answered, ADR acks)
// Spreading factors of devices without ADR, SF7 first: most use the fastest.
const double FIXED_SF_WEIGHTS[] = {0.5, 0.1, 0.1, 0.1, 0.1, 0.1};

// Channels: most traffic is on the multi-SF channels.
const double MULTI_SF_WEIGHT = 1.0;
const double LORA_STANDARD_WEIGHT = 0.5;
const double FSK_WEIGHT = 0.2;

// Radio: slow fading, the demodulation floor of each spreading factor and the
// SNR at which the concentrator's estimate saturates.
const double FADING_DB = 4.0;
const double SF7_FLOOR_DB = -7.5;
const double FLOOR_STEP_DB = 2.5;
const double BELOW_FLOOR_DB = 2.5; // weaker packets would not be received at all
const double ADR_MARGIN_DB = 10.0;
const double SNR_CEILING_DB = 10.0;
const double SNR_CEILING_SPREAD_DB = 0.75;
const double SNR_SPREAD_DB = 1.5;
const double SNR_STEP_DB = 0.25; // the modem reports SNR in quarter dB
const double DECIBEL_SCALE = 10.0;

// CRC-16/CCITT over the payload.
const std::uint16_t CRC_POLYNOMIAL = 0x1021;
const std::uint16_t CRC_INITIAL = 0xFFFF;
const std::uint16_t CRC_TOP_BIT = 0x8000;
constexpr unsigned CRC_TABLE_SIZE = 256;
constexpr unsigned BYTE_MASK = 0xFF;

double floorDb(unsigned spreadingFactor)
{
    return SF7_FLOOR_DB - FLOOR_STEP_DB * (spreadingFactor - LoRaHal::RadioCodes::MIN_SPREADING_FACTOR);
}

double quantise(double value, double step)
{
    return std::round(value / step) * step;
}

double decibelSum(double firstDbm, double secondDbm)
{
    return DECIBEL_SCALE * std::log10(std::pow(DECIBEL_SCALE, firstDbm / DECIBEL_SCALE) +
                                      std::pow(DECIBEL_SCALE, secondDbm / DECIBEL_SCALE));
}

void putLittleEndian(std::uint8_t* pOut, std::uint32_t value, unsigned bytes)
{
    for (unsigned i = 0; i < bytes; ++i)
        pOut[i] = static_cast<std::uint8_t>(value >> (BYTE_BITS * i));
}

// One entry per byte value: the register's change for that byte, so that a
// byte costs a look-up instead of eight shifts.
struct CrcTable
{
    constexpr CrcTable() : entries()
    {
        for (unsigned byte = 0; byte < CRC_TABLE_SIZE; ++byte)
        {
            std::uint16_t crc = static_cast<std::uint16_t>(byte << BYTE_BITS);
            for (unsigned bit = 0; bit < BYTE_BITS; ++bit)
                crc = (crc & CRC_TOP_BIT) ? static_cast<std::uint16_t>((crc << 1) ^ CRC_POLYNOMIAL)
                                          : static_cast<std::uint16_t>(crc << 1);
            entries[byte] = crc;
        }
    }
    std::uint16_t entries[CRC_TABLE_SIZE];
};
constexpr CrcTable CRC_TABLE;

std::uint16_t crc16(const std::uint8_t* pData, unsigned size)
{
    std::uint16_t crc = CRC_INITIAL;
    for (unsigned i = 0; i < size; ++i)
        crc = static_cast<std::uint16_t>((crc << BYTE_BITS) ^
                                         CRC_TABLE.entries[((crc >> BYTE_BITS) ^ pData[i]) & BYTE_MASK]);
    return crc;
}

} // namespace

UplinkFactory::UplinkFactory(std::uint64_t seed, const GeneratorSettings& settings)
    : _random(seed), _settings(settings)
{
    while (_devices.size() < DEVICE_COUNT)
        _devices.push_back(makeDevice());
}

lgw_pkt_rx_s UplinkFactory::make(const std::vector<ReceiveChannel>& channels)
{
    const ReceiveChannel& channel = pickChannel(channels);
    Device& device = _devices[_random.below(static_cast<unsigned>(_devices.size()))];
    lgw_pkt_rx_s packet{};
    packet.freq_hz = channel.freqHz;
    packet.if_chain = channel.ifChain;
    packet.rf_chain = channel.rfChain;
    packet.modulation = channel.modulation;
    packet.bandwidth = channel.bandwidth;

    const double noiseDbm = this->noiseDbm(channel);
    double signalDbm = device.meanSignalDbm + _random.normal(0.0, FADING_DB);
    if (channel.modulation == MOD_LORA)
    {
        const unsigned sf = pickSpreadingFactor(device, channel, noiseDbm);
        packet.datarate = LoRaHal::RadioCodes::datarateCode(sf);
        packet.coderate = CR_LORA_4_5;
        const double weakestDbm = noiseDbm + floorDb(sf) - BELOW_FLOOR_DB;
        if (signalDbm < weakestDbm)
            signalDbm = weakestDbm + _random.uniform(0.0, BELOW_FLOOR_DB);
        setLoRaQuality(packet, signalDbm, noiseDbm);
    }
    else
    {
        packet.datarate = channel.datarate;
        packet.coderate = CR_UNDEFINED;
    }
    setRssi(packet, signalDbm, noiseDbm, channel.rssiOffset);
    writeFrame(packet, device);
    setCrc(packet);
    return packet;
}

double UplinkFactory::noiseDbm(const ReceiveChannel& channel) const
{
    return _settings.noiseOf(channel.ifChain) +
           DECIBEL_SCALE *
               std::log10(LoRaHal::RadioCodes::bandwidthHz(channel.bandwidth) / NOISE_REFERENCE_BANDWIDTH_HZ);
}

UplinkFactory::Device UplinkFactory::makeDevice()
{
    Device device{};
    do
        device.devAddr = NETWORK_PREFIX | (static_cast<std::uint32_t>(_random.next()) & DEVICE_ADDRESS_BITS);
    while (isKnownAddress(device.devAddr));
    device.frameCounter = static_cast<std::uint16_t>(_random.below(INITIAL_FRAME_COUNTER_SPAN));
    device.port = static_cast<std::uint8_t>(1 + (_random.chance(COMMON_PORT_SHARE)
                                                     ? _random.below(COMMON_PORTS)
                                                     : _random.below(MAX_APPLICATION_PORT)));
    device.frameSize = MIN_FRAME_SIZE + PORT_SIZE + _random.below(MAX_FRAME_SIZE - MIN_FRAME_SIZE);
    device.confirmed = _random.chance(CONFIRMED_SHARE);
    device.adaptiveDatarate = _random.chance(ADAPTIVE_DATARATE_SHARE);
    double pick = _random.uniform();
    device.fixedSpreadingFactor = LoRaHal::RadioCodes::MAX_SPREADING_FACTOR;
    for (unsigned i = 0; i < sizeof FIXED_SF_WEIGHTS / sizeof FIXED_SF_WEIGHTS[0]; ++i)
    {
        pick -= FIXED_SF_WEIGHTS[i];
        if (pick < 0.0)
        {
            device.fixedSpreadingFactor = LoRaHal::RadioCodes::MIN_SPREADING_FACTOR + i;
            break;
        }
    }
    device.meanSignalDbm = _random.chance(NEARBY_SHARE) ? _random.uniform(MEDIUM_SIGNAL_DBM, NEAR_SIGNAL_DBM)
                                                        : _random.uniform(FAR_SIGNAL_DBM, MEDIUM_SIGNAL_DBM);
    return device;
}

bool UplinkFactory::isKnownAddress(std::uint32_t devAddr) const
{
    return std::any_of(_devices.begin(), _devices.end(),
                       [devAddr](const Device& device) { return device.devAddr == devAddr; });
}

const ReceiveChannel& UplinkFactory::pickChannel(const std::vector<ReceiveChannel>& channels)
{
    auto weight = [](const ReceiveChannel& channel)
    {
        if (channel.modulation == MOD_FSK)
            return FSK_WEIGHT;
        return channel.ifChain < LGW_MULTI_NB ? MULTI_SF_WEIGHT : LORA_STANDARD_WEIGHT;
    };
    double total = 0.0;
    for (const ReceiveChannel& channel : channels)
        total += weight(channel);
    double pick = _random.uniform(0.0, total);
    for (const ReceiveChannel& channel : channels)
    {
        pick -= weight(channel);
        if (pick < 0.0)
            return channel;
    }
    return channels.back();
}

unsigned UplinkFactory::pickSpreadingFactor(const Device& device, const ReceiveChannel& channel,
                                            double noiseDbm) const
{
    // The channel's spreading factors, fastest first; the slowest is the
    // fallback of both kinds of device.
    unsigned slowest = 0;
    const double meanSnr = device.meanSignalDbm - noiseDbm;
    for (unsigned sf = LoRaHal::RadioCodes::MIN_SPREADING_FACTOR;
         sf <= LoRaHal::RadioCodes::MAX_SPREADING_FACTOR; ++sf)
    {
        if (!(channel.datarate & LoRaHal::RadioCodes::datarateCode(sf)))
            continue;
        // ADR settles on the fastest rate whose floor the average link clears by the margin.
        if (device.adaptiveDatarate ? floorDb(sf) + ADR_MARGIN_DB <= meanSnr
                                    : sf >= device.fixedSpreadingFactor)
            return sf;
        slowest = sf;
    }
    return slowest != 0 ? slowest : LoRaHal::RadioCodes::MIN_SPREADING_FACTOR;
}

void UplinkFactory::setLoRaQuality(lgw_pkt_rx_s& packet, double signalDbm, double noiseDbm)
{
    const double ceiling = _random.normal(SNR_CEILING_DB, SNR_CEILING_SPREAD_DB);
    const double snr = quantise(std::min(signalDbm - noiseDbm, ceiling), SNR_STEP_DB);
    packet.snr = static_cast<float>(snr);
    packet.snr_min =
        static_cast<float>(snr - quantise(std::fabs(_random.normal(0.0, SNR_SPREAD_DB)), SNR_STEP_DB));
    packet.snr_max =
        static_cast<float>(snr + quantise(std::fabs(_random.normal(0.0, SNR_SPREAD_DB)), SNR_STEP_DB));
}

void UplinkFactory::setRssi(lgw_pkt_rx_s& packet, double signalDbm, double noiseDbm, float rssiOffset)
{
    // The concentrator reports a whole-dB reading plus the board's RSSI offset.
    const double offset = std::isfinite(rssiOffset) ? rssiOffset : 0.0;
    const double channelPower = decibelSum(signalDbm, noiseDbm);
    packet.rssi = static_cast<float>(offset + std::round(channelPower - offset));
}

unsigned UplinkFactory::frameSize(const Device& device)
{
    if (_settings.payloadBytes)
        return *_settings.payloadBytes;
    return _random.chance(MAC_ONLY_SHARE) ? MIN_FRAME_SIZE : device.frameSize;
}

void UplinkFactory::writeFrame(lgw_pkt_rx_s& packet, Device& device)
{
    const unsigned size = frameSize(device);
    std::uint8_t* pFrame = packet.payload;
    pFrame[0] = device.confirmed ? MHDR_CONFIRMED_UP : MHDR_UNCONFIRMED_UP;
    putLittleEndian(pFrame + 1, device.devAddr, sizeof device.devAddr);
    pFrame[1 + sizeof device.devAddr] = device.adaptiveDatarate ? FCTRL_ADR : 0;
    putLittleEndian(pFrame + FHDR_END - sizeof device.frameCounter, device.frameCounter,
                    sizeof device.frameCounter);
    ++device.frameCounter;
    unsigned position = FHDR_END;
    if (size > MIN_FRAME_SIZE)
        pFrame[position++] = device.port;
    // FRMPayload is encrypted and the MIC a keyed hash: both look random.
    for (; position < size; ++position)
        pFrame[position] = static_cast<std::uint8_t>(_random.next());
    packet.size = static_cast<std::uint16_t>(size);
    static_assert(MIN_FRAME_SIZE == FHDR_END + MIC_SIZE, "the smallest frame is the header and the MIC");
}

void UplinkFactory::setCrc(lgw_pkt_rx_s& packet)
{
    packet.crc = crc16(packet.payload, packet.size);
    packet.status = STAT_CRC_OK;
    if (_random.chance(_settings.crcErrorRatio))
    {
        // The payload arrived damaged: it no longer matches the CRC it came with.
        packet.status = STAT_CRC_BAD;
        const unsigned damaged = _random.below(packet.size);
        packet.payload[damaged] ^= static_cast<std::uint8_t>(1 + _random.below(UINT8_MAX));
    }
}

} // namespace LoRaSim
