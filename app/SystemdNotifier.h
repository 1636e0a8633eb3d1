//
// SystemdNotifier.h
//
// Library: LoRaWANServer_App
// Package: Application
// Module:  SystemdNotifier
//
// Definition of the SystemdNotifier class: the service's messages to systemd.
//

#ifndef LoRaWANServer_SystemdNotifier_INCLUDED
#define LoRaWANServer_SystemdNotifier_INCLUDED

#include <Poco/Timespan.h>

#include <optional>
#include <string>

class SystemdNotifier
/// Tells the service manager how the service is doing, through libsystemd's
/// sd_notify(): readiness, the beginning of the shutdown, watchdog
/// keep-alives and a status line. Outside systemd (no NOTIFY_SOCKET in the
/// environment) every message goes nowhere. Any thread may send.
{
public:
    SystemdNotifier();
    /// Reads once whether, and how often, the manager expects watchdog
    /// keep-alives (WATCHDOG_USEC, for this process).

    void notify(const std::string& assignments) const;
    /// Sends assignments, one "NAME=value" a line ("READY=1",
    /// "STATUS=receiving"); a failure to send is ignored, since the service
    /// works the same without a manager.

    const std::optional<Poco::Timespan>& watchdogPeriod() const;
    /// The period within which the manager expects a keep-alive ("WATCHDOG=1"),
    /// or nothing when it expects none.

private:
    std::optional<Poco::Timespan> _watchdogPeriod;
};

inline const std::optional<Poco::Timespan>& SystemdNotifier::watchdogPeriod() const
{
    return _watchdogPeriod;
}

#endif // LoRaWANServer_SystemdNotifier_INCLUDED
