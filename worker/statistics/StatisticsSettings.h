//
// StatisticsSettings.h
//
// Library: LoRaWANServer_Worker
// Package: Statistics
// Module:  StatisticsSettings
//
// Definition of the StatisticsSettings struct: where the worker reports its counts.
//

#ifndef LoRaWANServer_StatisticsSettings_INCLUDED
#define LoRaWANServer_StatisticsSettings_INCLUDED

#include <string>

namespace LoRaWANServer
{

struct StatisticsSettings
/// How the worker reports its counts. The default reports nothing.
{
    long intervalSeconds = 0;
    /// Seconds between two statistics lines on standard output; 0 for none.

    std::string metricsPath;
    /// The Prometheus text file the counts are written to; empty for none.

    bool backlog = false;
    /// The worker forwards through a backlog: its counts are reported too.

    bool reportsAnything() const { return intervalSeconds > 0 || !metricsPath.empty(); }
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_StatisticsSettings_INCLUDED
