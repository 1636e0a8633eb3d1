//
// ScenarioReader.h
//
// Definition of the ScenarioReader class: scenario files as JSON text.
//

#ifndef Sim_ScenarioReader_INCLUDED
#define Sim_ScenarioReader_INCLUDED

#include "sim/Scenario.h"

#include <string>

namespace LoRaSim
{

class ScenarioReader
/// Reads a scenario: one JSON object (comments allowed) whose members are
/// all optional:
///
///     "connect", "start", "stop"  results of those calls (whole numbers)
///     "refuse"                    {"board": bool, "rxrf": [chain...], "rxif": [chain...]}
///     "receive_error_after"       lgw_receive fails from call N + 1 on
///     "receive_results"           [{"call": N, "result": R}...]: lgw_receive returns R at call N
///     "stall_after_ms"            every HAL call blocks from N ms after lgw_start on
///     "unplug_after_ms"           the concentrator is gone from N ms after lgw_start on
///     "batches"                   [ [PKT...], {"after_ms": N, "packets": [PKT...]}, ... ]
///     "generator"                 {"rate", "seed", "count", "burst", "crc_error_ratio"}
///     "buffer_bytes"              the receive buffer the generator fills (default 1024; 0: lossless)
///     "record"                    path of the file the HAL calls are appended to
///
/// A PKT has the members of lgw_pkt_rx_s, payload as hexadecimal text; a
/// missing member is 0, a missing count_us is stamped when the packet becomes
/// available and a missing size is the payload's length. Unknown members,
/// values of the wrong type and values out of their field's range are errors,
/// so that a mistyped scenario never runs as something else.
{
public:
    static Scenario readFile(const std::string& path);
    /// Reads and checks the scenario file. Throws std::runtime_error naming
    /// the file and what is wrong with it (unreadable, not JSON, not an
    /// object, or which member is not valid and why).

    static Scenario parse(const std::string& text);
    /// Reads and checks a scenario from JSON text. Throws std::runtime_error
    /// saying what is wrong with it.
};

} // namespace LoRaSim

#endif // Sim_ScenarioReader_INCLUDED
