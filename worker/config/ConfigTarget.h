//
// ConfigTarget.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  ConfigTarget
//
// Definition of the ConfigTarget interface: where the configuration parsers
// hand what a file sets.
//

#ifndef LoRaWANServer_ConfigTarget_INCLUDED
#define LoRaWANServer_ConfigTarget_INCLUDED

#include "hal/HalApi.h"

#include <Poco/Types.h>

#include <string>

namespace LoRaWANServer
{

class ConfigTarget
/// Receives the records the configuration parsers make of a file, item by
/// item and in the order the service hands them to the concentrator. In the
/// service it is the concentrator itself (through the worker); the
/// configuration check collects them into the plan the concentrator would
/// hold. Either way the records come from the same parsing code.
{
public:
    virtual ~ConfigTarget() = default;

    virtual bool setBoard(const lgw_conf_board_s& board) = 0;
    /// Takes the board settings; returns false when they are refused.

    virtual bool setRadio(int chain, const lgw_conf_rxrf_s& radio) = 0;
    /// Takes the settings of radio chain (0 or 1); returns false when they
    /// are refused.

    virtual bool setChannel(int chain, const lgw_conf_rxif_s& channel) = 0;
    /// Takes the settings of IF chain (0 to 9); returns false when they are
    /// refused.

    virtual void setGatewayId(Poco::UInt64 id, const std::string& text) = 0;
    /// Takes the gateway identifier id, read from text.
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_ConfigTarget_INCLUDED
