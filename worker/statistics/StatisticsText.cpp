//
// StatisticsText.cpp
//
// The statistics log line and the Prometheus text of the worker's counts.
//

#include "worker/statistics/StatisticsText.h"

#include <cstdio>

namespace LoRaWANServer
{

namespace
{

const Poco::Int64 MICROSECONDS_PER_SECOND = 1000000;

void appendPair(std::string& text, const char* name, Poco::UInt64 interval, Poco::UInt64 total)
{
    text.append(name).append(" ").append(std::to_string(interval)).append("/").append(std::to_string(total));
}

void appendFamily(std::string& text, const char* name, const char* type, const char* help)
{
    text.append("# HELP ").append(name).append(" ").append(help).append("\n");
    text.append("# TYPE ").append(name).append(" ").append(type).append("\n");
}

void appendSample(std::string& text, const char* series, const std::string& value)
{
    text.append(series).append(" ").append(value).append("\n");
}

std::string integerValue(Poco::UInt64 value)
{
    return std::to_string(value);
}

// Split in whole seconds and microseconds: a division in floating point
// could be off in the last digit.
std::string secondsValue(Poco::Int64 microseconds)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%lld.%06lld",
                  static_cast<long long>(microseconds / MICROSECONDS_PER_SECOND),
                  static_cast<long long>(microseconds % MICROSECONDS_PER_SECOND));
    return text;
}

} // namespace

std::string statisticsMessage(const CounterValues& interval, const CounterValues& total)
{
    std::string message = " INFO: statistics: ";
    appendPair(message, "received", interval.received(), total.received());
    appendPair(message.append(", "), "crc_ok", interval.crcOk, total.crcOk);
    appendPair(message.append(", "), "crc_bad", interval.crcBad, total.crcBad);
    appendPair(message.append(", "), "no_crc", interval.noCrc, total.noCrc);
    appendPair(message.append(", "), "forwarded", interval.forwarded, total.forwarded);
    appendPair(message.append(", "), "dropped", interval.dropped, total.dropped);
    appendPair(message.append(", "), "connects", interval.connects, total.connects);
    appendPair(message.append(", "), "send_failures", interval.sendFailures, total.sendFailures);
    return message;
}

std::string metricsText(const CounterValues& total, Poco::Int64 lastPacketTime, Poco::Int64 startTime)
{
    std::string text;
    appendFamily(text, "lorawanserver_packets_received_total", "counter",
                 "Packets received from the concentrator, by CRC status.");
    appendSample(text, "lorawanserver_packets_received_total{crc=\"ok\"}", integerValue(total.crcOk));
    appendSample(text, "lorawanserver_packets_received_total{crc=\"bad\"}", integerValue(total.crcBad));
    appendSample(text, "lorawanserver_packets_received_total{crc=\"none\"}", integerValue(total.noCrc));

    appendFamily(text, "lorawanserver_frames_forwarded_total", "counter", "Frames sent to the consumer.");
    appendSample(text, "lorawanserver_frames_forwarded_total", integerValue(total.forwarded));

    appendFamily(text, "lorawanserver_packets_dropped_total", "counter",
                 "Packets given up after the second failed forwarding attempt.");
    appendSample(text, "lorawanserver_packets_dropped_total", integerValue(total.dropped));

    appendFamily(text, "lorawanserver_consumer_connects_total", "counter",
                 "Connections made to the consumer.");
    appendSample(text, "lorawanserver_consumer_connects_total", integerValue(total.connects));

    appendFamily(text, "lorawanserver_send_failures_total", "counter", "Failed forwarding attempts.");
    appendSample(text, "lorawanserver_send_failures_total", integerValue(total.sendFailures));

    appendFamily(text, "lorawanserver_concentrator_probes_total", "counter",
                 "Probes of an idle concentrator, by result.");
    appendSample(text, "lorawanserver_concentrator_probes_total{result=\"ok\"}",
                 integerValue(total.probesOk));
    appendSample(text, "lorawanserver_concentrator_probes_total{result=\"failed\"}",
                 integerValue(total.probesFailed));

    appendFamily(text, "lorawanserver_last_packet_timestamp_seconds", "gauge",
                 "When the last packet was received, in seconds since the Unix epoch (0: none yet).");
    appendSample(text, "lorawanserver_last_packet_timestamp_seconds", secondsValue(lastPacketTime));

    appendFamily(text, "lorawanserver_start_time_seconds", "gauge",
                 "When the service started, in seconds since the Unix epoch.");
    appendSample(text, "lorawanserver_start_time_seconds", secondsValue(startTime));
    return text;
}

} // namespace LoRaWANServer
