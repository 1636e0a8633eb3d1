//
// ConfigCheck.cpp
//
// Implementation of the ConfigCheck class.
//

#include "worker/config/ConfigCheck.h"

#include "worker/config/CheckReport.h"
#include "worker/config/ConfigConstants.h"
#include "worker/config/ConfigDocument.h"
#include "worker/config/ConfigParser.h"
#include "worker/config/MemberCheck.h"
#include "worker/config/PlanCheck.h"
#include "worker/config/PlanCollector.h"

#include <Poco/Environment.h>
#include <Poco/Exception.h>

#include <algorithm>
#include <memory>

namespace LoRaWANServer
{

namespace
{

void addError(ConfigFindings& findings, const std::string& file, const std::string& message)
{
    findings.push_back({ConfigFinding::SEVERITY_ERROR, file, "", message});
}

/// One warning and one error per item at most, the first found of each;
/// then errors before warnings, each in the order found.
ConfigFindings arranged(const ConfigFindings& findings)
{
    ConfigFindings kept;
    for (const ConfigFinding& finding : findings)
    {
        const bool seen = std::any_of(kept.begin(), kept.end(),
                                      [&](const ConfigFinding& other) {
                                          return other.file == finding.file && other.path == finding.path &&
                                                 other.severity == finding.severity;
                                      });
        if (!seen)
            kept.push_back(finding);
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const ConfigFinding& a, const ConfigFinding& b) { return a.severity > b.severity; });
    return kept;
}

} // namespace

int ConfigCheck::Result::exitStatus() const
{
    if (findings.empty())
        return CHECK_EXIT_CLEAN;
    const bool anyError = std::any_of(findings.begin(), findings.end(),
                                      [](const ConfigFinding& finding)
                                      { return finding.severity == ConfigFinding::SEVERITY_ERROR; });
    return anyError ? CHECK_EXIT_ERRORS : CHECK_EXIT_WARNINGS;
}

int ConfigCheck::run(std::ostream& out, Format format)
{
    const Result result = examine();
    if (format == FORMAT_JSON)
        CheckReport::writeJson(out, result);
    else
        CheckReport::writeTable(out, result);
    out.flush();
    return result.exitStatus();
}

ConfigCheck::Result ConfigCheck::examine()
{
    std::vector<ConfigDiscovery::File> files;
    std::string missingFiles;
    try
    {
        const ConfigDiscovery discovery;
        files = discovery.chooseFiles();
        missingFiles = discovery.missingFilesText();
    }
    catch (const Poco::NotFoundException&)
    {
        Result result;
        addError(result.findings, "",
                 std::string(CONFIG_BASE_VARIABLE) + " is not set; set " + CONFIG_BASE_VARIABLE +
                     " to the folder that holds lorawan/global_conf.json");
        return result;
    }
    Result result = examineFiles(files);
    result.base = Poco::Environment::get(CONFIG_BASE_VARIABLE);
    if (files.empty())
    {
        // The service's own text, without its "ERROR:".
        const std::string::size_type start = missingFiles.find("failed");
        addError(result.findings, "",
                 missingFiles.substr(start) +
                     "; put global_conf.json, and local_conf.json for this gateway's own "
                     "settings, in $" +
                     CONFIG_BASE_VARIABLE + "/lorawan/, readable by the service's user");
    }
    return result;
}

ConfigCheck::Result ConfigCheck::examineFiles(const std::vector<ConfigDiscovery::File>& files)
{
    Result result;
    ConfigFindings findings;
    PlanCollector collector(result.plan, findings);
    std::vector<std::unique_ptr<ConfigDocument>> documents;
    for (const ConfigDiscovery::File& file : files)
    {
        std::string problem;
        std::unique_ptr<ConfigDocument> pDocument = ConfigDocument::parseFile(file.path, &problem);
        result.files.push_back(file);
        if (!pDocument)
        {
            // The service ends here, before the concentrator starts.
            addError(findings, file.path,
                     "the file is not a JSON object (" + problem + "), and the service ends with status " +
                         std::to_string(EXIT_BAD_CONFIGURATION) +
                         " before the concentrator starts; fix the file");
            result.region = RegionBands::regionOf({});
            result.findings = arranged(findings);
            return result;
        }
        collector.beginFile(file.path);
        ConfigParser parser(collector, nullptr);
        (void)parser.parseSX1301(file.path, *pDocument);
        (void)parser.parseGateway(file.path, *pDocument);
        documents.push_back(std::move(pDocument));
    }
    // The members are checked against the plan, which knows which file's
    // object the concentrator would end up holding.
    MemberCheck members(result.plan, findings);
    for (std::size_t i = 0; i < files.size(); ++i)
    {
        if (files[i].role == ConfigDiscovery::ROLE_LOCAL && i > 0 &&
            files[0].role == ConfigDiscovery::ROLE_GLOBAL)
            members.checkOverride(files[i].path, *documents[i], *documents[0]);
        members.checkFile(files[i].path, *documents[i]);
    }
    if (!files.empty())
        PlanCheck::check(result.plan, files.back().path, findings);
    result.region = RegionBands::regionOf(PlanCheck::enabledChannels(result.plan));
    result.findings = arranged(findings);
    return result;
}

} // namespace LoRaWANServer
