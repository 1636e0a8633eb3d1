//
// ConfigCheck.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  ConfigCheck
//
// Definition of the ConfigCheck class: the configuration as the
// concentrator would take it, and what would keep it from hearing.
//

#ifndef LoRaWANServer_ConfigCheck_INCLUDED
#define LoRaWANServer_ConfigCheck_INCLUDED

#include "worker/config/ConfigDiscovery.h"
#include "worker/config/ConfigFinding.h"
#include "worker/config/ConfigPlan.h"

#include <ostream>
#include <string>
#include <vector>

namespace LoRaWANServer
{

class ConfigCheck
/// Reads the configuration exactly as the service does (the same MIREL_RUN,
/// file choice, parsers and conversions), hands it to a plan in place of the
/// concentrator, and reports the plan and its findings. It makes no HAL call
/// and touches neither the instance lock, the socket nor the log file.
{
public:
    enum Format
    {
        FORMAT_TABLE, /// tables and one line per finding, for a person
        FORMAT_JSON   /// one JSON object, for scripts and fleet tools
    };

    struct Result
    /// What the check found.
    {
        std::string base;
        /// The value of MIREL_RUN; empty when it is not set.
        std::vector<ConfigDiscovery::File> files;
        /// The files read, in order.
        ConfigPlan plan;
        std::string region;
        ConfigFindings findings;
        /// Errors first, then warnings, each in the order found; one per item.

        int exitStatus() const;
        /// CHECK_EXIT_CLEAN without findings, CHECK_EXIT_ERRORS with an
        /// error, CHECK_EXIT_WARNINGS with warnings only.
    };

    static int run(std::ostream& out, Format format);
    /// Checks the configuration below MIREL_RUN, writes the result to out in
    /// format and returns its exit status.

    static Result examine();
    /// Checks the configuration below MIREL_RUN.

    static Result examineFiles(const std::vector<ConfigDiscovery::File>& files);
    /// Checks files as the service would read them, in this order.
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_ConfigCheck_INCLUDED
