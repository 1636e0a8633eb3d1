//
// ServiceSetup.h
//
// A configuration folder and a simulated concentrator scenario for running
// the real service binary.
//

#ifndef LoRaWANServer_ServiceSetup_INCLUDED
#define LoRaWANServer_ServiceSetup_INCLUDED

#include "TestSupport.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace TestSupport
{

/// A complete EU868 configuration that the concentrator accepts: two radios,
/// eight multi-SF channels, the LoRa standard and the FSK channel.
extern const char* const EU868_CONFIGURATION;

class ServiceSetup
/// The folder named by MIREL_RUN (configuration files below lorawan/), the
/// scenario of the simulated concentrator, and the service's environment.
{
public:
    ServiceSetup();
    /// Writes EU868_CONFIGURATION as the global file and a scenario in which
    /// the concentrator receives nothing.

    const std::string& baseDir() const;
    /// The value of MIREL_RUN.

    std::string configPath(const std::string& name) const;
    /// Path of lorawan/name below the base folder.

    void writeConfig(const std::string& name, const std::string& text) const;
    void removeConfig(const std::string& name) const;

    void writeScenario(const std::string& json) const;
    std::string recordPath() const;
    /// A file in the setup's folder for the "record" member of a scenario.

    std::map<std::string, std::string> environment() const;
    /// MIREL_RUN and LORAGW_SIM for the service.

    std::unique_ptr<ChildProcess> start(const std::vector<std::string>& args = {},
                                        const std::map<std::string, std::string>& extra = {}) const;
    /// Starts build/bin/lorawanserver with environment() plus extra.

    void runAs(int user);
    /// Makes start() run the service under user: its folder readable to it and
    /// the binary copied there, where the user can reach it.

    std::unique_ptr<ChildProcess> startAndWait(const std::vector<std::string>& args = {},
                                               const std::map<std::string, std::string>& extra = {}) const;
    /// As start(), then waits until the concentrator has started.

private:
    TempDir _dir;
    std::string _baseDir;
    std::string _scenarioPath;
    std::string _program;
    int _user = -1;
};

std::string packetJson(unsigned freqHz, unsigned ifChain, const std::string& payloadHex,
                       const std::string& extraMembers = "");
/// A packet object of a scenario ("freq_hz", "if_chain", a LoRa SF7 125 kHz
/// packet with CRC ok, and the payload), with extraMembers (", \"rssi\": -40")
/// appended inside the braces.

} // namespace TestSupport

#endif // LoRaWANServer_ServiceSetup_INCLUDED
