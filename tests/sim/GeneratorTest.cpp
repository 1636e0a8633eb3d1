//
// GeneratorTest.cpp
//
// The traffic generator: packets consistent with the configuration, LoRaWAN
// frames, counts, seeds, CRC errors, the rate, default traffic.
//

#include "SimTestSupport.h"

#include "sim/TrafficGenerator.h"

#include <chrono>
#include <cstdlib>
#include <map>
#include <set>
#include <thread>

using namespace SimTests;

namespace
{

const std::uint8_t MHDR_UNCONFIRMED_UP = 0x40;
const std::uint8_t MHDR_CONFIRMED_UP = 0x80;
const unsigned SMALLEST_FRAME = 12;
const unsigned LARGEST_FRAME = 64;

class Generator : public SimTest
{
protected:
    void useGenerator(const std::string& settings) { loadScenario("{\"generator\": " + settings + "}"); }

    /// Bursts of 16 may not fit in the concentrator's buffer: the lossless one keeps them all.
    void useLosslessGenerator(const std::string& settings)
    {
        loadScenario("{\"buffer_bytes\": 0, \"generator\": " + settings + "}");
    }

    // Receives until a call returns nothing (rate 0 gives packets at every call
    // until the count is reached).
    std::vector<lgw_pkt_rx_s> drain()
    {
        std::vector<lgw_pkt_rx_s> all;
        std::vector<lgw_pkt_rx_s> packets;
        while (receive(packets) > 0)
            all.insert(all.end(), packets.begin(), packets.end());
        return all;
    }

    // Receives until count packets came or the generous wait is over.
    std::vector<lgw_pkt_rx_s> collect(std::size_t count)
    {
        std::vector<lgw_pkt_rx_s> all;
        std::vector<lgw_pkt_rx_s> packets;
        TestSupport::waitFor(
            [&]
            {
                if (receive(packets) > 0)
                    all.insert(all.end(), packets.begin(), packets.end());
                return all.size() >= count;
            });
        return all;
    }
};

std::uint32_t devAddr(const lgw_pkt_rx_s& packet)
{
    return packet.payload[1] | packet.payload[2] << 8 | packet.payload[3] << 16 |
           static_cast<std::uint32_t>(packet.payload[4]) << 24;
}

std::uint16_t frameCounter(const lgw_pkt_rx_s& packet)
{
    return static_cast<std::uint16_t>(packet.payload[6] | packet.payload[7] << 8);
}

// The fields a seed decides: everything but the time stamp and the garbage.
std::string content(const lgw_pkt_rx_s& packet)
{
    char fields[128];
    std::snprintf(fields, sizeof fields, "%u %u %u %u %u %u %u %u %g %g %g %g %u %u ", packet.freq_hz,
                  packet.if_chain, packet.status, packet.rf_chain, packet.modulation, packet.bandwidth,
                  packet.datarate, packet.coderate, packet.rssi, packet.snr, packet.snr_min, packet.snr_max,
                  packet.crc, packet.size);
    return fields + std::string(packet.payload, packet.payload + packet.size);
}

} // namespace

