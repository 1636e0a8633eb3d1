//
// ConfigDiscovery.cpp
//
// Implementation of the ConfigDiscovery class.
//

#include "worker/config/ConfigDiscovery.h"

#include "worker/config/ConfigConstants.h"

#include <Poco/Environment.h>

#include <unistd.h>

namespace LoRaWANServer
{

namespace
{

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

ConfigDiscovery::ConfigDiscovery()
    : _globalPath(configurationPath(GLOBAL_CONFIG_SUFFIX)),
      _localPath(configurationPath(LOCAL_CONFIG_SUFFIX)), _debugPath(configurationPath(DEBUG_CONFIG_SUFFIX))
{
}

std::vector<ConfigDiscovery::File> ConfigDiscovery::chooseFiles() const
{
    if (isReadable(_debugPath))
    {
        return {{ROLE_DEBUG, _debugPath,
                 " INFO: found debug configuration file " + _debugPath +
                     ", other configuration files will be ignored"}};
    }
    std::vector<File> files;
    if (isReadable(_globalPath))
    {
        files.push_back({ROLE_GLOBAL, _globalPath,
                         " INFO: found global configuration file " + _globalPath + ", trying to parse it"});
    }
    if (isReadable(_localPath))
    {
        // After a global file the line has a blank before its comma.
        const char* const tail = files.empty() ? ", trying to parse it" : " , trying to parse it";
        files.push_back(
            {ROLE_LOCAL, _localPath, " INFO: found local configuration file " + _localPath + tail});
    }
    return files;
}

std::string ConfigDiscovery::missingFilesText() const
{
    return " ERROR: failed to find any configuration file named " + _globalPath + ", " + _localPath + " or " +
           _debugPath;
}

const char* ConfigDiscovery::roleName(Role role)
{
    switch (role)
    {
        case ROLE_DEBUG:
            return "debug";
        case ROLE_GLOBAL:
            return "global";
        default:
            return "local";
    }
}

} // namespace LoRaWANServer
