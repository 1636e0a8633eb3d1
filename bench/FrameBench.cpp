//
// FrameBench.cpp
//
// The cost of one upstream frame: the service's way (the pass's text stream
// emptied, a fresh JSON markup writer, markupUpstreamPkt(), the form feed)
// against the leanest hand-written formatter of the same bytes, on the
// example packet of the documentation and on a packet with a 255-byte
// payload; and what a pass with packets adds once (its text stream). The
// frame with the per-channel accounting of its packet beside the frame alone
// says what that accounting costs. Heap allocations per frame are counted
// through a replaced global operator new.
//
// Before anything is timed, main() checks that both ways give the same bytes
// for the two packets and for a sweep of varied ones; it fails otherwise.
//

#include "bench/AllocationCounter.h"
#include "bench/BaselineFrame.h"
#include "contract/ConsumerContract.h"
#include "markup/MarkupFactoryJSON.h"
#include "markup/TextStream.h"
#include "worker/WorkerConstants.h"
#include "worker/WorkerThread.h"
#include "worker/statistics/ChannelStatistics.h"

#include <Poco/NotificationQueue.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{

using LoRaWANBench::BaselineFrame;
using LoRaWANServer::WorkerThread;
using Zel::BACnet::WS::MarkupFactoryJSON;
using Zel::BACnet::WS::TextStream;

const std::string MESSAGE_TYPE = LoRaWANServer::ConsumerContract::MESSAGE_TYPE_UPSTREAM;
const char FRAME_END = LoRaWANServer::ConsumerContract::FRAME_END;
const unsigned LONG_PAYLOAD = 255;
const int SWEEP_PACKETS = 5000;
const unsigned PAYLOAD_CAPACITY = sizeof(lgw_pkt_rx_s::payload);

lgw_pkt_rx_s examplePacket()
{
    lgw_pkt_rx_s packet;
    std::memset(&packet, 0, sizeof(packet));
    packet.freq_hz = 868100000;
    packet.if_chain = 0;
    packet.status = STAT_CRC_OK;
    packet.count_us = 2208947364u;
    packet.rf_chain = 0;
    packet.modulation = MOD_LORA;
    packet.bandwidth = BW_125KHZ;
    packet.datarate = DR_LORA_SF7;
    packet.coderate = CR_LORA_4_5;
    packet.rssi = -57.0f;
    packet.snr = 9.5f;
    packet.snr_min = 7.25f;
    packet.snr_max = 11.75f;
    packet.crc = 4660;
    packet.size = 4;
    const unsigned char payload[] = {0x40, 0x12, 0x34, 0x56};
    std::memcpy(packet.payload, payload, sizeof(payload));
    return packet;
}

