//
// ConfigFinding.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  ConfigFinding
//
// Definition of the ConfigFinding struct: one thing the configuration check
// found, and the list it collects them in.
//

#ifndef LoRaWANServer_ConfigFinding_INCLUDED
#define LoRaWANServer_ConfigFinding_INCLUDED

#include <string>
#include <vector>

namespace LoRaWANServer
{

struct ConfigFinding
/// A configuration item that the concentrator would refuse or that makes it
/// hear less than the operator meant, with what to change.
{
    enum Severity
    {
        SEVERITY_WARNING,
        SEVERITY_ERROR
    };

    Severity severity;
    std::string file;
    /// The file it is in; empty when it concerns no file.
    std::string path;
    /// Its place in the file, as a dotted path ("SX1301_conf.radio_0.freq");
    /// empty for the whole file.
    std::string message;
    /// One sentence: what is wrong, what the service makes of it, and what to
    /// change.
};

using ConfigFindings = std::vector<ConfigFinding>;

} // namespace LoRaWANServer

#endif // LoRaWANServer_ConfigFinding_INCLUDED
