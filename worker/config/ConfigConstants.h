//
// ConfigConstants.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  ConfigConstants
//
// Fixed values of the configuration: where its files are and how a bad one ends the service.
//

#ifndef LoRaWANServer_ConfigConstants_INCLUDED
#define LoRaWANServer_ConfigConstants_INCLUDED

namespace LoRaWANServer
{

/// Environment variable naming the base directory of the configuration files.
const char* const CONFIG_BASE_VARIABLE = "MIREL_RUN";

/// Configuration files, below the base directory.
const char* const GLOBAL_CONFIG_SUFFIX = "/lorawan/global_conf.json";
const char* const LOCAL_CONFIG_SUFFIX = "/lorawan/local_conf.json";
const char* const DEBUG_CONFIG_SUFFIX = "/lorawan/debug_conf.json";

/// Exit status for a configuration file that is not a JSON object.
const int EXIT_BAD_CONFIGURATION = 1;

} // namespace LoRaWANServer

#endif // LoRaWANServer_ConfigConstants_INCLUDED
