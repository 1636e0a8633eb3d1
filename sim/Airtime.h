//
// Airtime.h
//
// Definition of the Airtime class: how long a packet occupies its channel.
//

#ifndef Sim_Airtime_INCLUDED
#define Sim_Airtime_INCLUDED

#include "hal/HalApi.h"

#include <cstdint>

namespace LoRaSim
{

class Airtime
/// The time on air of an uplink, from its modulation, bandwidth, datarate,
/// coding rate and size: LoRa with an 8-symbol preamble, explicit header and
/// payload CRC (low datarate optimisation at SF11 and SF12 on 125 kHz), FSK
/// with 5 preamble bytes, a 3-byte sync word, a length byte and a 2-byte CRC.
{
public:
    static std::uint64_t micros(const lgw_pkt_rx_s& packet);
    /// Returns the packet's time on air in microseconds; 0 when its
    /// modulation, bandwidth or datarate does not describe a receivable
    /// packet.
};

} // namespace LoRaSim

#endif // Sim_Airtime_INCLUDED
