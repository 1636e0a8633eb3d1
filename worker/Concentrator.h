//
// Concentrator.h
//
// Library: LoRaWANServer_Worker
// Package: Concentrator
// Module:  Concentrator
//
// Definition of the Concentrator class: the worker's one way to the HAL.
//

#ifndef LoRaWANServer_Concentrator_INCLUDED
#define LoRaWANServer_Concentrator_INCLUDED

#include "hal/HalApi.h"
#include "worker/statistics/ChannelStatistics.h"
#include "worker/statistics/WorkerCounters.h"

#include <atomic>
#include <cstdint>
#include <optional>

namespace LoRaWANServer
{

class Concentrator
/// Every call the worker makes to the concentrator HAL (libloragw) goes
/// through this class: connecting, the set-up of the board, the radios and
/// the IF chains, starting, receiving, probing and stopping. It turns the
/// HAL's status codes into the service's results and exceptions, and counts
/// what it receives; it holds no other state than what the HAL holds.
///
/// The HAL is a process-wide C library: one Concentrator per process, used by
/// the worker's thread alone.
///
/// A call that talks to the concentrator's MCU blocks for ever when the MCU
/// stops answering, and may spin without end when the device has gone. Each
/// such call (connect, start, receive, probe, stop) is therefore marked while
/// it runs, and any other thread may ask overdueCall() whether it has
/// outlived its deadline. The mark is one atomic word: the packet path takes
/// no lock for it.
{
public:
    struct OverdueCall
    /// A HAL call that has not returned within its deadline.
    {
        const char* function;
        /// The HAL function's name, such as "lgw_receive".

        long seconds;
        /// Whole seconds since it was called.
    };

    Concentrator(WorkerCounters& counters, ChannelStatistics& channels);
    /// Creates the way to the HAL that counts its packets and probes in
    /// counters, and each channel's settings and packets in channels (neither
    /// owned, both to outlive it).

    void connect(const char* device);
    /// Connects the concentrator's MCU on the serial device.
    /// Throws Poco::InvalidAccessException "ERROR: FAIL TO CONNECT BOARD ON
    /// <device>" when the HAL cannot connect it.

    bool setBoard(const lgw_conf_board_s& board);
    /// Hands the board settings over; returns false when the HAL refuses them.

    bool setRadio(int chain, const lgw_conf_rxrf_s& radio);
    /// Hands the settings of radio chain (0 or 1) over; returns false when the
    /// HAL refuses them. Accepted settings enter the channel plan.

    bool setChannel(int chain, const lgw_conf_rxif_s& channel);
    /// Hands the settings of IF chain (0 to 9) over; returns false when the
    /// HAL refuses them. Accepted settings enter the channel plan.

    void start();
    /// Starts the concentrator with the settings handed over so far.
    /// Throws Poco::InvalidAccessException "ERROR: failed to start the
    /// concentrator" when the HAL cannot start it.

    int receive(lgw_pkt_rx_s* packets, int capacity);
    /// Fetches up to capacity received packets into packets and returns how
    /// many were fetched (0 to capacity), counting them by CRC status and by
    /// channel, the call itself (full when it fetched capacity) and the time
    /// since the call before it.
    /// Throws Poco::InvalidAccessException "ERROR: failed fetching, exiting"
    /// when the fetch fails.

    void probe();
    /// Asks the concentrator for its trigger counter, which only a working
    /// link can answer; the value itself is not used, since without a PPS
    /// signal it never changes.
    /// Throws Poco::InvalidAccessException "ERROR: failed probing the
    /// concentrator (lgw_get_trigcnt), exiting" when the HAL cannot answer.

    bool stop();
    /// Stops the concentrator; returns false when the HAL reports a failure.

    std::optional<OverdueCall> overdueCall() const;
    /// Returns the HAL call in progress when it has run at least as long as
    /// its deadline (30 s for connecting and starting, 5 s for receiving and
    /// probing, 10 s for stopping), nothing otherwise. Any thread may call it.

private:
    enum class Call : std::uint64_t
    {
        NONE = 0,
        CONNECT,
        START,
        RECEIVE,
        PROBE,
        STOP
    };

    class CallMark;

    Concentrator(const Concentrator&) = delete;
    Concentrator& operator=(const Concentrator&) = delete;

    std::atomic<std::uint64_t> _callInProgress;
    /// The call in progress and its start: the start in milliseconds of the
    /// monotonic clock above the low CALL_BITS bits, the Call below; 0 when
    /// no call is in progress.

    WorkerCounters& _counters;
    ChannelStatistics& _channels;
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_Concentrator_INCLUDED
