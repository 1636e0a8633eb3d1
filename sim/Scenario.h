//
// Scenario.h
//
// Definition of the Scenario struct: everything a scenario file sets.
//

#ifndef Sim_Scenario_INCLUDED
#define Sim_Scenario_INCLUDED

#include "sim/GeneratorSettings.h"
#include "hal/HalApi.h"
#include "sim/ScriptedBatch.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace LoRaSim
{

struct Scenario
/// How the simulated concentrator behaves from one lgw_connect on. A
/// default-constructed scenario is the controlled state of a test: every call
/// succeeds, nothing is refused and nothing is ever received.
{
    int connectResult = LGW_REG_SUCCESS;
    int startResult = LGW_HAL_SUCCESS;
    int stopResult = LGW_HAL_SUCCESS;
    /// The results of lgw_connect, lgw_start and lgw_stop. LGW_HAL_ERROR makes
    /// the call fail without effect; any other value is returned by a call
    /// that takes effect.

    bool refuseBoard = false;
    std::set<unsigned> refuseRxrf;
    std::set<unsigned> refuseRxif;
    /// Configuration calls refused whatever they hand over.

    std::optional<std::uint64_t> receiveErrorAfter;
    /// lgw_receive fails from call receiveErrorAfter + 1 on.

    std::vector<ScriptedBatch> batches;
    /// Taken by the receive calls one after the other.

    std::optional<GeneratorSettings> generator;
    /// The traffic after the batches; without it, nothing.

    std::string recordPath;
    /// The file the calls are recorded in; empty for none.

    static Scenario defaultTraffic()
    /// Returns the scenario of a run without LORAGW_SIM: the realistic
    /// traffic generator with its defaults, forever.
    {
        Scenario scenario;
        scenario.generator = GeneratorSettings();
        return scenario;
    }
};

} // namespace LoRaSim

#endif // Sim_Scenario_INCLUDED
