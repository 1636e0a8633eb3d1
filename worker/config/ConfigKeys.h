//
// ConfigKeys.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  ConfigKeys
//
// Definition of the ConfigKeys class: the names of the members the
// configuration parsers read.
//

#ifndef LoRaWANServer_ConfigKeys_INCLUDED
#define LoRaWANServer_ConfigKeys_INCLUDED

#include "worker/config/ConfigDocument.h"

#include <string>
#include <vector>

namespace LoRaWANServer
{

class ConfigKeys
/// The member names of a configuration file that the service reads, and the
/// JSON type it reads each of them as. The parsers read by these names and
/// the configuration check compares a file's members with them, so that the
/// two never disagree on what a file sets.
{
public:
    static const char* const SX1301_SECTION;
    static const char* const GATEWAY_SECTION;
    static const char* const GATEWAY_ID;
    static const char* const LORAWAN_PUBLIC;
    static const char* const CLOCK_SOURCE;
    static const char* const ENABLE;
    static const char* const TX_ENABLE;
    static const char* const FREQUENCY;
    static const char* const RSSI_OFFSET;
    static const char* const RADIO_TYPE;
    static const char* const RADIO;
    static const char* const IF_OFFSET;
    static const char* const BANDWIDTH;
    static const char* const SPREAD_FACTOR;
    static const char* const DATARATE;

    static const int LORA_STD_IF_CHAIN = 8;
    static const int FSK_IF_CHAIN = 9;

    enum ObjectKind
    /// The objects whose members the service reads.
    {
        KIND_ROOT,
        KIND_SX1301,
        KIND_GATEWAY,
        KIND_RADIO,
        KIND_MULTI_SF,
        KIND_LORA_STD,
        KIND_FSK
    };

    struct Member
    /// A member the service reads, and the type it reads it as.
    {
        std::string name;
        ConfigValue::Type type;
    };

    static std::string radioKey(int chain);
    /// Returns the member of SX1301_conf for radio chain: "radio_0", "radio_1".

    static std::string channelKey(int chain);
    /// Returns the member of SX1301_conf for IF chain: "chan_multiSF_0" to
    /// "chan_multiSF_7", "chan_Lora_std" (8), "chan_FSK" (9).

    static ObjectKind channelKind(int chain);
    /// Returns KIND_MULTI_SF, KIND_LORA_STD or KIND_FSK for IF chain.

    static const std::vector<Member>& membersRead(ObjectKind kind);
    /// Returns every member the service reads in an object of kind, in the
    /// order it reads them.
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_ConfigKeys_INCLUDED
