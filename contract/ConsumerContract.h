//
// ConsumerContract.h
//
// Library: LoRaWANServer_Contract
// Package: Contract
// Module:  ConsumerContract
//
// What the service and its consumer agree on: where the socket is, how a
// frame ends, and the document of a received packet. The worker writes it,
// lorawan-listen reads it, the benchmarks compare against it.
//

#ifndef LoRaWANServer_ConsumerContract_INCLUDED
#define LoRaWANServer_ConsumerContract_INCLUDED

#include <cstddef>

namespace LoRaWANServer
{
namespace ConsumerContract
{

/// Path of the consumer's Unix-domain stream socket.
constexpr const char* SOCKET_PATH = "/dev/shm/LoRaWANGatewayUnixSocket";

/// Byte that ends every frame on the socket (form feed).
constexpr char FRAME_END = '\x0C';

/// Message type of the document of a received packet.
constexpr const char* MESSAGE_TYPE_UPSTREAM = "message_upstream";

/// Members of the document's root object.
constexpr const char* TYPE_KEY = "type";
constexpr const char* DATA_KEY = "data";

/// The members of "data", one per field of the HAL's packet record.
enum Field
{
    FIELD_FREQ_HZ,
    FIELD_IF_CHAIN,
    FIELD_STATUS,
    FIELD_COUNT_US,
    FIELD_RF_CHAIN,
    FIELD_MODULATION,
    FIELD_BANDWIDTH,
    FIELD_DATARATE,
    FIELD_CODERATE,
    FIELD_RSSI,
    FIELD_SNR,
    FIELD_SNR_MIN,
    FIELD_SNR_MAX,
    FIELD_CRC,
    FIELD_SIZE,
    FIELD_PAYLOAD,
    FIELD_COUNT
};

/// The members' names, indexed by Field, in the order the service writes them.
constexpr const char* FIELD_NAMES[FIELD_COUNT] = {
    "freq_hz",  "if_chain", "status", "count_us", "rf_chain", "modulation", "bandwidth", "datarate",
    "coderate", "rssi",     "snr",    "snr_min",  "snr_max",  "crc",        "size",      "payload"};

} // namespace ConsumerContract
} // namespace LoRaWANServer

#endif // LoRaWANServer_ConsumerContract_INCLUDED
