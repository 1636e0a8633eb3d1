//
// ServiceSetup.cpp
//
// Implementation of the service set-up for black-box tests.
//

#include "ServiceSetup.h"

#include <sys/stat.h>
#include <unistd.h>

namespace TestSupport
{

const char* const EU868_CONFIGURATION = R"json({
    /* EU868, radios on 867.5 and 868.5 MHz */
    "SX1301_conf": {
        "lorawan_public": true,
        "clksrc": 1,
        "radio_0": {"enable": true, "type": "SX1257", "freq": 867500000, "rssi_offset": -166.0, "tx_enable": true},
        "radio_1": {"enable": true, "type": "SX1257", "freq": 868500000, "rssi_offset": -166.0, "tx_enable": false},
        "chan_multiSF_0": {"enable": true, "radio": 1, "if": -400000},
        "chan_multiSF_1": {"enable": true, "radio": 1, "if": -200000},
        "chan_multiSF_2": {"enable": true, "radio": 1, "if": 0},
        "chan_multiSF_3": {"enable": true, "radio": 0, "if": -400000},
        "chan_multiSF_4": {"enable": true, "radio": 0, "if": -200000},
        "chan_multiSF_5": {"enable": true, "radio": 0, "if": 0},
        "chan_multiSF_6": {"enable": true, "radio": 0, "if": 200000},
        "chan_multiSF_7": {"enable": true, "radio": 0, "if": 400000},
        "chan_Lora_std": {"enable": true, "radio": 1, "if": -200000, "bandwidth": 250000, "spread_factor": 7},
        "chan_FSK": {"enable": true, "radio": 1, "if": 300000, "bandwidth": 125000, "datarate": 50000}
    },
    "gateway_conf": {"gateway_ID": "AA555A0000000101"}
})json";

const char* const PROGRAM_NAME = "lorawanserver";

// A scenario in which the concentrator receives nothing.
const char* const SILENT_SCENARIO = R"json({"batches": []})json";

ServiceSetup::ServiceSetup()
    : _baseDir(_dir.path() + "/run"), _scenarioPath(_dir.file("scenario.json")),
      _program(binaryPath(PROGRAM_NAME))
{
    makeDirectories(_baseDir + "/lorawan");
    writeConfig("global_conf.json", EU868_CONFIGURATION);
    writeScenario(SILENT_SCENARIO);
}

const std::string& ServiceSetup::baseDir() const
{
    return _baseDir;
}

std::string ServiceSetup::configPath(const std::string& name) const
{
    return _baseDir + "/lorawan/" + name;
}

void ServiceSetup::writeConfig(const std::string& name, const std::string& text) const
{
    writeFile(configPath(name), text);
}

void ServiceSetup::removeConfig(const std::string& name) const
{
    ::unlink(configPath(name).c_str());
}

void ServiceSetup::writeScenario(const std::string& json) const
{
    writeFile(_scenarioPath, json);
}

std::string ServiceSetup::recordPath() const
{
    return _dir.file("record.jsonl");
}

std::map<std::string, std::string> ServiceSetup::environment() const
{
    return {{"MIREL_RUN", _baseDir}, {"LORAGW_SIM", _scenarioPath}};
}

std::unique_ptr<ChildProcess> ServiceSetup::start(const std::vector<std::string>& args,
                                                  const std::map<std::string, std::string>& extra) const
{
    std::map<std::string, std::string> env = environment();
    for (const auto& entry : extra)
        env[entry.first] = entry.second;
    return std::unique_ptr<ChildProcess>(new ChildProcess(_program, args, env, "", _user));
}

void ServiceSetup::runAs(int user)
{
    _user = user;
    ::chmod(_dir.path().c_str(), 0755);
    // The build folder may lie in a folder only its owner can enter (a clone
    // in /root or a home folder): the user runs a copy from our folder.
    _program = _dir.file(PROGRAM_NAME);
    writeFile(_program, readFile(binaryPath(PROGRAM_NAME)));
    ::chmod(_program.c_str(), 0755);
}

std::unique_ptr<ChildProcess>
ServiceSetup::startAndWait(const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& extra) const
{
    std::unique_ptr<ChildProcess> pService = start(args, extra);
    pService->waitForErr("INFO: concentrator started");
    return pService;
}

std::string packetJson(unsigned freqHz, unsigned ifChain, const std::string& payloadHex,
                       const std::string& extraMembers)
{
    return "{\"freq_hz\": " + std::to_string(freqHz) + ", \"if_chain\": " + std::to_string(ifChain) +
           ", \"status\": 16, \"modulation\": 16, \"bandwidth\": 3, \"datarate\": 2, \"coderate\": 1"
           ", \"payload\": \"" +
           payloadHex + "\"" + extraMembers + "}";
}

} // namespace TestSupport
