//
// ChannelMetricsText.h
//
// Library: LoRaWANServer_Worker
// Package: Statistics
// Module:  ChannelMetricsText
//
// The per-channel accounting as metrics text.
//

#ifndef LoRaWANServer_ChannelMetricsText_INCLUDED
#define LoRaWANServer_ChannelMetricsText_INCLUDED

#include "worker/statistics/ChannelStatistics.h"

#include <string>

namespace LoRaWANServer
{

std::string channelMetricsText(const ChannelStatistics& channels);
/// Returns the per-channel families in Prometheus' text exposition format
/// (version 0.0.4), each with HELP and TYPE lines, every line ended by a line
/// feed:
///     lorawanserver_channel_packets_total{chain,freq_hz,modulation,datarate,crc}
///     lorawanserver_channel_rssi_dbm (histogram, CRC-valid packets)
///     lorawanserver_channel_snr_db (histogram, CRC-valid LoRa packets)
///     lorawanserver_channel_airtime_seconds_total
///     lorawanserver_channel_noise_estimate_dbm{chain,freq_hz}
/// A chain and rate appear when the channel plan enables them or when they
/// have received; a noise estimate once the chain has a sample. modulation
/// is "LORA" or "FSK", datarate "SF7BW125" and the like for LoRa and the bit
/// rate for FSK, crc "ok", "bad" or "none".

} // namespace LoRaWANServer

#endif // LoRaWANServer_ChannelMetricsText_INCLUDED
