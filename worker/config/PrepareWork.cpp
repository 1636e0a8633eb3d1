//
// PrepareWork.cpp
//
// WorkerThread::prepareWork(): connecting the concentrator, choosing its
// configuration files and starting it.
//

#include "utility/LogHelper.h"
#include "worker/WorkerConstants.h"
#include "worker/WorkerThread.h"
#include "worker/config/ConfigConstants.h"

#include <Poco/Environment.h>
#include <Poco/Exception.h>

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace LoRaWANServer
{

namespace
{

using Zel::Utility::LogHelper;

/// The base directory followed directly by suffix: no separator is added and
/// nothing is normalised, so the path is exactly what the operator set.
std::string configurationPath(const char* suffix)
{
    return Poco::Environment::get(CONFIG_BASE_VARIABLE) + suffix;
}

bool isReadable(const std::string& path)
{
    return ::access(path.c_str(), R_OK) == 0;
}

} // namespace

void WorkerThread::prepareWork()
{
    const std::string globalPath = configurationPath(GLOBAL_CONFIG_SUFFIX);
    const std::string localPath = configurationPath(LOCAL_CONFIG_SUFFIX);
    const std::string debugPath = configurationPath(DEBUG_CONFIG_SUFFIX);

    _concentrator.connect(CONCENTRATOR_DEVICE);

    const auto parseFile = [this](const std::string& path)
    {
        // Either result only says the file was not fully taken; the
        // concentrator starts with whatever it was given.
        (void)parse_SX1301_configuration(path.c_str());
        (void)parse_gateway_configuration(path.c_str());
    };

    if (isReadable(debugPath))
    {
        LogHelper::log(" INFO: found debug configuration file " + debugPath +
                       ", other configuration files will be ignored");
        parseFile(debugPath);
    }
    else if (isReadable(globalPath))
    {
        LogHelper::log(" INFO: found global configuration file " + globalPath + ", trying to parse it");
        parseFile(globalPath);
        if (isReadable(localPath))
        {
            LogHelper::log(" INFO: found local configuration file " + localPath + " , trying to parse it");
            parseFile(localPath);
        }
    }
    else if (isReadable(localPath))
    {
        LogHelper::log(" INFO: found local configuration file " + localPath + ", trying to parse it");
        parseFile(localPath);
    }
    else
    {
        const std::string text = LogHelper::timeStamp(false) +
                                 " ERROR: failed to find any configuration file named " + globalPath + ", " +
                                 localPath + " or " + debugPath;
        std::cerr << text << std::endl;
        throw Poco::FileExistsException(text, 0);
    }

    _concentrator.start();
    std::fprintf(stderr, " %s INFO: concentrator started, packet can now be received\n",
                 LogHelper::timeStamp(false).c_str());
}

} // namespace LoRaWANServer