TEST_F(Generator, PacketsFollowTheConfiguration)
{
    useLosslessGenerator(R"({"rate": 0, "burst": 16, "seed": 3, "count": 3000})");
    connectAndConfigure();
    const std::vector<lgw_pkt_rx_s> packets = drain();
    ASSERT_EQ(3000u, packets.size());

    std::set<unsigned> chains;
    std::set<unsigned> spreadingFactors;
    for (const lgw_pkt_rx_s& packet : packets)
    {
        const unsigned i = packet.if_chain;
        ASSERT_LT(i, LGW_IF_CHAIN_NB);
        chains.insert(i);
        const bool multiSf = i < LGW_MULTI_NB;
        const unsigned rfChain = multiSf ? MULTI_SF_RADIO[i] : 1;
        const std::int32_t ifHz = multiSf               ? MULTI_SF_IF_HZ[i]
                                  : i == LORA_STD_CHAIN ? LORA_STD_IF_HZ
                                                        : FSK_IF_HZ;
        EXPECT_EQ(rfChain, packet.rf_chain);
        EXPECT_EQ((rfChain == 0 ? RADIO_0_HZ : RADIO_1_HZ) + ifHz, packet.freq_hz);
        EXPECT_EQ(i == FSK_CHAIN ? MOD_FSK : MOD_LORA, packet.modulation);
        EXPECT_EQ(i == LORA_STD_CHAIN ? BW_250KHZ : BW_125KHZ, packet.bandwidth);
        if (multiSf)
        {
            EXPECT_EQ(1, __builtin_popcount(packet.datarate));
            EXPECT_EQ(0u, packet.datarate & ~static_cast<std::uint32_t>(DR_LORA_MULTI));
            spreadingFactors.insert(packet.datarate);
        }
        else
        {
            EXPECT_EQ(i == LORA_STD_CHAIN ? static_cast<std::uint32_t>(DR_LORA_SF7) : FSK_DATARATE,
                      packet.datarate);
        }
        if (packet.modulation == MOD_LORA)
        {
            EXPECT_NE(CR_UNDEFINED, packet.coderate);
            EXPECT_LE(packet.snr_min, packet.snr);
            EXPECT_LE(packet.snr, packet.snr_max);
            EXPECT_GE(packet.snr, -25.0f);
            EXPECT_LE(packet.snr, 15.0f);
        }
        EXPECT_TRUE(packet.status == STAT_CRC_OK || packet.status == STAT_CRC_BAD);
        EXPECT_GE(packet.rssi, -140.0f);
        EXPECT_LE(packet.rssi, -20.0f);
        EXPECT_GE(packet.size, SMALLEST_FRAME);
        EXPECT_LE(packet.size, LARGEST_FRAME);
    }
    EXPECT_EQ(10u, chains.size());
    EXPECT_EQ(6u, spreadingFactors.size());
}

TEST_F(Generator, NoPacketOnADisabledChainOrRadioNorOfARemovedSpreadingFactor)
{
    useGenerator(R"({"rate": 0, "burst": 16, "seed": 4, "count": 1000})");
    connectAndConfigure(false);
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_rxif_setconf(4, channel(false, 0, 0)));
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_rxif_setconf(6, channel(false, 0, 0)));
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_rxif_setconf(3, channel(true, 0, 0, 0, DR_LORA_SF10 | DR_LORA_SF12)));
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_rxrf_setconf(1, radio(false, RADIO_1_HZ)));
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_start());
    std::set<unsigned> chains;
    std::set<std::uint32_t> datarates;
    for (const lgw_pkt_rx_s& packet : drain())
    {
        chains.insert(packet.if_chain);
        if (packet.if_chain == 3)
            datarates.insert(packet.datarate);
    }
    EXPECT_EQ((std::set<unsigned>{3, 5, 7}), chains);
    EXPECT_EQ((std::set<std::uint32_t>{DR_LORA_SF10, DR_LORA_SF12}), datarates);
}

TEST_F(Generator, NothingUntilAChannelOnAConfiguredRadioIsEnabledAtStart)
{
    useGenerator(R"({"rate": 0, "seed": 5})");
    ASSERT_EQ(LGW_REG_SUCCESS, lgw_connect("/dev/ttyACM0"));
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_rxrf_setconf(0, radio(true, RADIO_0_HZ)));
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_rxif_setconf(0, channel(true, 1, 0))); // its radio was never configured
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_start());
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(0, receive(packets));
    // Channels enabled after a stop need a restart.
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_stop());
    connectAndConfigure();
    EXPECT_EQ(1, receive(packets));
}

TEST_F(Generator, FramesAreLoRaWanUplinksOfAFewDozenDevices)
{
    useLosslessGenerator(R"({"rate": 0, "burst": 16, "seed": 7, "count": 2000, "crc_error_ratio": 0})");
    connectAndConfigure();
    std::map<std::uint32_t, std::uint16_t> lastCounter;
    for (const lgw_pkt_rx_s& packet : drain())
    {
        EXPECT_TRUE(packet.payload[0] == MHDR_UNCONFIRMED_UP || packet.payload[0] == MHDR_CONFIRMED_UP);
        EXPECT_EQ(0, packet.payload[5] & 0x0F) << "no FOpts";
        if (packet.size > SMALLEST_FRAME)
        {
            EXPECT_GE(packet.payload[8], 1);
            EXPECT_LE(packet.payload[8], 223);
        }
        const std::uint32_t address = devAddr(packet);
        auto last = lastCounter.find(address);
        if (last != lastCounter.end())
        {
            EXPECT_EQ(static_cast<std::uint16_t>(last->second + 1), frameCounter(packet));
        }
        lastCounter[address] = frameCounter(packet);
    }
    EXPECT_GE(lastCounter.size(), 20u);
    EXPECT_LE(lastCounter.size(), 60u);
}

