//
// ChannelStatistics.h
//
// Library: LoRaWANServer_Worker
// Package: Statistics
// Module:  ChannelStatistics
//
// Definition of the ChannelStatistics class: what each channel of the
// concentrator hears, and how well.
//

#ifndef LoRaWANServer_ChannelStatistics_INCLUDED
#define LoRaWANServer_ChannelStatistics_INCLUDED

#include "hal/HalApi.h"
#include "hal/TimeOnAir.h"
#include "worker/statistics/LevelHistogram.h"
#include "worker/statistics/NoiseWindow.h"
#include "worker/statistics/SingleWriterValue.h"

#include <Poco/Types.h>

#include <array>
#include <optional>

namespace LoRaWANServer
{

class ChannelStatistics
/// The radio at a glance, by IF chain (0 to 9) and, for LoRa, by spreading
/// factor: packets by CRC status, the RSSI and SNR of the CRC-valid ones as
/// histograms, the time the packets took on the air, and each chain's noise
/// estimate (LoRaHal::NoiseFloor). The channel plan, the chains the
/// concentrator accepted with their frequencies, names the chains.
///
/// The worker's thread is the one writer, as of WorkerCounters: counting a
/// packet is a few plain loads and stores, without lock or allocation. Any
/// other thread may read what is counted at any time.
{
public:
    static constexpr unsigned CHAINS = LGW_IF_CHAIN_NB;
    static constexpr unsigned LORA_RATES = 6;
    /// SF7 to SF12.
    static constexpr unsigned RATES = LORA_RATES + 1;
    /// The LoRa spreading factors, then FSK.
    static constexpr unsigned FSK_RATE = LORA_RATES;

    enum Crc
    {
        CRC_OK,
        CRC_BAD,
        CRC_NONE,
        /// No CRC, or a status the HAL left undefined.
        CRC_KINDS
    };

    struct RssiBounds
    /// -140 to -20 dBm in steps of 10 dB.
    {
        static constexpr double LOWEST = -140.0;
        static constexpr double WIDTH = 10.0;
        static constexpr unsigned COUNT = 13;
    };

    struct SnrBounds
    /// -25 to +15 dB in steps of 2.5 dB.
    {
        static constexpr double LOWEST = -25.0;
        static constexpr double WIDTH = 2.5;
        static constexpr unsigned COUNT = 17;
    };

    using RssiHistogram = LevelHistogram<RssiBounds>;
    using SnrHistogram = LevelHistogram<SnrBounds>;

    struct Chain
    /// How a chain is named: from the channel plan when it is enabled there,
    /// from its last packet otherwise.
    {
        bool enabled = false;
        /// The chain and its radio were both enabled when handed over.
        std::uint32_t freqHz = 0;
        /// The radio's centre frequency plus the chain's IF offset.
        std::uint8_t bandwidth = BW_UNDEFINED;
        /// A BW_* code.
        std::uint32_t datarate = DR_UNDEFINED;
        /// The DR_LORA_* set of its spreading factors, or its FSK bit rate.
    };

    struct Rate
    /// What one chain received at one rate, at one moment.
    {
        std::array<Poco::UInt64, CRC_KINDS> packets{};
        RssiHistogram::Values rssi;
        SnrHistogram::Values snr;
        Poco::UInt64 airtimeNs = 0;

        Poco::UInt64 received() const { return packets[CRC_OK] + packets[CRC_BAD] + packets[CRC_NONE]; }
    };

    ChannelStatistics();
    /// Creates the accounting with nothing counted and no chain enabled.

    void acceptRadio(unsigned rfChain, const lgw_conf_rxrf_s& radio);
    void acceptChannel(unsigned ifChain, const lgw_conf_rxif_s& channel);
    /// Take a radio's or an IF chain's settings that the HAL has accepted
    /// into the channel plan. Called by the worker's thread before the
    /// concentrator starts and before any other thread reads the plan.

    void count(const lgw_pkt_rx_s* packets, int count);
    /// Counts the first count packets. A packet the HAL could not have
    /// reported (a chain above 9, a modulation or LoRa datarate it does not
    /// use) is left out. Called by the worker's thread only.

    Chain chain(unsigned ifChain) const;
    /// Returns how chain ifChain (0 to 9) is named.

    bool isPlanned(unsigned ifChain, unsigned rate) const;
    /// Returns true when the chain is enabled in the plan and receives at
    /// rate (a spreading factor of its datarate set, or FSK on the FSK chain).

    Rate rate(unsigned ifChain, unsigned rate) const;
    /// Returns what chain ifChain has received at rate so far.

    std::optional<double> noiseEstimateDbm(unsigned ifChain) const;
    /// Returns the chain's noise estimate in dBm, nothing before its first
    /// sample.

    static unsigned spreadingFactor(unsigned rate);
    /// Returns the spreading factor of a LoRa rate (7 to 12).

private:
    struct RateCells
    /// What every packet adds to comes first, the buckets after the sums:
    /// a packet touches few cache lines.
    {
        std::array<SingleWriterValue<Poco::UInt64>, CRC_KINDS> packets;
        SingleWriterValue<Poco::UInt64> airtimeNs;
        RssiHistogram rssi;
        SnrHistogram snr;
    };

    struct ChainCells
    {
        std::array<RateCells, RATES> rates;
        NoiseWindow noise;
        std::atomic<std::uint32_t> seenFreqHz{0};
        std::atomic<std::uint8_t> seenBandwidth{BW_UNDEFINED};
        std::atomic<std::uint32_t> seenFskDatarate{DR_UNDEFINED};
    };

    static constexpr unsigned BANDWIDTH_CODES = BW_7K8HZ + 1;

    ChannelStatistics(const ChannelStatistics&) = delete;
    ChannelStatistics& operator=(const ChannelStatistics&) = delete;

    void updatePlanned();
    void countPacket(const lgw_pkt_rx_s& packet);

    std::array<lgw_conf_rxrf_s, LGW_RF_CHAIN_NB> _radios;
    std::array<lgw_conf_rxif_s, CHAINS> _channels;
    /// The settings the HAL accepted, with the defaults it fills in.
    std::array<bool, CHAINS> _planned{};
    /// The chain and its radio are enabled.
    std::array<ChainCells, CHAINS> _chains;
    std::array<std::array<LoRaHal::TimeOnAir::LoRaRate, LORA_RATES>, BANDWIDTH_CODES> _loraRates;
    /// By BW_* code and LoRa rate, kept so that a packet costs no division.
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_ChannelStatistics_INCLUDED
