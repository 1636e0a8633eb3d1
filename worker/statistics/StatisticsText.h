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

std::string statisticsMessage(const CounterValues& interval, const CounterValues& total,
                              bool backlog = false);
/// Returns the message of the statistics log line (without time stamp), each
/// count as "interval/total":
/// " INFO: statistics: received 12/345, crc_ok 11/300, crc_bad 1/40, no_crc 0/5,
/// forwarded 12/345, dropped 0/0, connects 0/1, send_failures 0/0,
/// full_polls 0/2, poll_gap_max_ms 3/1360"; the longest gap between two
/// receive calls is in whole milliseconds, that of the interval and since the
/// start. With backlog, then ", backlog 600/1200, resent 0/16,
/// dropped_overflow 0/0, dropped_age 0/0": the frames waiting now and the most
/// since the start, then the counts of backlog mode.

std::string metricsText(const CounterValues& total, Poco::Int64 lastPacketTime, Poco::Int64 startTime,
                        bool backlog = false);
/// Returns the counts in Prometheus' text exposition format (version 0.0.4)
/// with HELP and TYPE lines, every line ended by a line feed. The times are
/// microseconds since the Unix epoch (lastPacketTime 0 when no packet came
/// yet) and are written in seconds. With backlog, the counts of backlog mode
/// too.

} // namespace LoRaWANServer

#endif // LoRaWANServer_StatisticsText_INCLUDED
