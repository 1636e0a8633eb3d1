//
// ConfigParserFuzzer.cpp
//
// libFuzzer target: arbitrary configuration file contents through both
// configuration parsers of the worker, against the simulated concentrator.
//
// Each input is written to a file and parsed as the service parses a chosen
// file: parse_SX1301_configuration, then parse_gateway_configuration. The
// exit that a file which is not a JSON object causes is turned into an
// exception, so that the run goes on. Which configuration calls the
// concentrator refuses is derived from the input, so refusals are explored
// as well. Properties: no crash, leak or undefined behaviour; both parsers
// agree on whether the file ends the process, and then ask for status 1;
// otherwise each returns 0 or -1; a file accepted whole has configured the
// board. The configuration check reads the same file: it finds an error
// exactly when the file would end the process or draws other errors, its
// status is 0, 1 or 2, and its JSON report reads back as a JSON object.
//

#include "fuzz/FuzzCheck.h"
#include "sim/SimControl.h"
#include "utility/ProcessExit.h"
#include "worker/WorkerThread.h"
#include "worker/config/CheckReport.h"
#include "worker/config/ConfigCheck.h"
#include "worker/config/ConfigDocument.h"

#include <Poco/NotificationQueue.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace
{

const char* const CONCENTRATOR_DEVICE = "/dev/ttyACM0";
const int EXIT_BAD_CONFIGURATION = 1;

/// One in REFUSAL_ODDS inputs has a given configuration call refused.
const std::uint32_t REFUSAL_ODDS = 8;
/// Bits of the input's hash taken by one decision: enough to name any IF chain.
const unsigned DECISION_BITS = 4;

const std::uint32_t FNV_OFFSET_BASIS = 2166136261u;
const std::uint32_t FNV_PRIME = 16777619u;

struct ExitRequested
{
    int status;
};

[[noreturn]] void throwOnExit(int status)
{
    throw ExitRequested{status};
}

std::string configurationPath;

std::string makeConfigurationFile()
{
    char pattern[] = "/tmp/lorawan-config-fuzz-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd < 0)
        std::abort();
    ::close(fd);
    return pattern;
}

void removeConfigurationFile()
{
    ::unlink(configurationPath.c_str());
}

void writeConfiguration(const std::uint8_t* data, std::size_t size)
{
    const int fd = ::open(configurationPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0, "cannot open " + configurationPath);
    std::size_t done = 0;
    while (done < size)
    {
        const ssize_t written = ::write(fd, data + done, size - done);
        FUZZ_CHECK(written > 0, "cannot write " + configurationPath);
        done += static_cast<std::size_t>(written);
    }
    ::close(fd);
}

/// FNV-1a over the input: the same input always meets the same refusals.
std::uint32_t inputHash(const std::uint8_t* data, std::size_t size)
{
    std::uint32_t hash = FNV_OFFSET_BASIS;
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * FNV_PRIME;
    return hash;
}

/// Takes the next decision out of the hash.
std::uint32_t nextDecision(std::uint32_t& hash)
{
    const std::uint32_t decision = hash;
    hash >>= DECISION_BITS;
    return decision;
}

void prepareConcentrator(std::uint32_t hash)
{
    LoRaSim::reset();
    FUZZ_CHECK(lgw_connect(CONCENTRATOR_DEVICE) == LGW_REG_SUCCESS,
               "the simulated concentrator did not connect");
    if (nextDecision(hash) % REFUSAL_ODDS == 0)
        LoRaSim::refuseBoard(true);
    if (nextDecision(hash) % REFUSAL_ODDS == 0)
        LoRaSim::refuseRxrf(nextDecision(hash) % LGW_RF_CHAIN_NB);
    if (nextDecision(hash) % REFUSAL_ODDS == 0)
        LoRaSim::refuseRxif(nextDecision(hash) % LGW_IF_CHAIN_NB);
}

struct Outcome
{
    bool exited = false;
    int status = 0;
    int result = 0;
};

template <typename Parse>
Outcome runParser(Parse parse)
{
    Outcome outcome;
    try
    {
        outcome.result = parse();
    }
    catch (const ExitRequested& request)
    {
        outcome.exited = true;
        outcome.status = request.status;
    }
    return outcome;
}

/// The check of the file as the service's only configuration.
void checkConfiguration(bool endsTheService)
{
    using namespace LoRaWANServer;
    const ConfigCheck::Result result =
        ConfigCheck::examineFiles({{ConfigDiscovery::ROLE_GLOBAL, configurationPath, ""}});
    const int status = result.exitStatus();
    FUZZ_CHECK(status == 0 || status == 1 || status == 2, "the check's status is " + std::to_string(status));
    if (endsTheService)
        FUZZ_CHECK(status == 1, "the check found no error in a file that ends the service");
    std::ostringstream table;
    CheckReport::writeTable(table, result);
    std::ostringstream json;
    CheckReport::writeJson(json, result);
    const std::unique_ptr<ConfigDocument> pReport = ConfigDocument::parseText(json.str());
    FUZZ_CHECK(pReport != nullptr, "the check's JSON report is not a JSON object: " + json.str());
    FUZZ_CHECK(pReport->root().member("status").number() == status, "the JSON report's status differs");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    configurationPath = makeConfigurationFile();
    std::atexit(removeConfigurationFile);
    Zel::Utility::ProcessExit::setHandler(throwOnExit);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    writeConfiguration(data, size);
    prepareConcentrator(inputHash(data, size));

    Poco::NotificationQueue queue;
    LoRaWANServer::WorkerThread worker(&queue);
    const char* path = configurationPath.c_str();
    const Outcome sx1301 = runParser([&] { return worker.parse_SX1301_configuration(path); });
    const Outcome gateway = runParser([&] { return worker.parse_gateway_configuration(path); });

    FUZZ_CHECK(sx1301.exited == gateway.exited, "the two parsers disagree on whether the file is usable");
    checkConfiguration(sx1301.exited);
    if (sx1301.exited)
    {
        FUZZ_CHECK(sx1301.status == EXIT_BAD_CONFIGURATION && gateway.status == EXIT_BAD_CONFIGURATION,
                   "an unusable file asked for exit status " + std::to_string(sx1301.status));
        FUZZ_CHECK(!LoRaSim::state().boardSet, "an unusable file configured the board");
        return 0;
    }
    FUZZ_CHECK(sx1301.result == 0 || sx1301.result == -1,
               "parse_SX1301_configuration returned " + std::to_string(sx1301.result));
    FUZZ_CHECK(gateway.result == 0 || gateway.result == -1,
               "parse_gateway_configuration returned " + std::to_string(gateway.result));
    if (sx1301.result == 0)
        FUZZ_CHECK(LoRaSim::state().boardSet, "a file accepted whole left the board unconfigured");
    return 0;
}