TEST_F(Generator, RateZeroReleasesOneBurstPerCallUntilTheCount)
{
    useGenerator(R"({"rate": 0, "burst": 3, "count": 10})");
    connectAndConfigure();
    std::vector<lgw_pkt_rx_s> packets;
    const std::uint32_t before = static_cast<std::uint32_t>(monotonicMicros());
    EXPECT_EQ(3, receive(packets));
    const std::uint32_t after = static_cast<std::uint32_t>(monotonicMicros());
    for (const lgw_pkt_rx_s& packet : packets)
        EXPECT_LE(static_cast<std::uint32_t>(packet.count_us - before), after - before);
    EXPECT_EQ(3, receive(packets));
    EXPECT_EQ(2, receive(packets, 2));
    EXPECT_EQ(2, receive(packets)); // one left over, and the tenth
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ(0, receive(packets));
}

TEST_F(Generator, PacketsArrivingWhileTheBufferIsFullAreLostCountedAndRecorded)
{
    // 200 packets arrive within a few milliseconds while nobody polls.
    const unsigned generated = 200;
    const struct
    {
        unsigned bufferBytes;
        std::string payloadBytes;
        bool loses;
        std::size_t held; // 0: as many as the frames' sizes allow
    } cases[] = {{LoRaSim::DEFAULT_BUFFER_BYTES, "", true, 0},
                 {0, "", false, 0},
                 // 1024 bytes hold 28 frames of 20 bytes, each with its 16 bytes of metadata.
                 {LoRaSim::DEFAULT_BUFFER_BYTES, ", \"payload_bytes\": 20", true, 28}};
    int run = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.bufferBytes) + c.payloadBytes);
        LoRaSim::reset();
        const std::string recordPath = _dir.file("record-" + std::to_string(++run) + ".jsonl");
        loadScenario("{\"buffer_bytes\": " + std::to_string(c.bufferBytes) +
                     R"(, "generator": {"rate": 100000, "seed": 2, "count": )" + std::to_string(generated) +
                     c.payloadBytes + "}, \"record\": \"" + recordPath + "\"}");
        connectAndConfigure();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::vector<lgw_pkt_rx_s> received = drain();
        const std::uint64_t lost = LoRaSim::lostPackets();
        EXPECT_EQ(generated, received.size() + lost);
        const std::string record = TestSupport::readFile(recordPath);
        if (!c.loses)
        {
            EXPECT_EQ(0u, lost);
            EXPECT_EQ(std::string::npos, record.find("overflow")) << record;
            continue;
        }
        // What came out was in the buffer at once: the first call found every arrival.
        unsigned held = 0;
        for (const lgw_pkt_rx_s& packet : received)
            held += packet.size + LoRaSim::PACKET_OVERHEAD_BYTES;
        EXPECT_LE(held, c.bufferBytes);
        if (c.held != 0)
        {
            EXPECT_EQ(c.held, received.size());
            for (const lgw_pkt_rx_s& packet : received)
                EXPECT_EQ(20, packet.size);
        }
        EXPECT_NE(std::string::npos,
                  record.find(R"({"event":"overflow","lost":)" + std::to_string(lost) + ","))
            << record;
    }
}

TEST_F(Generator, SameSeedSameTrafficWhateverTheRate)
{
    auto run = [this](const std::string& settings)
    {
        LoRaSim::reset();
        useLosslessGenerator(settings);
        connectAndConfigure();
        std::vector<std::string> contents;
        for (const lgw_pkt_rx_s& packet :
             settings.find("\"rate\": 0,") != std::string::npos ? drain() : collect(20))
            contents.push_back(content(packet));
        return contents;
    };
    const std::vector<std::string> first = run(R"({"rate": 0, "burst": 16, "seed": 11, "count": 20})");
    ASSERT_EQ(20u, first.size());
    EXPECT_EQ(first, run(R"({"rate": 0, "burst": 16, "seed": 11, "count": 20})"));
    EXPECT_EQ(first, run(R"({"rate": 200, "seed": 11, "count": 20})"));
    EXPECT_NE(first, run(R"({"rate": 0, "burst": 16, "seed": 12, "count": 20})"));
}

