//
// UplinkFactory.h
//
// Definition of the UplinkFactory class: the content of generated uplinks.
//

#ifndef Sim_UplinkFactory_INCLUDED
#define Sim_UplinkFactory_INCLUDED

#include "hal/HalApi.h"
#include "sim/GeneratorSettings.h"
#include "sim/Random.h"
#include "sim/ReceiveChannel.h"

#include <cstdint>
#include <vector>

namespace LoRaSim
{

class UplinkFactory
/// Makes uplinks as a gateway receives them from a few dozen end devices.
/// Each device has a DevAddr, a frame counter, a payload size, a distance
/// (its mean signal level) and either uses adaptive data rate (the fastest
/// spreading factor its link allows) or a fixed spreading factor. A packet
/// carries a LoRaWAN data frame (MHDR, DevAddr, FCtrl, FCnt, FPort,
/// FRMPayload, MIC), 12 to 64 bytes, on a channel of the configuration, with
/// an RSSI and SNR that follow from the device's signal, the channel's noise
/// floor and fading as a receiver measures them: the RSSI is the power of
/// signal plus noise, the SNR their ratio, which the modem's estimate caps
/// near +10 dB; both quantised as the concentrator reports them.
{
public:
    UplinkFactory(std::uint64_t seed, const GeneratorSettings& settings);
    /// Creates the devices; equal seeds give equal devices and packets. Of
    /// the settings, the share of packets with status STAT_CRC_BAD and the
    /// noise floors of the channels count.

    lgw_pkt_rx_s make(const std::vector<ReceiveChannel>& channels);
    /// Returns the next uplink, on one of the channels (which must not be
    /// empty). count_us is 0 and the payload bytes beyond size are 0.

private:
    struct Device
    {
        std::uint32_t devAddr;
        std::uint16_t frameCounter;
        std::uint8_t port;
        unsigned frameSize;
        bool confirmed;
        bool adaptiveDatarate;
        unsigned fixedSpreadingFactor;
        double meanSignalDbm;
    };

    Device makeDevice();
    bool isKnownAddress(std::uint32_t devAddr) const;
    const ReceiveChannel& pickChannel(const std::vector<ReceiveChannel>& channels);
    unsigned pickSpreadingFactor(const Device& device, const ReceiveChannel& channel, double noiseDbm) const;
    void setLoRaQuality(lgw_pkt_rx_s& packet, double signalDbm, double noiseDbm);
    void setRssi(lgw_pkt_rx_s& packet, double signalDbm, double noiseDbm, float rssiOffset);
    unsigned frameSize(const Device& device);
    void writeFrame(lgw_pkt_rx_s& packet, Device& device);
    void setCrc(lgw_pkt_rx_s& packet);

    double noiseDbm(const ReceiveChannel& channel) const;

    Random _random;
    GeneratorSettings _settings;
    std::vector<Device> _devices;
};

} // namespace LoRaSim

#endif // Sim_UplinkFactory_INCLUDED
