//
// ConfigParser.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  ConfigParser
//
// Definition of the ConfigParser class: from one parsed configuration file
// to the concentrator's settings and the gateway identifier.
//

#ifndef LoRaWANServer_ConfigParser_INCLUDED
#define LoRaWANServer_ConfigParser_INCLUDED

#include "worker/config/ConfigDocument.h"
#include "worker/config/ConfigTarget.h"

#include <cstdio>
#include <string>

namespace LoRaWANServer
{

class ConfigParser
/// Turns the "SX1301_conf" section of a configuration file into the board,
/// radio and channel records of the concentrator, and its "gateway_conf"
/// section into the gateway identifier, handing each to a ConfigTarget.
/// Every item is reported as one plain line, so that an operator can compare
/// the file with what the concentrator was given.
{
public:
    ConfigParser(ConfigTarget& target, std::FILE* pReport);
    /// Creates a parser that hands its records to target and writes its lines
    /// to pReport (standard error in the service); null writes nothing.

    int parseSX1301(const std::string& path, const ConfigDocument& document);
    /// Hands the board, radios 0 and 1 and IF chains 0 to 9 of the
    /// "SX1301_conf" section of document, read from path, to the target.
    /// Returns 0 when every item handed over was taken, -1 when the document
    /// has no such section or the target refused an item (nothing after it is
    /// handed over).

    int parseGateway(const std::string& path, const ConfigDocument& document);
    /// Hands the "gateway_ID" of the "gateway_conf" section of document to
    /// the target, when it is a string. Returns 0 when the section exists,
    /// -1 otherwise.

private:
    void report(const char* format, ...) const __attribute__((format(printf, 2, 3)));
    bool configureBoard(const ConfigValue& conf);
    bool configureRadio(const ConfigValue& conf, int chain);
    bool configureMultiSFChannel(const ConfigValue& conf, int chain);
    bool configureLoraStandardChannel(const ConfigValue& conf);
    bool configureFskChannel(const ConfigValue& conf);
    bool handOverChannel(int chain, const lgw_conf_rxif_s& channel, const std::string& refusalLine);
    enum lgw_radio_type_e radioType(const std::string* pText) const;

    ConfigTarget& _target;
    std::FILE* _pReport;
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_ConfigParser_INCLUDED
