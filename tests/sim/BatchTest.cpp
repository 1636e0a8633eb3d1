//
// BatchTest.cpp
//
// Scripted batches: one per receive call, split by max_pkt, held back by
// after_ms, stamped when released, with garbage beyond each payload.
//

#include "SimTestSupport.h"

#include <chrono>
#include <cstring>
#include <thread>

using namespace SimTests;

namespace
{

using Batches = SimTest;

const std::uint32_t FREQ_HZ = 868100000;
const unsigned GENEROUS_WAIT_MS = 30000;

} // namespace

TEST_F(Batches, EachCallTakesTheNextBatchWithItsFieldsEvenAcrossARestart)
{
    lgw_pkt_rx_s given = packet(FREQ_HZ, 4, 0xB1);
    given.count_us = 123456;
    given.if_chain = 7;
    given.rf_chain = 1;
    given.datarate = DR_LORA_SF12;
    given.rssi = -118.0f;
    given.snr = -17.25f;
    given.crc = 0xBEEF;
    LoRaSim::queueBatch({packet(FREQ_HZ, 1, 0xA1), packet(FREQ_HZ, 1, 0xA2)});
    LoRaSim::queueBatch({});
    LoRaSim::queueBatch({given});
    connectAndConfigure();
    std::vector<lgw_pkt_rx_s> packets;
    ASSERT_EQ(2, receive(packets));
    EXPECT_EQ(0xA1, packets[0].payload[0]);
    EXPECT_EQ(0xA2, packets[1].payload[0]);
    EXPECT_EQ(0, receive(packets));
    // Batches still queued survive a restart.
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_start());
    ASSERT_EQ(1, receive(packets));
    EXPECT_EQ(123456u, packets[0].count_us);
    EXPECT_EQ(7, packets[0].if_chain);
    EXPECT_EQ(1, packets[0].rf_chain);
    EXPECT_EQ(static_cast<std::uint32_t>(DR_LORA_SF12), packets[0].datarate);
    EXPECT_EQ(-118.0f, packets[0].rssi);
    EXPECT_EQ(-17.25f, packets[0].snr);
    EXPECT_EQ(0xBEEF, packets[0].crc);
    EXPECT_EQ(0, std::memcmp(given.payload, packets[0].payload, given.size));
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ(0, receive(packets));
}

TEST_F(Batches, BatchLargerThanMaxPacketsGoesOnInTheNextCall)
{
    std::vector<lgw_pkt_rx_s> batch;
    for (std::uint8_t i = 0; i < 20; ++i)
        batch.push_back(packet(FREQ_HZ, 1, i));
    LoRaSim::queueBatch(batch);
    LoRaSim::queueBatch({packet(FREQ_HZ, 1, 0xEE)});
    connectAndConfigure();
    std::vector<lgw_pkt_rx_s> packets;
    ASSERT_EQ(3, receive(packets, 3));
    EXPECT_EQ(2, packets[2].payload[0]);
    ASSERT_EQ(16, receive(packets));
    EXPECT_EQ(3, packets[0].payload[0]);
    ASSERT_EQ(1, receive(packets));
    EXPECT_EQ(19, packets[0].payload[0]);
    ASSERT_EQ(1, receive(packets));
    EXPECT_EQ(0xEE, packets[0].payload[0]);
}

TEST_F(Batches, PayloadBeyondSizeIsGarbageAndRecordsBeyondTheResultAreLeftAlone)
{
    LoRaSim::queueBatch({packet(FREQ_HZ, 10, 0x00), packet(FREQ_HZ, 0, 0x00)});
    connectAndConfigure();
    lgw_pkt_rx_s array[LGW_PKT_FIFO_SIZE];
    std::memset(array, 0x77, sizeof array);
    std::memset(array, 0x00, 2 * sizeof array[0]);
    ASSERT_EQ(2, lgw_receive(LGW_PKT_FIFO_SIZE, array));
    for (unsigned i = 0; i < 10; ++i)
        EXPECT_EQ(0, array[0].payload[i]);
    for (unsigned i = 10; i < sizeof array[0].payload; ++i)
        ASSERT_NE(0, array[0].payload[i]) << "byte " << i;
    for (unsigned i = 0; i < sizeof array[1].payload; ++i)
        ASSERT_NE(0, array[1].payload[i]) << "byte " << i;
    const unsigned char* pUntouched = reinterpret_cast<const unsigned char*>(&array[2]);
    for (std::size_t i = 0; i < sizeof array - 2 * sizeof array[0]; ++i)
        ASSERT_EQ(0x77, pUntouched[i]);
}

TEST_F(Batches, ScenarioPacketsMissingFieldsAreZeroSizedByPayloadAndStamped)
{
    loadScenario(R"({"batches": [[{"freq_hz": 868300000, "payload": "40AbCd", "rssi": -57.5}],
                                  [{"payload": "0102", "size": 1, "count_us": 42}]]})");
    connectAndConfigure();
    std::vector<lgw_pkt_rx_s> packets;
    const std::uint32_t before = static_cast<std::uint32_t>(monotonicMicros());
    ASSERT_EQ(1, receive(packets));
    const std::uint32_t after = static_cast<std::uint32_t>(monotonicMicros());
    EXPECT_EQ(868300000u, packets[0].freq_hz);
    EXPECT_EQ(3, packets[0].size);
    EXPECT_EQ(0x40, packets[0].payload[0]);
    EXPECT_EQ(0xAB, packets[0].payload[1]);
    EXPECT_EQ(0xCD, packets[0].payload[2]);
    EXPECT_EQ(-57.5f, packets[0].rssi);
    EXPECT_EQ(0, packets[0].if_chain);
    EXPECT_EQ(0, packets[0].status);
    EXPECT_EQ(0u, packets[0].datarate);
    EXPECT_EQ(0.0f, packets[0].snr);
    EXPECT_LE(static_cast<std::uint32_t>(packets[0].count_us - before), after - before);
    ASSERT_EQ(1, receive(packets));
    EXPECT_EQ(1, packets[0].size);
    EXPECT_EQ(42u, packets[0].count_us);
}

TEST_F(Batches, DelayedBatchWaitsForItsTimeAfterStart)
{
    const std::uint64_t afterMicros = 300 * 1000;
    loadScenario(R"({"batches": [{"after_ms": 300, "packets": [{"payload": "01"}]}, [{"payload": "02"}]]})");
    connectAndConfigure(false);
    const std::uint64_t beforeStart = monotonicMicros();
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_start());
    const std::uint64_t afterStart = monotonicMicros();
    std::vector<lgw_pkt_rx_s> packets;
    int result = 0;
    while (result == 0 && monotonicMicros() - beforeStart < GENEROUS_WAIT_MS * 1000ull)
    {
        result = receive(packets);
        if (result == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(1, result);
    EXPECT_GE(monotonicMicros() - beforeStart, afterMicros);
    EXPECT_EQ(1, packets[0].payload[0]);
    // Stamped with the moment it became due, not with the call that took it.
    const std::uint32_t earliest = static_cast<std::uint32_t>(beforeStart + afterMicros);
    EXPECT_LE(static_cast<std::uint32_t>(packets[0].count_us - earliest), afterStart - beforeStart);
    ASSERT_EQ(1, receive(packets));
    EXPECT_EQ(2, packets[0].payload[0]);
}

TEST_F(Batches, DelayedBatchFromTheControlInterface)
{
    LoRaSim::queueDelayedBatch(60 * 60 * 1000, {packet(FREQ_HZ, 1, 1)});
    connectAndConfigure();
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ(0, receive(packets));
}
