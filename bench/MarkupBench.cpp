//
// MarkupBench.cpp
//
// The cost of the per-packet markup writer: constructing a plain JSON writer
// over a fresh string stream, and writing one upstream packet document with it.
// The value texts are prepared once, outside the timed loop; what is timed is
// the writer alone (stream construction and its string included).
//

#include "markup/MarkupFactoryJSON.h"

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>
#include <vector>

namespace
{

using Zel::BACnet::WS::MarkupFactory;
using Zel::BACnet::WS::MarkupFactoryJSON;

struct Member
{
    MarkupFactory::BaseType baseType;
    std::string name;
    std::string value;
    bool closeImmediately;
};

// The 19 elements of a LoRa packet as the worker writes them; the payload is
// a typical 23-byte LoRaWAN uplink in hexadecimal text.
const std::vector<Member>& upstreamPacket()
{
    static const std::vector<Member> members = {
        {MarkupFactory::BT_SEQUENCE, "", "", false},
        {MarkupFactory::BT_STRING, "type", "message_upstream", true},
        {MarkupFactory::BT_SEQUENCE, "data", "", false},
        {MarkupFactory::BT_UNSIGNED, "freq_hz", "868100000", true},
        {MarkupFactory::BT_UNSIGNED, "if_chain", "0", true},
        {MarkupFactory::BT_UNSIGNED, "status", "16", true},
        {MarkupFactory::BT_UNSIGNED, "count_us", "2208947364", true},
        {MarkupFactory::BT_UNSIGNED, "rf_chain", "0", true},
        {MarkupFactory::BT_UNSIGNED, "modulation", "16", true},
        {MarkupFactory::BT_UNSIGNED, "bandwidth", "3", true},
        {MarkupFactory::BT_UNSIGNED, "datarate", "2", true},
        {MarkupFactory::BT_UNSIGNED, "coderate", "1", true},
        {MarkupFactory::BT_REAL, "rssi", "-57", true},
        {MarkupFactory::BT_REAL, "snr", "9.5", true},
        {MarkupFactory::BT_REAL, "snr_min", "7.25", true},
        {MarkupFactory::BT_REAL, "snr_max", "11.75", true},
        {MarkupFactory::BT_UNSIGNED, "crc", "4660", true},
        {MarkupFactory::BT_UNSIGNED, "size", "23", true},
        {MarkupFactory::BT_OCTET_STRING, "payload", "40785634120080010002A4F9D3B1C0E1F2A3B4C5D6E7F8", true}};
    return members;
}

void writeDocument(MarkupFactory& writer, const std::vector<Member>& members)
{
    const std::string none;
    for (const Member& m : members)
        writer.markup(m.baseType, m.name, m.value, m.closeImmediately, false, Zel::BACnet::BACNET_DT_NULL,
                      false, none, 0, none, none, none, false, none, none, none, none, none, none, false);
    writer.closeAllOpenMarkups();
}

void BM_PlainWriterConstruct(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::ostringstream out;
        MarkupFactoryJSON writer(out, false, false);
        benchmark::DoNotOptimize(&writer);
    }
}
BENCHMARK(BM_PlainWriterConstruct);

void BM_PlainWriterDocument(benchmark::State& state)
{
    const std::vector<Member>& members = upstreamPacket();
    std::size_t bytes = 0;
    for (auto _ : state)
    {
        std::ostringstream out;
        MarkupFactoryJSON writer(out, false, false);
        writeDocument(writer, members);
        bytes += out.str().size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_PlainWriterDocument);

} // namespace

BENCHMARK_MAIN();
