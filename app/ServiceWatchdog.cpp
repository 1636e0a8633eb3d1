//
// ServiceWatchdog.cpp
//
// Implementation of the ServiceWatchdog class.
//

#include "app/ServiceWatchdog.h"

#include "app/AppConstants.h"
#include "utility/LogHelper.h"
#include "utility/ProcessExit.h"
#include "worker/WorkerThread.h"

using LoRaWANServer::WorkerStatus;

namespace
{

const char* const READY = "READY=1\n";
const char* const KEEP_ALIVE = "WATCHDOG=1\n";
const char* const STATUS = "STATUS=";

} // namespace

ServiceWatchdog::ServiceWatchdog(const LoRaWANServer::WorkerThread& worker, const SystemdNotifier& notifier)
    : _worker(worker), _notifier(notifier), _thread(WATCHDOG_THREAD_NAME), _readySent(false)
{
}

ServiceWatchdog::~ServiceWatchdog()
{
    stop();
}

void ServiceWatchdog::start()
{
    _thread.start(*this);
}

void ServiceWatchdog::stop()
{
    if (!_thread.isRunning())
        return;
    _stopRequested.set();
    _thread.join();
}

void ServiceWatchdog::run()
{
    do
    {
        endIfACallIsOverdue();
        inform();
    } while (!_stopRequested.tryWait(WATCHDOG_TICK_MS));
}

void ServiceWatchdog::endIfACallIsOverdue() const
{
    const auto overdue = _worker.concentrator().overdueCall();
    if (!overdue)
        return;
    // The worker's thread is stuck inside the HAL, which holds its own lock:
    // no orderly shutdown can get past it, and neither may this thread touch
    // the HAL. The supervisor starts the service again.
    Zel::Utility::LogHelper::log(std::string(" ERROR: concentrator call ") + overdue->function +
                                 " has not returned for " + std::to_string(overdue->seconds) + " s, exiting");
    Zel::Utility::ProcessExit::exitProcess(EXIT_CONCENTRATOR_HUNG);
}

void ServiceWatchdog::inform()
{
    const WorkerStatus& status = _worker.status();
    const auto now = std::chrono::steady_clock::now();
    const WorkerStatus::Phase phase = status.phase();
    std::string message;

    if (!_readySent && phase != WorkerStatus::STARTING)
    {
        message += READY;
        _readySent = true;
    }
    std::string statusText =
        WorkerStatus::text(phase, _worker.counters().forwarded(), status.secondsSinceLastPacket(now));
    const std::string backlog = status.backlogText(now);
    if (!backlog.empty())
        statusText += ", " + backlog;
    if (statusText != _statusSent)
    {
        message += STATUS + statusText + "\n";
        _statusSent = statusText;
    }
    const auto& period = _notifier.watchdogPeriod();
    if (period && (!_lastKeepAlive ||
                   now - *_lastKeepAlive >= std::chrono::microseconds(period->totalMicroseconds() / 2)))
    {
        message += KEEP_ALIVE;
        _lastKeepAlive = now;
    }
    if (!message.empty())
        _notifier.notify(message);
}
