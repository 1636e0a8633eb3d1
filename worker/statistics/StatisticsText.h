//
// StatisticsText.h
//
// Library: LoRaWANServer_Worker
// Package: Statistics
// Module:  StatisticsText
//
// The worker's counts as text: the statistics log line and the metrics file.
//

#ifndef LoRaWANServer_StatisticsText_INCLUDED
#define LoRaWANServer_StatisticsText_INCLUDED

#include "worker/statistics/CounterValues.h"

#include <Poco/Types.h>

#include <string>

namespace LoRaWANServer
{

std::string statisticsMessage(const CounterValues& interval, const CounterValues& total);
/// Returns the message of the statistics log line (without time stamp), each
/// count as "interval/total":
/// " INFO: statistics: received 12/345, crc_ok 11/300, crc_bad 1/40, no_crc 0/5,
/// forwarded 12/345, dropped 0/0, connects 0/1, send_failures 0/0"

std::string metricsText(const CounterValues& total, Poco::Int64 lastPacketTime, Poco::Int64 startTime);
/// Returns the counts in Prometheus' text exposition format (version 0.0.4)
/// with HELP and TYPE lines, every line ended by a line feed. The times are
/// microseconds since the Unix epoch (lastPacketTime 0 when no packet came
/// yet) and are written in seconds.

} // namespace LoRaWANServer

#endif // LoRaWANServer_StatisticsText_INCLUDED
