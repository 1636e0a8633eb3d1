//
// SystemdNotifier.cpp
//
// Implementation of the SystemdNotifier class.
//

#include "app/SystemdNotifier.h"

#include <systemd/sd-daemon.h>

SystemdNotifier::SystemdNotifier()
{
    uint64_t periodMicros = 0;
    // The environment is left as it is: a process the service starts is not
    // the one the manager watches, and none is started.
    if (sd_watchdog_enabled(0, &periodMicros) > 0 && periodMicros > 0)
        _watchdogPeriod = Poco::Timespan(static_cast<Poco::Timespan::TimeDiff>(periodMicros));
}

void SystemdNotifier::notify(const std::string& assignments) const
{
    (void)sd_notify(0, assignments.c_str());
}
