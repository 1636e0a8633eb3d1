//
// ScriptedBatch.h
//
// Definition of the ScriptedBatch struct: one batch of packets that a
// scenario or a test hands to the receive calls.
//

#ifndef Sim_ScriptedBatch_INCLUDED
#define Sim_ScriptedBatch_INCLUDED

#include "hal/HalApi.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace LoRaSim
{

struct ScriptedPacket
/// A packet of a batch.
{
    lgw_pkt_rx_s record;
    /// The record as lgw_receive returns it.

    bool stampOnRelease;
    /// count_us is set when the batch becomes available (the scenario gave none).
};

struct ScriptedBatch
/// The packets one lgw_receive call takes (as many as it may; the rest go to
/// the next call).
{
    std::optional<std::uint32_t> afterMs;
    /// Held back until this many milliseconds after lgw_start; without it,
    /// released at the call that reaches the batch.

    std::vector<ScriptedPacket> packets;
};

} // namespace LoRaSim

#endif // Sim_ScriptedBatch_INCLUDED
