//
// ServiceWatchdog.h
//
// Library: LoRaWANServer_App
// Package: Application
// Module:  ServiceWatchdog
//
// Definition of the ServiceWatchdog class: the thread that watches the
// worker's concentrator calls and keeps systemd informed.
//

#ifndef LoRaWANServer_ServiceWatchdog_INCLUDED
#define LoRaWANServer_ServiceWatchdog_INCLUDED

#include "app/SystemdNotifier.h"

#include <Poco/Event.h>
#include <Poco/Runnable.h>
#include <Poco/Thread.h>
#include <chrono>
#include <optional>
#include <string>

namespace LoRaWANServer
{
class WorkerThread;
} // namespace LoRaWANServer

class ServiceWatchdog : public Poco::Runnable
/// A thread of its own, outside the thread pool, that looks at the worker a
/// few times a second and never calls the HAL itself:
///   - a concentrator call past its deadline (Concentrator::overdueCall())
///     means the HAL is blocked or spinning: the watchdog logs one line
///     " ERROR: concentrator call <function> has not returned for <N> s,
///     exiting", flushes and ends the process at once with status 75,
///     without destructors;
///   - it tells systemd READY=1 once the concentrator has started, a STATUS=
///     line whenever the worker's status text changes, and WATCHDOG=1 at half
///     the period the manager asks for, which stops with the process when a
///     call is past its deadline.
{
public:
    ServiceWatchdog(const LoRaWANServer::WorkerThread& worker, const SystemdNotifier& notifier);
    /// Creates the watchdog of worker; both must outlive it.

    ~ServiceWatchdog() override;
    /// Stops the thread if it runs.

    void start();
    /// Starts the thread.

    void stop();
    /// Ends the thread and waits for it; nothing is watched afterwards.

    void run() override;
    /// The thread body; not for other callers.

private:
    ServiceWatchdog(const ServiceWatchdog&) = delete;
    ServiceWatchdog& operator=(const ServiceWatchdog&) = delete;

    void endIfACallIsOverdue() const;
    void inform();

    const LoRaWANServer::WorkerThread& _worker;
    const SystemdNotifier& _notifier;
    Poco::Thread _thread;
    Poco::Event _stopRequested;
    bool _readySent;
    std::string _statusSent;
    std::optional<std::chrono::steady_clock::time_point> _lastKeepAlive;
};

#endif // LoRaWANServer_ServiceWatchdog_INCLUDED
