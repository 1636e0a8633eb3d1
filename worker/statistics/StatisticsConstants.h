//
// StatisticsConstants.h
//
// Library: LoRaWANServer_Worker
// Package: Statistics
// Module:  StatisticsConstants
//
// Fixed values of the statistics line and the metrics file.
//

#ifndef LoRaWANServer_StatisticsConstants_INCLUDED
#define LoRaWANServer_StatisticsConstants_INCLUDED

namespace LoRaWANServer
{

/// Seconds between two writes of the metrics file while the worker runs.
const long METRICS_PERIOD_S = 10;

/// Name of the thread that writes the statistics line and the metrics file.
const char* const STATISTICS_THREAD_NAME = "LoRaWANServer_Statistics";

} // namespace LoRaWANServer

#endif // LoRaWANServer_StatisticsConstants_INCLUDED
