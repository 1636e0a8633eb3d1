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

/// Exit statuses of the configuration check: no finding, at least one error,
/// warnings only.
const int CHECK_EXIT_CLEAN = 0;
const int CHECK_EXIT_ERRORS = 1;
const int CHECK_EXIT_WARNINGS = 2;

/// RSSI offsets of SX1301 boards' calibrations lie in this range (dB); the
/// reference designs use -176 (SX1255) to -158. Without one the service hands
/// 0, and every RSSI reads some 160 dB too high.
const double MIN_PLAUSIBLE_RSSI_OFFSET_DB = -180.0;
const double MAX_PLAUSIBLE_RSSI_OFFSET_DB = -140.0;

/// What each radio can tune, in Hz (Semtech's SX1255 and SX1257 data
/// sheets): a channel outside it is never heard, whatever the HAL accepts.
const long long SX1255_MIN_HZ = 400000000;
const long long SX1255_MAX_HZ = 510000000;
const long long SX1257_MIN_HZ = 862000000;
const long long SX1257_MAX_HZ = 1020000000;

} // namespace LoRaWANServer

#endif // LoRaWANServer_ConfigConstants_INCLUDED
