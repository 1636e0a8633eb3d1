//
// HalRulesTest.cpp
//
// The HAL's rules as the simulated concentrator keeps them: call order,
// refusals, defaults, receive limits, injected results and the control
// interface's own promises.
//

#include "SimTestSupport.h"

#include <algorithm>
#include <atomic>
#include <thread>

using namespace SimTests;

namespace
{

using HalOrder = SimTest;
using RadioRules = SimTest;
using ReceiveLimits = SimTest;
using InjectedResults = SimTest;
using ControlInterface = SimTest;

class ChannelRules : public SimTest
{
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        ASSERT_EQ(LGW_REG_SUCCESS, lgw_connect("/dev/ttyACM0"));
    }
};

struct ChannelCase
{
    unsigned ifChain;
    std::int32_t ifHz;
    std::uint8_t bandwidth;
    std::uint32_t datarate;
    int result;
};

} // namespace

TEST_F(HalOrder, ConfigurationAndStartWithoutConnectionFail)
{
    EXPECT_EQ(LGW_HAL_ERROR, lgw_board_setconf(lgw_conf_board_s{true, 1}));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxrf_setconf(0, radio(true, RADIO_0_HZ)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxif_setconf(0, channel(true, 0, 0)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_start());
    const LoRaSim::State state = LoRaSim::state();
    EXPECT_FALSE(state.boardSet);
    EXPECT_FALSE(state.rxrfSet[0]);
    EXPECT_FALSE(state.rxifSet[0]);
    EXPECT_FALSE(state.started);
}

TEST_F(HalOrder, ConfigurationWhileStartedFails)
{
    connectAndConfigure();
    EXPECT_EQ(LGW_HAL_ERROR, lgw_board_setconf(lgw_conf_board_s{false, 0}));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxrf_setconf(0, radio(false, 0)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxif_setconf(0, channel(false, 0, 0)));
    const LoRaSim::State state = LoRaSim::state();
    EXPECT_TRUE(state.board.lorawan_public);
    EXPECT_TRUE(state.rxrf[0].enable);
    EXPECT_TRUE(state.rxif[0].enable);
}

TEST_F(HalOrder, ConnectedConcentratorHoldsTheLastRecordPerChain)
{
    ASSERT_EQ(LGW_REG_SUCCESS, lgw_connect("/dev/ttyACM0"));
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_rxrf_setconf(1, radio(true, RADIO_1_HZ)));
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_rxrf_setconf(1, radio(true, RADIO_0_HZ)));
    const LoRaSim::State state = LoRaSim::state();
    EXPECT_TRUE(state.connected);
    EXPECT_FALSE(state.rxrfSet[0]);
    EXPECT_EQ(RADIO_0_HZ, state.rxrf[1].freq_hz);
}

TEST_F(HalOrder, StopSucceedsAlwaysAndForgetsConnectionAndConfiguration)
{
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_stop());
    connectAndConfigure();
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_stop());
    const LoRaSim::State state = LoRaSim::state();
    EXPECT_FALSE(state.connected);
    EXPECT_FALSE(state.started);
    EXPECT_FALSE(state.boardSet);
    EXPECT_FALSE(state.rxrfSet[0]);
    EXPECT_FALSE(state.rxifSet[FSK_CHAIN]);
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxrf_setconf(0, radio(true, RADIO_0_HZ)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_start());
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets));
}

TEST_F(HalOrder, StartWhileStartedRestartsAndConnectWhileConnectedBeginsAfresh)
{
    connectAndConfigure();
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_start());
    EXPECT_TRUE(LoRaSim::state().started);
    ASSERT_EQ(LGW_REG_SUCCESS, lgw_connect("/dev/ttyACM0"));
    const LoRaSim::State state = LoRaSim::state();
    EXPECT_TRUE(state.connected);
    EXPECT_FALSE(state.started);
    EXPECT_FALSE(state.boardSet);
}

TEST_F(HalOrder, DisconnectForgetsConfigurationAndFailsWhenNotConnected)
{
    connectAndConfigure(false);
    EXPECT_EQ(LGW_REG_SUCCESS, lgw_disconnect());
    EXPECT_FALSE(LoRaSim::state().connected);
    EXPECT_FALSE(LoRaSim::state().rxrfSet[0]);
    EXPECT_EQ(LGW_REG_ERROR, lgw_disconnect());
}

