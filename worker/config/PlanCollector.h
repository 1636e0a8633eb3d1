//
// PlanCollector.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  PlanCollector
//
// Definition of the PlanCollector class: the configuration check's target
// of the parsers.
//

#ifndef LoRaWANServer_PlanCollector_INCLUDED
#define LoRaWANServer_PlanCollector_INCLUDED

#include "worker/config/ConfigFinding.h"
#include "worker/config/ConfigPlan.h"
#include "worker/config/ConfigTarget.h"

namespace LoRaWANServer
{

class PlanCollector : public ConfigTarget
/// Takes the parsers' records as the concentrator would, by the HAL's own
/// rules (hal/ChannelRules), and keeps what it takes in a ConfigPlan. A
/// record the concentrator would refuse is left out of the plan and becomes
/// an error finding; like the concentrator, the collector then keeps what it
/// held for that item. Nothing reaches the HAL.
{
public:
    PlanCollector(ConfigPlan& plan, ConfigFindings& findings);
    /// Creates a collector that fills plan and adds to findings (neither
    /// owned).

    void beginFile(const std::string& path);
    /// Marks the records that follow as set by the file at path.

    bool setBoard(const lgw_conf_board_s& board) override;
    bool setRadio(int chain, const lgw_conf_rxrf_s& radio) override;
    bool setChannel(int chain, const lgw_conf_rxif_s& channel) override;
    void setGatewayId(Poco::UInt64 id, const std::string& text) override;

private:
    void refuse(const std::string& key, const std::string& reason, const std::string& change);
    static std::string channelChange(int chain, const lgw_conf_rxif_s& channel);

    ConfigPlan& _plan;
    ConfigFindings& _findings;
    std::string _file;
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_PlanCollector_INCLUDED
