//
// ConfigPlan.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  ConfigPlan
//
// Definition of the ConfigPlan struct: the settings the concentrator would
// hold after every configuration file.
//

#ifndef LoRaWANServer_ConfigPlan_INCLUDED
#define LoRaWANServer_ConfigPlan_INCLUDED

#include "hal/HalApi.h"

#include <Poco/Types.h>

#include <optional>
#include <string>

namespace LoRaWANServer
{

struct ConfigPlan
/// What the concentrator would hold once every configuration file has been
/// handed over: for each item the last record it took, as it completed it,
/// and the file that set it. An item no file set keeps the concentrator's
/// own default (everything off).
{
    template <typename Record>
    struct Item
    {
        bool set = false;
        std::string file;
        Record record{};
    };

    struct Gateway
    {
        bool set = false;
        std::string file;
        Poco::UInt64 id = 0;
        std::string text;
        /// The identifier as the file writes it.

        std::string idText() const;
        /// Returns the identifier as the service logs it: 16 upper-case
        /// hexadecimal digits.
    };

    Item<lgw_conf_board_s> board;
    Gateway gateway;
    Item<lgw_conf_rxrf_s> radios[LGW_RF_CHAIN_NB];
    Item<lgw_conf_rxif_s> channels[LGW_IF_CHAIN_NB];

    bool channelEnabled(int chain) const;
    /// Returns true when IF chain is set and enabled.

    bool radioEnabled(int chain) const;
    /// Returns true when radio chain (any number) exists, is set and enabled.

    std::optional<long long> channelCentreHz(int chain) const;
    /// Returns the absolute centre frequency of IF chain: its radio's centre
    /// plus its IF offset; nothing when the channel or its radio is not
    /// enabled.

    double channelBandwidthHz(int chain) const;
    /// Returns the bandwidth of IF chain in Hz, 0 when it has none.

    static std::string megahertz(double hertz);
    /// Returns hertz in MHz as people write it: "868.1 MHz", "865.0625 MHz",
    /// "868 MHz".
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_ConfigPlan_INCLUDED