TEST_F(HalOrder, TriggerCounterAnswersWhileConnectedWithTheValueOfTheLastPps)
{
    // The MCU answers whenever the link is up, started or not; without GPS no
    // PPS latches the counter, so its value stays put.
    std::uint32_t counter = 7;
    EXPECT_EQ(LGW_HAL_ERROR, lgw_get_trigcnt(&counter));
    EXPECT_EQ(7u, counter);
    connectAndConfigure(false);
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_get_trigcnt(&counter));
    EXPECT_EQ(0u, counter);
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_start());
    counter = 7;
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_get_trigcnt(&counter));
    EXPECT_EQ(0u, counter);
    EXPECT_EQ(LGW_HAL_ERROR, lgw_get_trigcnt(nullptr));
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_stop());
    EXPECT_EQ(LGW_HAL_ERROR, lgw_get_trigcnt(&counter));
    const std::vector<std::string> recorded = TestSupport::withoutCallTimes(LoRaSim::recordedCalls());
    EXPECT_EQ(R"({"call":"lgw_get_trigcnt","result":-1})", recorded.front());
    EXPECT_EQ(2, std::count(recorded.begin(), recorded.end(), R"({"call":"lgw_get_trigcnt","result":0})"));
}

TEST_F(RadioRules, OnlyTheTwoChainsAndTheSupportedTypesAreAccepted)
{
    struct Case
    {
        unsigned rfChain;
        bool enable;
        lgw_radio_type_e type;
        int result;
    };
    // The service hands a present but disabled radio over with type 0 (none):
    // the HAL refuses it even then.
    const Case cases[] = {
        {0, true, LGW_RADIO_TYPE_SX1255, LGW_HAL_SUCCESS},  {1, true, LGW_RADIO_TYPE_SX1257, LGW_HAL_SUCCESS},
        {1, false, LGW_RADIO_TYPE_SX1257, LGW_HAL_SUCCESS}, {2, true, LGW_RADIO_TYPE_SX1257, LGW_HAL_ERROR},
        {255, true, LGW_RADIO_TYPE_SX1257, LGW_HAL_ERROR},  {0, false, LGW_RADIO_TYPE_NONE, LGW_HAL_ERROR},
        {0, true, LGW_RADIO_TYPE_SX1272, LGW_HAL_ERROR},    {1, true, LGW_RADIO_TYPE_SX1276, LGW_HAL_ERROR},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE("chain " + std::to_string(c.rfChain) + ", type " + std::to_string(c.type));
        LoRaSim::reset();
        ASSERT_EQ(LGW_REG_SUCCESS, lgw_connect("/dev/ttyACM0"));
        lgw_conf_rxrf_s conf = radio(c.enable, RADIO_0_HZ);
        conf.type = c.type;
        EXPECT_EQ(c.result, lgw_rxrf_setconf(static_cast<std::uint8_t>(c.rfChain), conf));
        if (c.rfChain < LGW_RF_CHAIN_NB)
        {
            EXPECT_EQ(c.result == LGW_HAL_SUCCESS, LoRaSim::state().rxrfSet[c.rfChain]);
            if (c.result == LGW_HAL_SUCCESS)
            {
                EXPECT_EQ(c.type, LoRaSim::state().rxrf[c.rfChain].type);
            }
        }
    }
}

TEST_F(ChannelRules, OutOfRangeChainOrMissingRadioIsRefused)
{
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxif_setconf(10, channel(false, 0, 0)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxif_setconf(200, channel(true, 0, 0)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxif_setconf(0, channel(true, 2, 0)));
}

TEST_F(ChannelRules, DisabledChannelIsAcceptedWithoutChecksOrDefaults)
{
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_rxif_setconf(3, channel(false, 7, 5000000, 9, 1)));
    const LoRaSim::State state = LoRaSim::state();
    EXPECT_TRUE(state.rxifSet[3]);
    EXPECT_EQ(0u, state.rxif[8].bandwidth);
    EXPECT_EQ(9u, state.rxif[3].bandwidth);
    EXPECT_EQ(1u, state.rxif[3].datarate);
}

TEST_F(ChannelRules, UndefinedBandwidthAndDatarateTakeTheChainsDefaults)
{
    const struct
    {
        unsigned ifChain;
        std::uint8_t bandwidth;
        std::uint32_t datarate;
    } cases[] = {{0, BW_125KHZ, DR_LORA_MULTI},
                 {LORA_STD_CHAIN, BW_250KHZ, DR_LORA_SF9},
                 {FSK_CHAIN, BW_250KHZ, 64000}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE("chain " + std::to_string(c.ifChain));
        ASSERT_EQ(LGW_HAL_SUCCESS,
                  lgw_rxif_setconf(static_cast<std::uint8_t>(c.ifChain), channel(true, 0, 0)));
        EXPECT_EQ(c.bandwidth, LoRaSim::state().rxif[c.ifChain].bandwidth);
        EXPECT_EQ(c.datarate, LoRaSim::state().rxif[c.ifChain].datarate);
    }
}