lgw_pkt_rx_s longPacket()
{
    lgw_pkt_rx_s packet = examplePacket();
    packet.size = LONG_PAYLOAD;
    for (unsigned i = 0; i < LONG_PAYLOAD; ++i)
        packet.payload[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return packet;
}

// The frames exactly as WorkerThread::work() makes them, up to the send: one
// text stream for the worker's life, emptied before each packet, and a fresh
// writer for each packet.
class ServicePass
{
public:
    template <typename Send>
    void frame(WorkerThread& worker, const lgw_pkt_rx_s& packet, Send send)
    {
        _text.rewind();
        MarkupFactoryJSON writer(_text, false, false);
        worker.markupUpstreamPkt(packet, writer, MESSAGE_TYPE);
        _text.put(FRAME_END);
        const std::string_view frame = _text.text();
        send(frame.data(), frame.size());
    }

private:
    TextStream _text;
};

std::string serviceFrameText(WorkerThread& worker, const lgw_pkt_rx_s& packet)
{
    ServicePass pass;
    std::string copy;
    pass.frame(worker, packet, [&copy](const char* pData, std::size_t size) { copy.assign(pData, size); });
    return copy;
}

// Values as the HAL reports them: quarter-dB SNRs, whole-dB RSSIs, and now and
// then any float at all.
lgw_pkt_rx_s randomPacket(std::mt19937& random)
{
    std::uniform_int_distribution<std::uint32_t> any32;
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> quarterDb(-80, 60);
    std::uniform_int_distribution<int> wholeDb(-140, 0);
    std::uniform_real_distribution<float> anyFloat(-1e7f, 1e7f);
    lgw_pkt_rx_s packet;
    std::memset(&packet, 0, sizeof(packet));
    packet.freq_hz = any32(random);
    packet.if_chain = static_cast<std::uint8_t>(byte(random));
    packet.status = static_cast<std::uint8_t>(byte(random));
    packet.count_us = any32(random);
    packet.rf_chain = static_cast<std::uint8_t>(byte(random));
    packet.modulation = static_cast<std::uint8_t>(byte(random));
    packet.bandwidth = static_cast<std::uint8_t>(byte(random));
    packet.datarate = any32(random);
    packet.coderate = static_cast<std::uint8_t>(byte(random));
    packet.rssi = static_cast<float>(wholeDb(random));
    packet.snr = quarterDb(random) / 4.0f;
    packet.snr_min = anyFloat(random) / static_cast<float>(1 + byte(random));
    packet.snr_max = anyFloat(random) * 1e-9f;
    packet.crc = static_cast<std::uint16_t>(any32(random));
    packet.size = static_cast<std::uint16_t>(any32(random) % (PAYLOAD_CAPACITY + 1));
    for (unsigned i = 0; i < packet.size; ++i)
        packet.payload[i] = static_cast<std::uint8_t>(byte(random));
    return packet;
}

bool sameFrame(WorkerThread& worker, BaselineFrame& baseline, const lgw_pkt_rx_s& packet, const char* pWhat)
{
    const std::string service = serviceFrameText(worker, packet);
    const std::string_view lean = baseline.write(packet, MESSAGE_TYPE);
    if (service == lean)
        return true;
    std::fprintf(
        stderr, "frame_bench: the baseline differs from the service on %s:\n  service:  %s\n  baseline: %s\n",
        pWhat, service.c_str(), std::string(lean).c_str());
    return false;
}

bool baselineMatchesService()
{
    Poco::NotificationQueue queue;
    WorkerThread worker(&queue);
    BaselineFrame baseline;
    bool same = sameFrame(worker, baseline, examplePacket(), "the example packet") &&
                sameFrame(worker, baseline, longPacket(), "the 255-byte packet");
    std::mt19937 random(1);
    for (int i = 0; same && i < SWEEP_PACKETS; ++i)
        same = sameFrame(worker, baseline, randomPacket(random), "a packet of the sweep");
    return same;
}

void countPerFrame(benchmark::State& state, std::uint64_t allocationsBefore, std::size_t frameBytes)
{
    state.counters["allocs"] =
        benchmark::Counter(static_cast<double>(LoRaWANBench::allocationCount() - allocationsBefore),
                           benchmark::Counter::kAvgIterations);
    state.counters["bytes"] = static_cast<double>(frameBytes);
}

// Not inlined, so that a profiler can tell the benchmarks apart.
__attribute__((noinline)) void BM_UpstreamFrame(benchmark::State& state, const lgw_pkt_rx_s& packet)
{
    Poco::NotificationQueue queue;
    WorkerThread worker(&queue);
    std::size_t frameBytes = 0;
    const auto send = [&frameBytes](const char* pData, std::size_t size)
    {
        benchmark::DoNotOptimize(pData);
        frameBytes = size;
    };
    ServicePass pass;
    const std::uint64_t allocationsBefore = LoRaWANBench::allocationCount();
    for (auto _ : state)
        pass.frame(worker, packet, send);
    countPerFrame(state, allocationsBefore, frameBytes);
}

// The frame, and its packet counted by channel as the worker's receive counts
// them: a batch of 16 at a time, before their frames.
__attribute__((noinline)) void BM_CountedFrame(benchmark::State& state, const lgw_pkt_rx_s& packet)
{
    Poco::NotificationQueue queue;
    WorkerThread worker(&queue);
    LoRaWANServer::ChannelStatistics channels;
    std::vector<lgw_pkt_rx_s> batch(LoRaWANServer::RECEIVE_BATCH, packet);
    std::size_t framesLeft = 0;
    std::size_t frameBytes = 0;
    const auto send = [&frameBytes](const char* pData, std::size_t size)
    {
        benchmark::DoNotOptimize(pData);
        frameBytes = size;
    };
    ServicePass pass;
    const std::uint64_t allocationsBefore = LoRaWANBench::allocationCount();
    for (auto _ : state)
    {
        if (framesLeft == 0)
        {
            channels.count(batch.data(), static_cast<int>(batch.size()));
            framesLeft = batch.size();
        }
        pass.frame(worker, batch[--framesLeft], send);
    }
    countPerFrame(state, allocationsBefore, frameBytes);
}

__attribute__((noinline)) void BM_BaselineFrame(benchmark::State& state, const lgw_pkt_rx_s& packet)
{
    BaselineFrame baseline;
    std::size_t frameBytes = 0;
    const std::uint64_t allocationsBefore = LoRaWANBench::allocationCount();
    for (auto _ : state)
    {
        const std::string_view frame = baseline.write(packet, MESSAGE_TYPE);
        benchmark::DoNotOptimize(frame.data());
        frameBytes = frame.size();
    }
    countPerFrame(state, allocationsBefore, frameBytes);
}

const lgw_pkt_rx_s EXAMPLE_PACKET = examplePacket();
const lgw_pkt_rx_s LONG_PACKET = longPacket();

// The fastest of the repetitions: on a shared machine the others carry the
// time that other programs took.
double fastest(const std::vector<double>& times)
{
    return *std::min_element(times.begin(), times.end());
}

BENCHMARK_CAPTURE(BM_UpstreamFrame, example, EXAMPLE_PACKET)->ComputeStatistics("min", fastest);
BENCHMARK_CAPTURE(BM_BaselineFrame, example, EXAMPLE_PACKET)->ComputeStatistics("min", fastest);
BENCHMARK_CAPTURE(BM_UpstreamFrame, payload255, LONG_PACKET)->ComputeStatistics("min", fastest);
BENCHMARK_CAPTURE(BM_CountedFrame, example, EXAMPLE_PACKET)->ComputeStatistics("min", fastest);
BENCHMARK_CAPTURE(BM_BaselineFrame, payload255, LONG_PACKET)->ComputeStatistics("min", fastest);

// Renders count frames one way (the service's, the service's with the
// per-channel accounting of each packet, or the baseline's), for instruction
// counting under callgrind (--toggle-collect='*renderFrames*'), where Google
// Benchmark's own runs would blur the count per frame.
__attribute__((noinline)) void renderFrames(const std::string& way, const lgw_pkt_rx_s& packet, long count)
{
    Poco::NotificationQueue queue;
    WorkerThread worker(&queue);
    BaselineFrame baseline;
    ServicePass pass;
    LoRaWANServer::ChannelStatistics channels;
    const auto send = [](const char* pData, std::size_t) { benchmark::DoNotOptimize(pData); };
    const bool counted = way == "counted";
    const bool service = counted || way == "service";
    for (long i = 0; i < count; ++i)
    {
        if (counted)
            channels.count(&packet, 1);
        if (service)
            pass.frame(worker, packet, send);
        else
            benchmark::DoNotOptimize(baseline.write(packet, MESSAGE_TYPE).data());
    }
}

int renderOnly(int argc, char** argv)
{
    const std::string usage =
        "usage: frame_bench --render service|counted|baseline example|payload255 COUNT\n";
    if (argc != 5)
    {
        std::fputs(usage.c_str(), stderr);
        return 2;
    }
    const std::string way = argv[2];
    const std::string packet = argv[3];
    const long count = std::atol(argv[4]);
    if ((way != "service" && way != "counted" && way != "baseline") ||
        (packet != "example" && packet != "payload255") || count <= 0)
    {
        std::fputs(usage.c_str(), stderr);
        return 2;
    }
    renderFrames(way, packet == "example" ? EXAMPLE_PACKET : LONG_PACKET, count);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--render")
        return renderOnly(argc, argv);
    if (!baselineMatchesService())
        return 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
