//
// StatisticsReporter.cpp
//
// Implementation of the StatisticsReporter class.
//

#include "worker/statistics/StatisticsReporter.h"

#include "utility/LogHelper.h"
#include "worker/statistics/ChannelMetricsText.h"
#include "worker/statistics/StatisticsConstants.h"
#include "worker/statistics/StatisticsText.h"

#include <Poco/Clock.h>

#include <algorithm>
#include <limits>

namespace LoRaWANServer
{

namespace
{

const Poco::Clock::ClockDiff MICROSECONDS_PER_SECOND = 1000000;
const Poco::Clock::ClockDiff MICROSECONDS_PER_MILLISECOND = 1000;
const Poco::Clock::ClockDiff NEVER = std::numeric_limits<Poco::Clock::ClockDiff>::max();

// Moves a due time past now by whole periods: a late wake-up skips what it
// missed instead of writing it twice.
void advance(Poco::Clock::ClockDiff& due, Poco::Clock::ClockDiff period, Poco::Clock::ClockDiff now)
{
    while (due <= now)
        due += period;
}

} // namespace

StatisticsReporter::StatisticsReporter(WorkerCounters& counters, const ChannelStatistics& channels,
                                       const StatisticsSettings& settings)
    : _counters(counters), _channels(channels), _settings(settings)
{
    if (!_settings.reportsAnything())
        return;
    if (!_settings.metricsPath.empty())
    {
        _pMetricsFile.reset(new MetricsFile(_settings.metricsPath));
        writeMetrics();
    }
    _thread.setName(STATISTICS_THREAD_NAME);
    _thread.start(*this);
    _running = true;
}

StatisticsReporter::~StatisticsReporter()
{
    try
    {
        stop();
    }
    catch (...)
    {
        // Called while the worker unwinds: its own exception is the one to report.
    }
}

void StatisticsReporter::stop()
{
    if (!_running)
        return;
    _running = false;
    _stopRequested.set();
    _thread.join();
    if (writesLines())
        writeLine();
    if (_pMetricsFile)
        writeMetrics();
}

void StatisticsReporter::run()
{
    const Poco::Clock::ClockDiff linePeriod =
        writesLines() ? _settings.intervalSeconds * MICROSECONDS_PER_SECOND : NEVER;
    const Poco::Clock::ClockDiff metricsPeriod =
        _pMetricsFile ? METRICS_PERIOD_S * MICROSECONDS_PER_SECOND : NEVER;
    const Poco::Clock start;
    Poco::Clock::ClockDiff lineDue = linePeriod;
    Poco::Clock::ClockDiff metricsDue = metricsPeriod;
    for (;;)
    {
        const Poco::Clock::ClockDiff wait = std::min(lineDue, metricsDue) - start.elapsed();
        // Rounded up, so that the wait never ends just before the due time.
        const long waitMs =
            static_cast<long>((std::max<Poco::Clock::ClockDiff>(wait, 0) + MICROSECONDS_PER_MILLISECOND - 1) /
                              MICROSECONDS_PER_MILLISECOND);
        if (_stopRequested.tryWait(waitMs))
            return;
        const Poco::Clock::ClockDiff now = start.elapsed();
        if (now >= lineDue)
        {
            writeLine();
            advance(lineDue, linePeriod, now);
        }
        if (now >= metricsDue)
        {
            writeMetrics();
            advance(metricsDue, metricsPeriod, now);
        }
    }
}

bool StatisticsReporter::writesLines() const
{
    return _settings.intervalSeconds > 0;
}

void StatisticsReporter::writeLine()
{
    const CounterValues total = _counters.snapshot(true);
    Zel::Utility::LogHelper::log(statisticsMessage(total.since(_lastLine), total, _settings.backlog));
    _lastLine = total;
}

void StatisticsReporter::writeMetrics()
{
    // The channels' families come last, in pieces: they may be a few hundred KiB.
    ChannelMetricsText channels(_channels);
    _pMetricsFile->write(metricsText(_counters.snapshot(false), _counters.lastPacketTime(),
                                     _counters.startTime(), _settings.backlog),
                         channels);
}

} // namespace LoRaWANServer
