//
// SimControl.h
//
// The control interface of the simulated concentrator, for tests that run
// the HAL's functions in their own process.
//

#ifndef Sim_SimControl_INCLUDED
#define Sim_SimControl_INCLUDED

#include "hal/HalApi.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace LoRaSim
{
// Every function here is thread-safe against HAL calls made on another
// thread. A test begins with reset().

void reset();
/// Returns to power-on: disconnected, nothing configured, every call
/// succeeding, nothing refused, no traffic (lgw_receive returns 0), no
/// receive call counted, nothing recorded, no hook, no record file. From
/// now on lgw_connect no longer reads the LORAGW_SIM scenario (controlled
/// mode), and every record line is also kept for recordedCalls().

void resetToStartup();
/// Returns to the state at process start: as reset(), but lgw_connect reads
/// the scenario that LORAGW_SIM names again (the default traffic when it is
/// unset or empty), and record lines are no longer kept in memory.

void loadScenario(const std::string& path);
/// Applies the scenario file as lgw_connect does with the one LORAGW_SIM
/// names: its results, refusals, receive error, batches, generator and
/// record file replace the current ones, and the receive calls are counted
/// from 0 again. The connection and configuration are kept. Throws
/// std::runtime_error with a message naming the file and the fault when the
/// file cannot be read or is not a valid scenario; nothing changes then.

void setConnectResult(int result);
void setStartResult(int result);
void setStopResult(int result);
/// Sets what lgw_connect, lgw_start or lgw_stop return. LGW_HAL_ERROR (-1)
/// makes the call fail without effect; another value is returned by a call
/// that takes effect (0, the default, is success).

void refuseBoard(bool refuse);
/// Makes lgw_board_setconf fail (true) or follow the HAL's rules (false).

void refuseRxrf(unsigned rfChain);
void refuseRxif(unsigned ifChain);
/// Makes lgw_rxrf_setconf or lgw_rxif_setconf fail for that chain, whatever
/// it hands over, until the next reset().

void failReceiveAfter(unsigned calls);
/// Makes lgw_receive return -1 from call calls + 1 on (counted as
/// receiveCalls() counts).

void setReceiveResult(unsigned call, int result);
/// Makes lgw_receive call number call (counted as receiveCalls() counts)
/// return result, as no real HAL would: a positive result takes up to that
/// many packets (at most max_pkt) as usual, 0 or a negative one takes none.
/// The HAL's own failures (max_pkt, not started, failReceiveAfter) come first.

void stallAfter(unsigned ms);
/// From ms milliseconds after the last lgw_start on (after the next one when
/// the concentrator was never started), every HAL call but lgw_version_info
/// blocks, as with a hung MCU: it is recorded on entry with "hung": true and
/// returns only at reset(), with LGW_HAL_ERROR. The blocked thread waits on
/// a condition variable, so a signal or _exit still ends the process.

void unplugAfter(unsigned ms);
/// From ms milliseconds after the last lgw_start on, the concentrator is
/// gone, as after an unplug: lgw_receive returns 0 as if nothing had arrived,
/// lgw_get_trigcnt, lgw_connect and lgw_start fail, lgw_stop and
/// lgw_disconnect block as stallAfter() blocks. Configuration calls, which
/// the HAL answers on the host, keep their rules.

void queueBatch(const std::vector<lgw_pkt_rx_s>& packets);
/// Adds a batch: each lgw_receive call takes the next queued batch (up to
/// max_pkt of it; the rest stays for the next call); an empty batch makes
/// one call return 0. count_us is kept as given; payload bytes beyond size
/// are overwritten with garbage, as the hardware leaves them. When every
/// batch is taken, the generator of a loaded scenario runs, if any.

void queueDelayedBatch(unsigned afterMs, const std::vector<lgw_pkt_rx_s>& packets);
/// As queueBatch(), but the batch is held back until afterMs milliseconds
/// after lgw_start: calls before that return 0.

void setReceiveHook(std::function<void(unsigned callNumber)> hook);
/// Runs hook at the start of every lgw_receive call with its number (1 for
/// the first call counted), on the caller's thread and without the
/// simulation's lock held, so that it may call these functions (for
/// example queueBatch). An empty function removes the hook.

unsigned receiveCalls();
/// Returns the number of lgw_receive calls so far, all of them (failed ones
/// and those that returned 0 included).

std::uint64_t lostPackets();
/// Returns how many generated packets were lost since reset() or
/// loadScenario() because the concentrator's receive buffer ("buffer_bytes")
/// was full when they arrived. The receive call after a loss finds it.

std::vector<std::string> recordedCalls();
/// Returns the record lines (without line end) in order, exactly as the
/// "record" file holds them: one per HAL call with the call's time
/// ("time_us"), except that a run of lgw_receive calls that returned 0 is one
/// line, written with the next line, and an "overflow" event line before the
/// receive call that found packets lost. Lines are kept from reset() on.

struct State
/// What the concentrator holds.
{
    bool connected;
    bool started;
    bool boardSet;
    lgw_conf_board_s board;
    bool rxrfSet[LGW_RF_CHAIN_NB];
    lgw_conf_rxrf_s rxrf[LGW_RF_CHAIN_NB];
    bool rxifSet[LGW_IF_CHAIN_NB];
    lgw_conf_rxif_s rxif[LGW_IF_CHAIN_NB];
    /// The accepted channel configurations, with the HAL's defaults filled in.
};

State state();
/// Returns what the concentrator holds now.

} // namespace LoRaSim

#endif // Sim_SimControl_INCLUDED
