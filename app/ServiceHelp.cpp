//
// ServiceHelp.cpp
//
// Implementation of the ServiceHelp class.
//

#include "app/ServiceHelp.h"

#include "app/AppConstants.h"
#include "app/HalVersion.h"
#include "contract/ConsumerContract.h"
#include "utility/Process.h"
#include "worker/WorkerConstants.h"
#include "worker/config/ConfigConstants.h"

#include <Poco/Util/Application.h>
#include <Poco/Util/HelpFormatter.h>

#include <iomanip>

#ifdef LORAWAN_SIMULATED_CONCENTRATOR
#include "sim/SimConstants.h"
#endif

namespace
{

#ifdef LORAWAN_SIMULATED_CONCENTRATOR
const bool SIMULATED = true;
#else
const bool SIMULATED = false;
#endif

const char* const DESCRIPTION =
    "Configures the LoRa concentrator from its JSON configuration files, receives radio packets and forwards "
    "each one as a JSON document, followed by a form feed, to the local consumer's Unix socket. It only "
    "receives. Without --daemon it runs in the foreground until SIGTERM, SIGINT or SIGQUIT.";

void writeEntry(std::ostream& out, const std::string& name, const std::string& meaning)
{
    out << "  " << name << "\n      " << meaning << "\n";
}

void writeEnvironment(std::ostream& out)
{
    out << "\nEnvironment:\n";
    writeEntry(out, LoRaWANServer::CONFIG_BASE_VARIABLE, "base folder of the configuration files (required)");
#ifdef LORAWAN_SIMULATED_CONCENTRATOR
    writeEntry(out, LoRaSim::SCENARIO_VARIABLE,
               "scenario of the simulated concentrator this build has in place of the HAL");
#endif
}

void writeFiles(std::ostream& out, const std::string& command)
{
    const std::string base = std::string("$") + LoRaWANServer::CONFIG_BASE_VARIABLE;
    out << "\nFiles:\n";
    writeEntry(out, base + LoRaWANServer::DEBUG_CONFIG_SUFFIX,
               "the whole configuration; when readable, the only one");
    writeEntry(out, base + LoRaWANServer::GLOBAL_CONFIG_SUFFIX, "the configuration");
    writeEntry(out, base + LoRaWANServer::LOCAL_CONFIG_SUFFIX,
               "settings replacing those of the global file, or the configuration without one");
    writeEntry(out, LoRaWANServer::CONCENTRATOR_DEVICE, "the concentrator");
    writeEntry(out, LoRaWANServer::ConsumerContract::SOCKET_PATH,
               "the consumer's socket, one document per packet");
    writeEntry(out, Zel::Utility::Process::lockFilePath(command), "the instance lock");
    writeEntry(out, LOG_FILE_PATH, "standard output and error with --daemon, appended to");
}

void writeForwarding(std::ostream& out)
{
    out << "\nForwarding:\n"
           "  Without --backlog, each poll's frames are sent at once and the worker waits for the\n"
           "  consumer to take them: while it does not read, nothing is polled and the concentrator\n"
           "  loses what does not fit in its 1024 bytes; while it is away, each poll's frames are\n"
           "  dropped after a second attempt, with two log lines each.\n"
           "  With --backlog, the worker polls every 3 ms whatever the consumer does; a frame waits\n"
           "  in the backlog until the consumer has read it whole, and is lost only when the backlog\n"
           "  is full (the oldest first), too old (--backlog-age), or left at a stop without\n"
           "  --backlog-file. A consumer that goes may get the frames of one send (16) twice.\n";
}

void writeExitStatus(std::ostream& out, int status, const std::string& meaning)
{
    out << "  " << std::left << std::setw(4) << status << meaning << "\n";
}

void writeConfiguration(std::ostream& out)
{
    out << "\nConfiguration:\n"
           "  The service reads \"SX1301_conf\" (lorawan_public, clksrc, radio_0 and radio_1, chan_multiSF_0 "
           "to\n"
           "  chan_multiSF_7, chan_Lora_std, chan_FSK) and \"gateway_conf\" (gateway_ID). Every other member "
           "is\n"
           "  ignored: tx_lut_*, lbt_cfg, antenna_gain, tx_freq_min, tx_freq_max, tx_notch_freq, desc, the\n"
           "  server settings of gateway_conf, ... --check-config shows what the concentrator would make of\n"
           "  the files.\n";
}

void writeExitStatuses(std::ostream& out)
{
    out << "\nExit status:\n";
    writeExitStatus(out, 0, "normal shutdown, also after the worker failed; --check-config: no finding");
    writeExitStatus(out, LoRaWANServer::EXIT_BAD_CONFIGURATION,
                    "a configuration file is not a JSON object; --check-config: an error");
    writeExitStatus(out, LoRaWANServer::CHECK_EXIT_WARNINGS, "--check-config: warnings only");
    writeExitStatus(out, EXIT_APPLICATION_FAILURE, "the application frame failed");
    writeExitStatus(out, EXIT_ALREADY_RUNNING, "another instance runs (its pid is logged)");
    writeExitStatus(out, EXIT_CONCENTRATOR_HUNG,
                    "a concentrator call did not return within its deadline (the HAL hangs); start again");
    writeExitStatus(out, Poco::Util::Application::EXIT_CONFIG, "the command line is wrong");
}

} // namespace

void ServiceHelp::writeHelp(std::ostream& out, const Poco::Util::OptionSet& options,
                            const std::string& command)
{
    Poco::Util::HelpFormatter formatter(options);
    formatter.setCommand(command);
    formatter.setUsage("[OPTIONS]");
    formatter.setHeader(DESCRIPTION);
    formatter.setUnixStyle(true);
    formatter.format(out);
    writeEnvironment(out);
    writeFiles(out, command);
    writeConfiguration(out);
    writeForwarding(out);
    writeExitStatuses(out);
}

void ServiceHelp::writeVersion(std::ostream& out, const std::string& command)
{
    out << command << " " << LORAWAN_VERSION << ", service version " << SERVICE_VERSION << "\n"
        << "concentrator: " << (SIMULATED ? "SIMULATED (no radio)" : "picoGW HAL") << ", " << halVersion()
        << "\n";
}

void ServiceHelp::writeHelpHint(std::ostream& out, const std::string& command)
{
    out << "Try '" << command << " --help' for the options." << std::endl;
}
