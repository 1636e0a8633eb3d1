//
// Scenario.h
//
// Definition of the Scenario struct: everything a scenario file sets.
//

#ifndef Sim_Scenario_INCLUDED
#define Sim_Scenario_INCLUDED

#include "hal/HalApi.h"
#include "sim/GeneratorSettings.h"
#include "sim/ScriptedBatch.h"
#include "sim/SimConstants.h"

#include <cstdint>
#include <map>
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

    std::map<std::uint64_t, int> receiveResults;
    /// Results lgw_receive returns at the numbered calls (counted as
    /// receiveErrorAfter counts), whatever the real HAL could return: a
    /// positive result takes up to that many packets (at most max_pkt), as
    /// usual; 0 or a negative result takes none.

    std::optional<std::uint32_t> stallAfterMs;
    /// From this many milliseconds after lgw_start on, every HAL call but
    /// lgw_version_info blocks and never returns, as with a hung MCU.

    std::optional<std::uint32_t> unplugAfterMs;
    /// From this many milliseconds after lgw_start on, the concentrator is
    /// gone, as after an unplug: lgw_receive returns 0, lgw_get_trigcnt,
    /// lgw_connect and lgw_start fail, lgw_stop and lgw_disconnect never
    /// return.

    std::vector<ScriptedBatch> batches;
    /// Taken by the receive calls one after the other.

    std::optional<GeneratorSettings> generator;
    /// The traffic after the batches; without it, nothing.

    unsigned bufferBytes = DEFAULT_BUFFER_BYTES;
    /// The concentrator's receive buffer the generated traffic fills: a
    /// packet that arrives while it does not fit is lost. 0 is the lossless
    /// queue of LGW_PKT_FIFO_SIZE packets that holds due packets back.

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
