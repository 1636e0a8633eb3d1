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
#include "worker/WorkerCounters.h"

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
{
public:
    explicit Concentrator(WorkerCounters& counters);
    /// Creates the way to the HAL that counts its packets and probes in
    /// counters (not owned, to outlive it).

    void connect(const char* device);
    /// Connects the concentrator's MCU on the serial device.
    /// Throws Poco::InvalidAccessException "ERROR: FAIL TO CONNECT BOARD ON
    /// <device>" when the HAL cannot connect it.

    bool setBoard(const lgw_conf_board_s& board);
    /// Hands the board settings over; returns false when the HAL refuses them.

    bool setRadio(int chain, const lgw_conf_rxrf_s& radio);
    /// Hands the settings of radio chain (0 or 1) over; returns false when the
    /// HAL refuses them.

    bool setChannel(int chain, const lgw_conf_rxif_s& channel);
    /// Hands the settings of IF chain (0 to 9) over; returns false when the
    /// HAL refuses them.

    void start();
    /// Starts the concentrator with the settings handed over so far.
    /// Throws Poco::InvalidAccessException "ERROR: failed to start the
    /// concentrator" when the HAL cannot start it.

    int receive(lgw_pkt_rx_s* packets, int capacity);
    /// Fetches up to capacity received packets into packets and returns how
    /// many were fetched (0 to capacity), counting them by CRC status.
    /// Throws Poco::InvalidAccessException "ERROR: failed fetching, exiting"
    /// when the fetch fails.

    bool stop();
    /// Stops the concentrator; returns false when the HAL reports a failure.

private:
    Concentrator(const Concentrator&) = delete;
    Concentrator& operator=(const Concentrator&) = delete;

    WorkerCounters& _counters;
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_Concentrator_INCLUDED