TEST_F(ChannelRules, EnabledChannelMustFitTheRadioBandAndItsChainsLimits)
{
    // The whole channel within half the radio's band: 925 kHz for channels up
    // to 125 kHz (an undefined bandwidth counts as 125 kHz), 1 MHz for 250 kHz,
    // 1.1 MHz for 500 kHz.
    const ChannelCase cases[] = {
        {0, 400000, 0, 0, LGW_HAL_SUCCESS},
        {1, -400000, 0, 0, LGW_HAL_SUCCESS},
        {2, 400001, 0, 0, LGW_HAL_ERROR},
        {3, -400001, 0, 0, LGW_HAL_ERROR},
        {0, INT32_MIN, 0, 0, LGW_HAL_ERROR},
        {8, 375000, BW_250KHZ, DR_LORA_SF7, LGW_HAL_SUCCESS},
        {8, -375001, BW_250KHZ, DR_LORA_SF7, LGW_HAL_ERROR},
        {8, -300000, BW_500KHZ, DR_LORA_SF8, LGW_HAL_SUCCESS},
        {8, 300001, BW_500KHZ, DR_LORA_SF8, LGW_HAL_ERROR},
        {8, 400000, 0, 0, LGW_HAL_SUCCESS}, // checked as 125 kHz, then 250 kHz by default
        // An AS923 board's FSK channel: 400 kHz off centre, 125 kHz wide.
        {9, 400000, BW_125KHZ, 50000, LGW_HAL_SUCCESS},
        {9, 450000, BW_15K6HZ, 50000, LGW_HAL_SUCCESS},
        {9, 460000, BW_15K6HZ, 50000, LGW_HAL_ERROR},
        // multi-SF: 125 kHz only, any set of spreading factors
        {7, 0, BW_125KHZ, DR_LORA_SF7 | DR_LORA_SF12, LGW_HAL_SUCCESS},
        {1, 0, BW_250KHZ, 0, LGW_HAL_ERROR},
        {1, 0, BW_62K5HZ, 0, LGW_HAL_ERROR},
        {1, 0, 0, 0x01, LGW_HAL_ERROR},
        {1, 0, 0, 0x80, LGW_HAL_ERROR},
        // LoRa standard: 125 to 500 kHz, exactly one spreading factor
        {8, 0, BW_125KHZ, DR_LORA_SF12, LGW_HAL_SUCCESS},
        {8, 0, BW_62K5HZ, DR_LORA_SF7, LGW_HAL_ERROR},
        {8, 0, BW_250KHZ, DR_LORA_SF7 | DR_LORA_SF8, LGW_HAL_ERROR},
        {8, 0, BW_250KHZ, DR_LORA_MULTI, LGW_HAL_ERROR},
        {8, 0, BW_250KHZ, 0x80, LGW_HAL_ERROR},
        // FSK: any defined bandwidth, the HAL's datarate range
        {9, 0, BW_7K8HZ, DR_FSK_MIN, LGW_HAL_SUCCESS},
        {9, 0, BW_500KHZ, DR_FSK_MAX, LGW_HAL_SUCCESS},
        {9, 0, 8, 50000, LGW_HAL_ERROR},
        {9, 0, BW_125KHZ, DR_FSK_MIN - 1, LGW_HAL_ERROR},
        {9, 0, BW_125KHZ, DR_FSK_MAX + 1, LGW_HAL_ERROR},
    };
    for (const ChannelCase& c : cases)
    {
        SCOPED_TRACE("chain " + std::to_string(c.ifChain) + ", IF " + std::to_string(c.ifHz) +
                     ", bandwidth " + std::to_string(c.bandwidth) + ", datarate " +
                     std::to_string(c.datarate));
        LoRaSim::reset();
        ASSERT_EQ(LGW_REG_SUCCESS, lgw_connect("/dev/ttyACM0"));
        EXPECT_EQ(c.result, lgw_rxif_setconf(static_cast<std::uint8_t>(c.ifChain),
                                             channel(true, 0, c.ifHz, c.bandwidth, c.datarate)));
        // A refused record is not kept.
        EXPECT_EQ(c.result == LGW_HAL_SUCCESS, LoRaSim::state().rxifSet[c.ifChain]);
    }
}

TEST_F(ReceiveLimits, ReceiveNeedsAStartedConcentratorAndOneToSixteenRecords)
{
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets));
    connectAndConfigure(false);
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets));
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_start());
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets, 0));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_receive(LGW_PKT_FIFO_SIZE + 1, nullptr));
    EXPECT_EQ(0, receive(packets, 1));
    EXPECT_EQ(0, receive(packets, LGW_PKT_FIFO_SIZE));
}

