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
const Poco::UInt64 MICROSECONDS_PER_MILLISECOND = 1000;

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

// A bucket's bound in seconds without trailing zeros: "0.005", "1", "30".
std::string boundValue(Poco::Int64 microseconds)
{
    std::string text = secondsValue(microseconds);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text;
}

void appendPollGaps(std::string& text, const PollGaps& gaps)
{
    const char* const name = "lorawanserver_poll_gap_seconds";
    appendFamily(text, name, "histogram", "Time between two consecutive receive calls.");
    Poco::UInt64 cumulative = 0;
    for (int bucket = 0; bucket < POLL_GAP_BUCKETS; ++bucket)
    {
        cumulative += gaps.counts[bucket];
        const std::string bound = bucket < POLL_GAP_BUCKETS - 1
                                      ? boundValue(static_cast<Poco::Int64>(POLL_GAP_BOUNDS_US[bucket]))
                                      : std::string("+Inf");
        appendSample(text, (std::string(name) + "_bucket{le=\"" + bound + "\"}").c_str(),
                     integerValue(cumulative));
    }
    appendSample(text, (std::string(name) + "_sum").c_str(),
                 secondsValue(static_cast<Poco::Int64>(gaps.sumUs)));
    appendSample(text, (std::string(name) + "_count").c_str(), integerValue(cumulative));
}

void appendBacklog(std::string& text, const CounterValues& total)
{
    appendFamily(text, "lorawanserver_backlog_frames", "gauge",
                 "Frames waiting in the backlog for the consumer.");
    appendSample(text, "lorawanserver_backlog_frames", integerValue(total.backlogFrames));
    appendFamily(text, "lorawanserver_backlog_frames_max", "gauge",
                 "The most frames waiting since the start.");
    appendSample(text, "lorawanserver_backlog_frames_max", integerValue(total.backlogMax));
    appendFamily(text, "lorawanserver_frames_resent_total", "counter",
                 "Frames sent again on a new connection because the consumer had not read them whole.");
    appendSample(text, "lorawanserver_frames_resent_total", integerValue(total.resent));
    appendFamily(text, "lorawanserver_backlog_dropped_total", "counter",
                 "Frames dropped from the backlog, for lack of room or for their age.");
    appendSample(text, "lorawanserver_backlog_dropped_total{reason=\"overflow\"}",
                 integerValue(total.droppedOverflow));
    appendSample(text, "lorawanserver_backlog_dropped_total{reason=\"age\"}", integerValue(total.droppedAge));
}

} // namespace

std::string statisticsMessage(const CounterValues& interval, const CounterValues& total, bool backlog)
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
    appendPair(message.append(", "), "full_polls", interval.fullPolls, total.fullPolls);
    appendPair(message.append(", "), "poll_gap_max_ms",
               interval.pollGaps.intervalMaxUs / MICROSECONDS_PER_MILLISECOND,
               total.pollGaps.maxUs / MICROSECONDS_PER_MILLISECOND);
    if (!backlog)
        return message;
    appendPair(message.append(", "), "backlog", total.backlogFrames, total.backlogMax);
    appendPair(message.append(", "), "resent", interval.resent, total.resent);
    appendPair(message.append(", "), "dropped_overflow", interval.droppedOverflow, total.droppedOverflow);
    appendPair(message.append(", "), "dropped_age", interval.droppedAge, total.droppedAge);
    return message;
}

std::string metricsText(const CounterValues& total, Poco::Int64 lastPacketTime, Poco::Int64 startTime,
                        bool backlog)
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

    appendFamily(text, "lorawanserver_full_polls_total", "counter",
                 "Receive calls that came back full (16 packets): the concentrator may have lost packets.");
    appendSample(text, "lorawanserver_full_polls_total", integerValue(total.fullPolls));
    appendPollGaps(text, total.pollGaps);
    if (backlog)
        appendBacklog(text, total);
    return text;
}

} // namespace LoRaWANServer
