//
// WorkerThread.cpp
//
// Implementation of the WorkerThread lifecycle and its pass: construction,
// run(), work() and afterWork().
//

#include "worker/WorkerThread.h"

#include "contract/ConsumerContract.h"
#include "utility/LogHelper.h"
#include "worker/WorkerConstants.h"
#include "worker/forwarding/BacklogForwarding.h"
#include "worker/forwarding/ForwardingConstants.h"
#include "worker/statistics/StatisticsReporter.h"

#include <Poco/AutoPtr.h>
#include <Poco/Thread.h>

#include <sys/prctl.h>

namespace LoRaWANServer
{

namespace
{

// The smallest timer slack Linux takes (0 would mean its default of 50 us).
const unsigned long EXACT_TIMER_SLACK_NS = 1;

// Linux may end a timed wait as late as the thread's timer slack allows, 50 us
// by default. The worker waits 3 ms after every pass, so under full load the
// slack alone would cost about 2 % of the packets the polls can carry. The
// worker's thread asks once, at its first pass, to be woken on time.
void askForPunctualWakeUps()
{
    static thread_local bool asked = false;
    if (asked)
        return;
    // A refusal only leaves the default slack; the waits still end.
    prctl(PR_SET_TIMERSLACK, EXACT_TIMER_SLACK_NS, 0, 0, 0);
    asked = true;
}

class PassesMark
/// Marks the worker's loop of passes as running for as long as it lives,
/// however the loop ends.
{
public:
    explicit PassesMark(WorkerCounters& counters) : _counters(counters) { _counters.beginPasses(); }
    ~PassesMark() { _counters.endPasses(); }

    PassesMark(const PassesMark&) = delete;
    PassesMark& operator=(const PassesMark&) = delete;

private:
    WorkerCounters& _counters;
};

} // namespace

const std::string WorkerThread::_filePath = ConsumerContract::SOCKET_PATH;

WorkerThread::WorkerThread(Poco::NotificationQueue* queue)
    : Zel::Utility::NotificationQueueWorker(queue, nullptr), _concentrator(_counters, _channelStatistics),
      _connected(false), _gatewayId(0)
{
}

WorkerThread::~WorkerThread() = default;

void WorkerThread::reportStatistics(const StatisticsSettings& settings)
{
    _statisticsSettings = settings;
}

void WorkerThread::forwardWith(const ForwardingSettings& settings)
{
    _forwardingSettings = settings;
}

void WorkerThread::run()
{
    Poco::AutoPtr<Poco::Notification> pHeld;

    prepareWork();
    _lastHeard = WorkerStatus::Clock::now();
    _status.enter(WorkerStatus::RECEIVING);
    StatisticsSettings statisticsSettings = _statisticsSettings;
    statisticsSettings.backlog = _forwardingSettings.backlog();
    StatisticsReporter reporter(_counters, _channelStatistics, statisticsSettings);
    if (_forwardingSettings.backlog())
    {
        _pBacklog.reset(new BacklogForwarding(_forwardingSettings, _filePath, _counters, _status));
        _pBacklog->loadFile();
    }
    try
    {
        const PassesMark passes(_counters);
        loop(pHeld);
        if (_pBacklog)
            deliverBeforeStop();
    }
    catch (...)
    {
        // The worker ends without a stop: what the backlog holds is kept all the same.
        if (_pBacklog)
            _pBacklog->finish();
        throw;
    }
    _status.enter(WorkerStatus::STOPPING);
    afterWork();
    reporter.stop();
    pHeld = nullptr;
    Zel::Utility::LogHelper::log(" LoRaWANServer Worker thread terminates");
}

void WorkerThread::loop(Poco::AutoPtr<Poco::Notification>& pHeld)
{
    for (;;)
    {
        if (pHeld.isNull())
            work();
        else if (handleNotification(pHeld))
            break;
        _counters.answerSnapshot();
        // The queue hands over one reference, which the AutoPtr takes.
        pHeld = waitDequeueNotification(PASS_WAIT_MS);
    }
}

void WorkerThread::deliverBeforeStop()
{
    const WorkerStatus::Clock::time_point deadline =
        WorkerStatus::Clock::now() + std::chrono::milliseconds(STOP_DELIVERY_MS);
    while (!_pBacklog->empty() && WorkerStatus::Clock::now() < deadline)
    {
        Poco::Thread::sleep(PASS_WAIT_MS);
        work();
        _counters.answerSnapshot();
    }
}

void WorkerThread::work()
{
    askForPunctualWakeUps();
    lgw_pkt_rx_s packets[RECEIVE_BATCH];
    const int count = _concentrator.receive(packets, RECEIVE_BATCH);
    const WorkerStatus::Clock::time_point now = WorkerStatus::Clock::now();
    if (count == 0)
        probeWhenQuiet(now);
    else
    {
        _lastHeard = now;
        _status.received(now);
    }
    if (_pBacklog)
        forwardThroughBacklog(packets, count, now);
    else if (count > 0)
        forward(packets, count);
}

void WorkerThread::probeWhenQuiet(WorkerStatus::Clock::time_point now)
{
    if (now - _lastHeard < std::chrono::milliseconds(PROBE_AFTER_QUIET_MS))
        return;
    _concentrator.probe();
    _lastHeard = now;
}

void WorkerThread::afterWork()
{
    if (!_concentrator.stop())
        Zel::Utility::LogHelper::log(
            " WARNING: LoRaWANServer failed to stop concentrator plug-in successfully");
    _socket.close();
    if (_pBacklog)
        _pBacklog->finish();
}

} // namespace LoRaWANServer
