//
// StartupAdvice.cpp
//
// Implementation of the StartupAdvice class.
//

#include "worker/StartupAdvice.h"

#include "worker/WorkerConstants.h"
#include "worker/config/ConfigConstants.h"

namespace LoRaWANServer
{

namespace
{

const std::string CHECK_COMMAND = "lorawanserver --check-config";

bool isCalled(const Poco::Exception& exc, const std::string& message)
{
    return exc.message() == message;
}

} // namespace

std::string StartupAdvice::forException(const Poco::Exception& exc)
{
    const std::string base = CONFIG_BASE_VARIABLE;
    if (dynamic_cast<const Poco::NotFoundException*>(&exc) && isCalled(exc, base))
        return "set " + base + " to the folder that holds lorawan/global_conf.json";
    // prepareWork throws it only when no configuration file is readable.
    if (dynamic_cast<const Poco::FileExistsException*>(&exc))
    {
        return "put global_conf.json, and local_conf.json for this gateway's own settings, in $" + base +
               "/lorawan/, readable by this user; " + CHECK_COMMAND + " checks them";
    }
    if (!dynamic_cast<const Poco::InvalidAccessException*>(&exc))
        return "";
    if (isCalled(exc, std::string(CONNECT_FAILURE) + CONCENTRATOR_DEVICE))
    {
        return std::string("is the concentrator plugged in (") + CONCENTRATOR_DEVICE +
               "), and may this user open it (group dialout)?";
    }
    if (isCalled(exc, START_FAILURE))
        return "check the configuration with " + CHECK_COMMAND +
               "; if it is sound, unplug and replug the concentrator";
    if (isCalled(exc, RECEIVE_FAILURE) || isCalled(exc, PROBE_FAILURE))
        return "the concentrator stopped answering (unplugged or reset?); the service uses it again once it "
               "is back "
               "and the service is started again";
    return "";
}

} // namespace LoRaWANServer
