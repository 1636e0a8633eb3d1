//
// WorkerConstants.h
//
// Library: LoRaWANServer_Worker
// Package: Worker
// Module:  WorkerConstants
//
// Fixed values of the concentrator worker's pass and of its way to the HAL.
// Those of configuration, forwarding and statistics are in their folders'
// own constants headers; what the worker shares with its consumer is in
// contract/ConsumerContract.h.
//

#ifndef LoRaWANServer_WorkerConstants_INCLUDED
#define LoRaWANServer_WorkerConstants_INCLUDED

namespace LoRaWANServer
{

/// Milliseconds the worker waits on its queue between two passes.
const long PASS_WAIT_MS = 3;

/// Records fetched from the concentrator by one pass (the depth of its FIFO).
const int RECEIVE_BATCH = 16;

/// A pass that receives nothing probes the concentrator when this many
/// milliseconds have passed without a received packet and without a probe:
/// the HAL's receive cannot tell a quiet radio from a dead link.
const long PROBE_AFTER_QUIET_MS = 5000;

/// Deadlines of the HAL calls that talk to the concentrator's MCU, in
/// milliseconds: a call that runs longer is hung, and the service ends. Each
/// is at least three times the longest healthy call measured with the real
/// HAL (lgw_start 7.5 s, lgw_stop 1.3 s, lgw_get_trigcnt 0.16 s, lgw_connect
/// and lgw_receive 0.1 s).
const long CONNECT_DEADLINE_MS = 30000;
const long START_DEADLINE_MS = 30000;
const long RECEIVE_DEADLINE_MS = 5000;
const long PROBE_DEADLINE_MS = 5000;
const long STOP_DEADLINE_MS = 10000;

/// Serial device of the concentrator.
const char* const CONCENTRATOR_DEVICE = "/dev/ttyACM0";

/// Messages of the exceptions with which the concentrator's calls fail; the
/// connection's is followed by the device.
const char* const CONNECT_FAILURE = "ERROR: FAIL TO CONNECT BOARD ON ";
const char* const START_FAILURE = "ERROR: failed to start the concentrator";
const char* const RECEIVE_FAILURE = "ERROR: failed fetching, exiting";
const char* const PROBE_FAILURE = "ERROR: failed probing the concentrator (lgw_get_trigcnt), exiting";

} // namespace LoRaWANServer

#endif // LoRaWANServer_WorkerConstants_INCLUDED
