//
// PrepareWork.cpp
//
// WorkerThread::prepareWork() and the two configuration parsers of the
// worker: connecting the concentrator, choosing its configuration files,
// handing their settings to it and starting it.
//

#include "utility/ErrorHandler.h"
#include "utility/LogHelper.h"
#include "utility/ProcessExit.h"
#include "worker/WorkerConstants.h"
#include "worker/WorkerThread.h"
#include "worker/config/ConfigConstants.h"
#include "worker/config/ConfigDiscovery.h"
#include "worker/config/ConfigDocument.h"
#include "worker/config/ConfigParser.h"

#include <Poco/Exception.h>

#include <cstdio>
#include <iostream>

namespace LoRaWANServer
{

namespace
{

using Zel::Utility::LogHelper;

class ServiceTarget : public ConfigTarget
/// The service's target of the parsers: the concentrator, and the worker's
/// gateway identifier.
{
public:
    ServiceTarget(Concentrator& concentrator, Poco::UInt64& gatewayId)
        : _concentrator(concentrator), _gatewayId(gatewayId)
    {
    }

    bool setBoard(const lgw_conf_board_s& board) override { return _concentrator.setBoard(board); }

    bool setRadio(int chain, const lgw_conf_rxrf_s& radio) override
    {
        return _concentrator.setRadio(chain, radio);
    }

    bool setChannel(int chain, const lgw_conf_rxif_s& channel) override
    {
        return _concentrator.setChannel(chain, channel);
    }

    void setGatewayId(Poco::UInt64 id, const std::string& /*text*/) override { _gatewayId = id; }

private:
    Concentrator& _concentrator;
    Poco::UInt64& _gatewayId;
};

/// Parses the file; a file that is not a JSON object ends the process, and
/// the log says where reading stopped.
std::unique_ptr<ConfigDocument> readConfiguration(const char* path)
{
    std::string problem;
    std::unique_ptr<ConfigDocument> pDocument = ConfigDocument::parseFile(path, &problem);
    if (!pDocument)
    {
        std::fprintf(stderr, " ERROR: %s id not a valid JSON file\n", path);
        Zel::Utility::ErrorHandler::writeAdvice(std::string(path) + ": " + problem +
                                                "; fix it, then check it with lorawanserver --check-config");
        Zel::Utility::ProcessExit::exitProcess(EXIT_BAD_CONFIGURATION);
    }
    return pDocument;
}

} // namespace

void WorkerThread::prepareWork()
{
    const ConfigDiscovery discovery;

    _concentrator.connect(CONCENTRATOR_DEVICE);

    const std::vector<ConfigDiscovery::File> files = discovery.chooseFiles();
    if (files.empty())
    {
        const std::string text = LogHelper::timeStamp(false) + discovery.missingFilesText();
        std::cerr << text << std::endl;
        throw Poco::FileExistsException(text, 0);
    }
    for (const ConfigDiscovery::File& file : files)
    {
        LogHelper::log(file.announcement);
        // Either result only says the file was not fully taken; the
        // concentrator starts with whatever it was given.
        (void)parse_SX1301_configuration(file.path.c_str());
        (void)parse_gateway_configuration(file.path.c_str());
    }

    _concentrator.start();
    std::fprintf(stderr, " %s INFO: concentrator started, packet can now be received\n",
                 LogHelper::timeStamp(false).c_str());
}

int WorkerThread::parse_SX1301_configuration(const char* path)
{
    const std::unique_ptr<ConfigDocument> pDocument = readConfiguration(path);
    ServiceTarget target(_concentrator, _gatewayId);
    return ConfigParser(target, stderr).parseSX1301(path, *pDocument);
}

int WorkerThread::parse_gateway_configuration(const char* path)
{
    const std::unique_ptr<ConfigDocument> pDocument = readConfiguration(path);
    ServiceTarget target(_concentrator, _gatewayId);
    return ConfigParser(target, stderr).parseGateway(path, *pDocument);
}

} // namespace LoRaWANServer
