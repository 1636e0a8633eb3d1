//
// MetricsFile.cpp
//
// Implementation of the MetricsFile class.
//

#include "worker/statistics/MetricsFile.h"

#include "utility/FileReplacement.h"
#include "utility/LogHelper.h"

#include <stdexcept>
#include <sys/stat.h>

namespace LoRaWANServer
{

namespace
{

// The collector runs under a user of its own and must be able to read it.
const mode_t METRICS_FILE_MODE = 0644;

} // namespace

MetricsFile::MetricsFile(const std::string& path) : _path(path) {}

bool MetricsFile::write(const std::string& text)
{
    return write(text, nullptr);
}

bool MetricsFile::write(const std::string& text, Source& more)
{
    return write(text, &more);
}

bool MetricsFile::write(const std::string& text, Source* pMore)
{
    try
    {
        Zel::Utility::FileReplacement::write(_path, {text}, METRICS_FILE_MODE,
                                             Zel::Utility::FileReplacement::AS_THE_SYSTEM_LIKES, pMore);
    }
    catch (const std::runtime_error& exc)
    {
        reportFailure(exc.what());
        return false;
    }
    _failing = false;
    return true;
}

void MetricsFile::reportFailure(const std::string& reason)
{
    if (_failing)
        return;
    _failing = true;
    Zel::Utility::LogHelper::log(" WARNING: statistics: cannot write the metrics file " + _path + " (" +
                                 reason + "); the service goes on without it");
}

} // namespace LoRaWANServer
