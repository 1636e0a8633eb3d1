//
// StatisticsReporter.h
//
// Library: LoRaWANServer_Worker
// Package: Statistics
// Module:  StatisticsReporter
//
// Definition of the StatisticsReporter class: the statistics line and the metrics file, on a thread of their
// own.
//

#ifndef LoRaWANServer_StatisticsReporter_INCLUDED
#define LoRaWANServer_StatisticsReporter_INCLUDED

#include "worker/statistics/ChannelStatistics.h"
#include "worker/statistics/CounterValues.h"
#include "worker/statistics/MetricsFile.h"
#include "worker/statistics/StatisticsSettings.h"
#include "worker/statistics/WorkerCounters.h"

#include <Poco/Event.h>
#include <Poco/Runnable.h>
#include <Poco/Thread.h>

#include <memory>

namespace LoRaWANServer
{

class StatisticsReporter : public Poco::Runnable
/// Reports the worker's counts while the worker runs: a statistics line on
/// standard output every interval, and the metrics file every
/// METRICS_PERIOD_S seconds, both from a thread of its own so that neither a
/// slow log nor a slow file system ever holds up the packet path. When the
/// reporting stops it writes the line and the file one last time.
{
public:
    StatisticsReporter(WorkerCounters& counters, const ChannelStatistics& channels,
                       const StatisticsSettings& settings);
    /// Writes the metrics file a first time and starts the reporting thread,
    /// when settings ask for a line or a file; otherwise does nothing. Each
    /// line and each file takes a snapshot of counters between two passes
    /// (WorkerCounters::snapshot()).

    ~StatisticsReporter() override;
    /// Stops the reporting, as stop() does, if that has not happened yet.

    void stop();
    /// Ends the reporting thread, then writes the last statistics line (its
    /// interval counts since the line before) and the metrics file once more.
    /// Does nothing when called again.

    void run() override;
    /// The reporting thread's body; not for other callers.

private:
    StatisticsReporter(const StatisticsReporter&) = delete;
    StatisticsReporter& operator=(const StatisticsReporter&) = delete;

    bool writesLines() const;
    void writeLine();
    void writeMetrics();

    WorkerCounters& _counters;
    const ChannelStatistics& _channels;
    const StatisticsSettings _settings;
    std::unique_ptr<MetricsFile> _pMetricsFile;
    CounterValues _lastLine;
    /// The counts of the line before: the next line's interval starts there.
    Poco::Event _stopRequested;
    Poco::Thread _thread;
    bool _running = false;
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_StatisticsReporter_INCLUDED
