//
// SimConstants.h
//
// The fixed values of the simulated concentrator, each with its meaning.
//

#ifndef Sim_SimConstants_INCLUDED
#define Sim_SimConstants_INCLUDED

namespace LoRaSim
{

/// The environment variable that names the scenario file read at lgw_connect.
const char* const SCENARIO_VARIABLE = "LORAGW_SIM";

/// What lgw_version_info returns: the HAL version whose API is simulated.
const char* const VERSION_TEXT = "Version: 0.2.3; Options: simulated concentrator;";

/// What lgw_get_trigcnt reads: the counter as the last PPS latched it. No GPS
/// is simulated, so no PPS ever latches it and it keeps its value at reset.
const unsigned LATCHED_TRIGGER_COUNT = 0;

/// The traffic of the default scenario and of a "generator" without these
/// members: about two uplinks a second, one per call, a few with a bad CRC.
const double DEFAULT_RATE = 2.0;
const unsigned DEFAULT_BURST = 1;
const double DEFAULT_CRC_ERROR_RATIO = 0.05;

/// The SX1301's buffer of received packets: its size, and what a packet takes
/// in it besides its payload (its metadata).
const unsigned DEFAULT_BUFFER_BYTES = 1024;
const unsigned PACKET_OVERHEAD_BYTES = 16;

/// The noise floor of a channel in dBm, as its power in 125 kHz: the
/// thermal noise of -174 dBm/Hz over 125 kHz and a receiver noise figure of
/// 6 dB. Wider channels take in more of it.
const double DEFAULT_NOISE_DBM = -117.0;
const double NOISE_REFERENCE_BANDWIDTH_HZ = 125000.0;

/// How many end devices the traffic generator simulates.
const unsigned DEVICE_COUNT = 36;

/// The sizes of the generated LoRaWAN frames in bytes: the smallest frame
/// (MHDR, FHDR, MIC without port and payload) up to a typical sensor uplink.
const unsigned MIN_FRAME_SIZE = 12;
const unsigned MAX_FRAME_SIZE = 64;
/// The largest frame a scenario may ask for: a LoRa packet carries at most 255 bytes.
const unsigned MAX_PAYLOAD_SIZE = 255;

} // namespace LoRaSim

#endif // Sim_SimConstants_INCLUDED
