//
// MemberCheck.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  MemberCheck
//
// Definition of the MemberCheck class: a configuration file's members
// against the ones the service reads.
//

#ifndef LoRaWANServer_MemberCheck_INCLUDED
#define LoRaWANServer_MemberCheck_INCLUDED

#include "worker/config/ConfigDocument.h"
#include "worker/config/ConfigFinding.h"
#include "worker/config/ConfigKeys.h"
#include "worker/config/ConfigPlan.h"

#include <string>

namespace LoRaWANServer
{

class MemberCheck
/// Finds what the parsers pass over in silence: a member the service does
/// not read whose name is close to one it does ("enabled", "Freq",
/// "frequency"), a member of the wrong type (which reads as false or 0), a
/// missing member whose absence changes what the concentrator does, a value
/// the concentrator replaces by its default, and a local object that drops
/// members the global one set. Each becomes a warning. Members the service
/// knows but does not read (tx_lut_*, lbt_cfg, antenna_gain, tx_freq_min,
/// desc, the server settings, ...) are never findings.
///
/// Only the objects whose settings the concentrator would end up holding
/// are looked into: a global radio that the local file replaces is not.
{
public:
    MemberCheck(const ConfigPlan& plan, ConfigFindings& findings);
    /// Creates a check of the files that made plan, adding to findings
    /// (neither owned).

    void checkFile(const std::string& file, const ConfigDocument& document);
    /// Checks every member of document, read from file, that the service
    /// reads or that is close to one it reads.

    void checkOverride(const std::string& localFile, const ConfigDocument& local,
                       const ConfigDocument& global);
    /// Checks each radio and channel object, and the board settings, that the
    /// local file replaces whole: members of the global object that the local
    /// one drops are lost.

private:
    void checkObject(const ConfigValue& object, ConfigKeys::ObjectKind kind, const std::string& path,
                     const std::string& label);
    void checkNames(const ConfigValue& object, ConfigKeys::ObjectKind kind, const std::string& path,
                    const std::string& label);
    void checkType(const ConfigValue& value, const ConfigKeys::Member& member, ConfigKeys::ObjectKind kind,
                   const std::string& path, const std::string& label);
    void checkChannelValues(const ConfigValue& object, ConfigKeys::ObjectKind kind, const std::string& path,
                            const std::string& label);
    void checkRadioValues(const ConfigValue& object, const std::string& path, const std::string& label);
    void checkBoardValues(const ConfigValue& object, const std::string& path);
    void checkDropped(const ConfigValue& local, const ConfigValue& global, ConfigKeys::ObjectKind kind,
                      const std::string& path, const std::string& label);
    void warn(const std::string& path, const std::string& message);

    const ConfigPlan& _plan;
    ConfigFindings& _findings;
    std::string _file;
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_MemberCheck_INCLUDED
