//
// PlanCheck.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  PlanCheck
//
// Definition of the PlanCheck class: the checks of the concentrator's
// settings as a whole.
//

#ifndef LoRaWANServer_PlanCheck_INCLUDED
#define LoRaWANServer_PlanCheck_INCLUDED

#include "worker/config/ConfigFinding.h"
#include "worker/config/ConfigPlan.h"
#include "worker/config/RegionBands.h"

#include <string>
#include <vector>

namespace LoRaWANServer
{

class PlanCheck
/// Checks what the concentrator would hold after every file, where one
/// item's meaning depends on another: a channel on a radio that is off or
/// absent, or outside what its radio can tune; a clock source that is not an
/// enabled radio; no enabled channel at all (errors); channels that hear the
/// same transmission twice, a private sync word, a channel outside every
/// regional band, a missing or odd gateway identifier (warnings).
{
public:
    static void check(const ConfigPlan& plan, const std::string& lastFile, ConfigFindings& findings);
    /// Adds the plan's findings to findings; lastFile is the last file read,
    /// which a finding about something no file set names.

    static std::vector<RegionBands::Channel> enabledChannels(const ConfigPlan& plan);
    /// Returns every enabled channel whose radio is set, with its centre,
    /// bandwidth and modulation.
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_PlanCheck_INCLUDED
