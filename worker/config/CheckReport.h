//
// CheckReport.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  CheckReport
//
// Definition of the CheckReport class: the configuration check's result as
// text for a person or as JSON.
//

#ifndef LoRaWANServer_CheckReport_INCLUDED
#define LoRaWANServer_CheckReport_INCLUDED

#include "worker/config/ConfigCheck.h"

#include <ostream>

namespace LoRaWANServer
{

class CheckReport
/// Writes a ConfigCheck::Result.
{
public:
    static void writeTable(std::ostream& out, const ConfigCheck::Result& result);
    /// Writes the files read, the board and gateway identifier, a table of
    /// the radios and one of the IF chains (each row with the file that set
    /// it), the region, and one line per finding:
    /// "SEVERITY: FILE: PATH: MESSAGE".

    static void writeJson(std::ostream& out, const ConfigCheck::Result& result);
    /// Writes one JSON object on one line: "base", "files", "board",
    /// "gateway", "radios" and "channels" (objects named as in the
    /// configuration, "radio_0", "chan_FSK", ...; frequencies in Hz),
    /// "region", "findings" (each with "severity", "file", "path",
    /// "message"), "errors", "warnings" and "status" (the exit status).
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_CheckReport_INCLUDED
