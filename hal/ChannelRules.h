//
// ChannelRules.h
//
// Library: LoRaWANServer_Hal
// Package: Hal
// Module:  ChannelRules
//
// Definition of the ChannelRules class: what the concentrator accepts as a
// radio or demodulator channel configuration, and the defaults it fills in.
//

#ifndef LoRaWANServer_ChannelRules_INCLUDED
#define LoRaWANServer_ChannelRules_INCLUDED

#include "hal/HalApi.h"

#include <string>

namespace LoRaHal
{

class ChannelRules
/// The HAL's acceptance rules for lgw_rxrf_setconf and lgw_rxif_setconf.
/// Each check returns an empty text for an accepted configuration, or the
/// reason for refusing it.
{
public:
    static std::string checkRadio(unsigned rfChain, const lgw_conf_rxrf_s& conf);
    /// Checks a radio configuration: the chain must exist, and the radio type
    /// must be SX1255 or SX1257, also when the radio is disabled.

    static std::string completeChannel(unsigned ifChain, lgw_conf_rxif_s& conf);
    /// Checks a demodulator channel configuration and, when it is accepted,
    /// fills in the defaults of its chain (undefined bandwidth and datarate).
    /// A disabled channel is accepted as it is. An enabled one must name an
    /// existing radio and lie, with its whole bandwidth, inside the radio's
    /// receive band, and its bandwidth and datarate must suit its chain:
    /// multi-SF chains 125 kHz with LoRa spreading factors, the LoRa standard
    /// chain 125, 250 or 500 kHz with one spreading factor, the FSK chain any
    /// bandwidth code with 500 to 250000 bit/s. conf is changed only when the
    /// channel is accepted.

    static double maxIfOffsetHz(std::uint8_t bandwidthCode);
    /// Returns the largest IF offset, in Hz either way from the radio's
    /// centre, at which a channel of bandwidthCode still lies with its whole
    /// bandwidth inside the radio's receive band (an undefined bandwidth
    /// counts as 125 kHz); 0 for a value that is no bandwidth code.

private:
    static std::string checkBand(const lgw_conf_rxif_s& conf);
    static std::string completeMultiSf(lgw_conf_rxif_s& conf);
    static std::string completeLoRaStandard(lgw_conf_rxif_s& conf);
    static std::string completeFsk(lgw_conf_rxif_s& conf);
};

} // namespace LoRaHal

#endif // LoRaWANServer_ChannelRules_INCLUDED
