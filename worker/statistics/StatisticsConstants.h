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

/// Upper bounds of the buckets of the gaps between two receive calls, in
/// microseconds (the metrics file's lorawanserver_poll_gap_seconds): a healthy
/// poller waits 3 ms; 10 ms is the most a backlog mode may take; beyond, a
/// stalled consumer or a slow concentrator. Gaps above the last go to +Inf.
const unsigned long long POLL_GAP_BOUNDS_US[] = {5000,   10000,   20000,   50000,   100000,
                                                 500000, 1000000, 5000000, 30000000};
const int POLL_GAP_BUCKETS = sizeof(POLL_GAP_BOUNDS_US) / sizeof(POLL_GAP_BOUNDS_US[0]) + 1;

/// How long a statistics line waits for the worker to take its counts
/// between two passes; a worker held up longer (a send waiting for the
/// consumer) has its counts read as they are.
const long SNAPSHOT_WAIT_MS = 500;

/// Name of the thread that writes the statistics line and the metrics file.
const char* const STATISTICS_THREAD_NAME = "LoRaWANServer_Statistics";

} // namespace LoRaWANServer

#endif // LoRaWANServer_StatisticsConstants_INCLUDED