TEST_F(Generator, CrcErrorRatioIsKept)
{
    auto badShare = [this](const std::string& ratio)
    {
        LoRaSim::reset();
        useLosslessGenerator(R"({"rate": 0, "burst": 16, "seed": 8, "count": 2000, "crc_error_ratio": )" +
                             ratio + "}");
        connectAndConfigure();
        unsigned bad = 0;
        for (const lgw_pkt_rx_s& packet : drain())
            bad += packet.status == STAT_CRC_BAD ? 1 : 0;
        return bad / 2000.0;
    };
    EXPECT_EQ(0.0, badShare("0"));
    EXPECT_EQ(1.0, badShare("1"));
    const double share = badShare("0.25");
    EXPECT_GT(share, 0.15);
    EXPECT_LT(share, 0.35);
}

TEST(GeneratorRate, IsTheRateAskedWhateverChannelsReceive)
{
    // Five seconds of simulated time polled every 3 ms, as the service polls:
    // the packets stamped within them, on all ten EU868 channels and on one
    // multi-SF channel that hears SF12 only, where the air could carry one
    // packet a second at most.
    const LoRaSim::ReceiveChannel multiSfSf12{0, 1, 867100000, MOD_LORA, BW_125KHZ, DR_LORA_SF12, -166.0f};
    const LoRaSim::ReceiveChannel fsk{FSK_CHAIN, 1, 868800000, MOD_FSK, BW_125KHZ, FSK_DATARATE, -166.0f};
    std::vector<LoRaSim::ReceiveChannel> eu868(LGW_MULTI_NB, multiSfSf12);
    for (unsigned i = 0; i < LGW_MULTI_NB; ++i)
    {
        eu868[i].ifChain = static_cast<std::uint8_t>(i);
        eu868[i].datarate = DR_LORA_MULTI;
    }
    eu868.push_back({LORA_STD_CHAIN, 1, 868300000, MOD_LORA, BW_250KHZ, DR_LORA_SF7, -166.0f});
    eu868.push_back(fsk);
    const std::uint64_t beginMicros = 1000000000000ULL;
    const std::uint64_t pollMicros = 3000;
    const std::uint64_t spanMicros = 5000000;

    for (const double rate : {200.0, 1000.0})
    {
        for (const auto& channels : {eu868, std::vector<LoRaSim::ReceiveChannel>{multiSfSf12}})
        {
            SCOPED_TRACE(std::to_string(rate) + " a second on " + std::to_string(channels.size()) +
                         " channels");
            LoRaSim::GeneratorSettings settings;
            settings.rate = rate;
            settings.seed = 21;
            LoRaSim::TrafficGenerator generator(settings, LoRaSim::DEFAULT_BUFFER_BYTES);
            generator.start(channels, beginMicros);
            lgw_pkt_rx_s fifo[LGW_PKT_FIFO_SIZE];
            std::uint64_t delivered = 0;
            std::uint32_t lastStamp = static_cast<std::uint32_t>(beginMicros);
            for (std::uint64_t now = beginMicros; now <= beginMicros + spanMicros; now += pollMicros)
            {
                const unsigned count = generator.take(now, LGW_PKT_FIFO_SIZE, fifo);
                for (unsigned i = 0; i < count; ++i)
                {
                    const std::uint32_t sinceLast = fifo[i].count_us - lastStamp;
                    ASSERT_LE(sinceLast, static_cast<std::uint32_t>(now) - lastStamp)
                        << "stamped in order, never later than released";
                    lastStamp = fifo[i].count_us;
                }
                delivered += count;
            }
            const double expected = rate * spanMicros / 1e6;
            EXPECT_GE(delivered, 0.9 * expected);
            EXPECT_LE(delivered, 1.1 * expected);
        }
    }
}

TEST(DefaultTraffic, WithoutScenarioVariableUplinksArrive)
{
    unsetenv("LORAGW_SIM");
    LoRaSim::resetToStartup();
    connectAndConfigure();
    std::vector<lgw_pkt_rx_s> packets;
    ASSERT_TRUE(TestSupport::waitFor([&] { return receive(packets) > 0; }));
    EXPECT_GE(packets[0].size, SMALLEST_FRAME);
    EXPECT_NE(0u, packets[0].freq_hz);
    LoRaSim::reset();
}