TEST_F(InjectedResults, InjectedResultsAreReturnedAndFailuresLeaveTheConcentratorAsItWas)
{
    LoRaSim::setConnectResult(LGW_REG_ERROR);
    EXPECT_EQ(LGW_REG_ERROR, lgw_connect("/dev/ttyACM0"));
    EXPECT_FALSE(LoRaSim::state().connected);
    LoRaSim::setConnectResult(LGW_REG_SUCCESS);
    LoRaSim::setStartResult(LGW_HAL_ERROR);
    connectAndConfigure(false);
    EXPECT_EQ(LGW_HAL_ERROR, lgw_start());
    EXPECT_FALSE(LoRaSim::state().started);
    EXPECT_TRUE(LoRaSim::state().connected);

    LoRaSim::setStartResult(LGW_HAL_SUCCESS);
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_start());
    LoRaSim::setReceiveResult(1, -7);
    LoRaSim::setReceiveResult(3, 5);
    LoRaSim::failReceiveAfter(2);
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(-7, receive(packets));
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets)); // the HAL's own failure comes first
    LoRaSim::setStopResult(LGW_HAL_ERROR);
    EXPECT_EQ(LGW_HAL_ERROR, lgw_stop());
    EXPECT_TRUE(LoRaSim::state().started);
}

TEST_F(InjectedResults, RefusedChainsFailWhateverTheyHandOver)
{
    LoRaSim::refuseBoard(true);
    LoRaSim::refuseRxrf(1);
    LoRaSim::refuseRxif(3);
    LoRaSim::refuseRxif(9);
    ASSERT_EQ(LGW_REG_SUCCESS, lgw_connect("/dev/ttyACM0"));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_board_setconf(lgw_conf_board_s{true, 1}));
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_rxrf_setconf(0, radio(true, RADIO_0_HZ)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxrf_setconf(1, radio(true, RADIO_1_HZ)));
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_rxif_setconf(2, channel(true, 0, 0)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxif_setconf(3, channel(true, 0, 0)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxif_setconf(9, channel(false, 0, 0)));
    LoRaSim::refuseBoard(false);
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_board_setconf(lgw_conf_board_s{true, 1}));
}

TEST_F(ControlInterface, ResetReturnsToPowerOn)
{
    LoRaSim::setStartResult(LGW_HAL_ERROR);
    LoRaSim::queueBatch({packet(868100000, 5, 0xAA)});
    LoRaSim::setReceiveHook([](unsigned) { FAIL() << "the hook outlived reset()"; });
    connectAndConfigure(false);
    LoRaSim::reset();

    const LoRaSim::State state = LoRaSim::state();
    EXPECT_FALSE(state.connected);
    EXPECT_FALSE(state.rxrfSet[0]);
    EXPECT_EQ(0u, LoRaSim::receiveCalls());
    EXPECT_TRUE(LoRaSim::recordedCalls().empty());
    connectAndConfigure();
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(0, receive(packets));
}

TEST_F(ControlInterface, HookRunsFirstOnEveryCallWithItsNumberAndMayQueuePackets)
{
    std::vector<unsigned> seen;
    LoRaSim::setReceiveHook(
        [&seen](unsigned callNumber)
        {
            seen.push_back(callNumber);
            if (callNumber == 3)
                LoRaSim::queueBatch({packet(868100000, 3, 0x11)});
        });
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets)); // not started: counted all the same
    connectAndConfigure();
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets, 0)); // bad max_pkt: counted too
    EXPECT_EQ(1, receive(packets));
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ((std::vector<unsigned>{1, 2, 3, 4}), seen);
    EXPECT_EQ(4u, LoRaSim::receiveCalls());
    LoRaSim::setReceiveHook(nullptr);
    receive(packets);
    EXPECT_EQ(4u, seen.size());
}

TEST_F(ControlInterface, ControlFromAnotherThreadWhileReceiving)
{
    connectAndConfigure();
    const unsigned batches = 200;
    std::atomic<bool> done{false};
    std::thread feeder(
        [&]
        {
            for (unsigned i = 0; i < batches; ++i)
            {
                LoRaSim::queueBatch({packet(868100000, 4, static_cast<std::uint8_t>(i))});
                (void)LoRaSim::state();
                (void)LoRaSim::recordedCalls();
            }
            done = true;
        });
    unsigned received = 0;
    std::vector<lgw_pkt_rx_s> packets;
    while (!done || received < batches)
    {
        const int result = receive(packets);
        ASSERT_GE(result, 0);
        received += static_cast<unsigned>(result);
    }
    feeder.join();
    EXPECT_EQ(batches, received);
}
