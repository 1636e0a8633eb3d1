//
// HalRulesTest.cpp
//
// The HAL's rules as the simulated concentrator keeps them: call order,
// refusals, defaults, receive limits, injected results and the control
// interface's own promises.
//

#include "SimTestSupport.h"

#include <atomic>
#include <thread>

using namespace SimTests;

namespace
{

class HalOrder : public SimTest
{
};

class RadioRules : public SimTest
{
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        ASSERT_EQ(LGW_REG_SUCCESS, lgw_connect("/dev/ttyACM0"));
    }
};

class ChannelRules : public RadioRules
{
protected:
    int setChannel(unsigned ifChain, std::int32_t ifHz, std::uint8_t bandwidth = 0,
                   std::uint32_t datarate = 0)
    {
        return lgw_rxif_setconf(static_cast<std::uint8_t>(ifChain),
                                channel(true, 0, ifHz, bandwidth, datarate));
    }
};

class ReceiveLimits : public SimTest
{
};

class InjectedResults : public SimTest
{
};

class ControlInterface : public SimTest
{
};

} // namespace

TEST_F(HalOrder, ConfigurationWithoutConnectionFails)
{
    EXPECT_EQ(LGW_HAL_ERROR, lgw_board_setconf(lgw_conf_board_s{true, 1}));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxrf_setconf(0, radio(true, RADIO_0_HZ)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxif_setconf(0, channel(true, 0, 0)));
    const LoRaSim::State state = LoRaSim::state();
    EXPECT_FALSE(state.boardSet);
    EXPECT_FALSE(state.rxrfSet[0]);
    EXPECT_FALSE(state.rxifSet[0]);
}

TEST_F(HalOrder, StartWithoutConnectionFails)
{
    EXPECT_EQ(LGW_HAL_ERROR, lgw_start());
    EXPECT_FALSE(LoRaSim::state().started);
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

TEST_F(HalOrder, StopSucceedsAndForgetsConnectionAndConfiguration)
{
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
}

TEST_F(HalOrder, StopWithoutConnectionSucceeds)
{
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_stop());
}

TEST_F(HalOrder, StartWhileStartedRestarts)
{
    connectAndConfigure();
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_start());
    EXPECT_TRUE(LoRaSim::state().started);
}

TEST_F(HalOrder, ConnectWhileConnectedBeginsAfresh)
{
    connectAndConfigure();
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

TEST_F(HalOrder, TriggerCounterRunsOnlyWhileStarted)
{
    std::uint32_t counter = 0;
    EXPECT_EQ(LGW_HAL_ERROR, lgw_get_trigcnt(&counter));
    connectAndConfigure();
    const std::uint32_t before = static_cast<std::uint32_t>(monotonicMicros());
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_get_trigcnt(&counter));
    EXPECT_LT(static_cast<std::uint32_t>(counter - before), 60000000u);
    EXPECT_EQ(LGW_HAL_ERROR, lgw_get_trigcnt(nullptr));
}

TEST_F(RadioRules, SupportedRadioIsAccepted)
{
    lgw_conf_rxrf_s sx1255 = radio(true, 433000000);
    sx1255.type = LGW_RADIO_TYPE_SX1255;
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_rxrf_setconf(0, sx1255));
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_rxrf_setconf(1, radio(true, RADIO_1_HZ)));
    EXPECT_EQ(LGW_RADIO_TYPE_SX1255, LoRaSim::state().rxrf[0].type);
}

TEST_F(RadioRules, ChainTwoOrAboveIsRefused)
{
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxrf_setconf(2, radio(true, RADIO_0_HZ)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxrf_setconf(255, radio(true, RADIO_0_HZ)));
}

TEST_F(RadioRules, UnsupportedTypeIsRefusedEvenWhenDisabled)
{
    lgw_conf_rxrf_s disabled{}; // as the service hands over a present but disabled radio
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxrf_setconf(0, disabled));
    lgw_conf_rxrf_s sx1272 = radio(true, RADIO_0_HZ);
    sx1272.type = LGW_RADIO_TYPE_SX1272;
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxrf_setconf(0, sx1272));
    sx1272.type = LGW_RADIO_TYPE_SX1276;
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxrf_setconf(1, sx1272));
    EXPECT_FALSE(LoRaSim::state().rxrfSet[0]);
}

TEST_F(RadioRules, DisabledSupportedRadioIsAccepted)
{
    EXPECT_EQ(LGW_HAL_SUCCESS, lgw_rxrf_setconf(1, radio(false, 0)));
    EXPECT_TRUE(LoRaSim::state().rxrfSet[1]);
}

TEST_F(ChannelRules, ChainTenOrAboveIsRefused)
{
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxif_setconf(10, channel(false, 0, 0)));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxif_setconf(200, channel(true, 0, 0)));
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

TEST_F(ChannelRules, EnabledChannelOnMissingRadioIsRefused)
{
    EXPECT_EQ(LGW_HAL_ERROR, lgw_rxif_setconf(0, channel(true, 2, 0)));
}

TEST_F(ChannelRules, ChannelMustFitInsideTheRadioBand)
{
    // The whole channel within half the radio's band: 925 kHz for channels up
    // to 125 kHz (an undefined bandwidth counts as 125 kHz), 1 MHz for 250 kHz,
    // 1.1 MHz for 500 kHz.
    EXPECT_EQ(LGW_HAL_SUCCESS, setChannel(0, 400000));
    EXPECT_EQ(LGW_HAL_SUCCESS, setChannel(1, -400000));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(2, 400001));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(3, -400001));
    EXPECT_EQ(LGW_HAL_SUCCESS, setChannel(8, 375000, BW_250KHZ, DR_LORA_SF7));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(8, -375001, BW_250KHZ, DR_LORA_SF7));
    EXPECT_EQ(LGW_HAL_SUCCESS, setChannel(8, -300000, BW_500KHZ, DR_LORA_SF8));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(8, 300001, BW_500KHZ, DR_LORA_SF8));
    EXPECT_EQ(LGW_HAL_SUCCESS, setChannel(8, 400000)); // checked as 125 kHz, then 250 kHz by default
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(0, INT32_MIN));
}

TEST_F(ChannelRules, FskChannelAtTheBandEdgeOfADeployedBoardIsAccepted)
{
    // An AS923 board's FSK channel: 400 kHz off centre, 125 kHz wide.
    EXPECT_EQ(LGW_HAL_SUCCESS, setChannel(9, 400000, BW_125KHZ, 50000));
    EXPECT_EQ(LGW_HAL_SUCCESS, setChannel(9, 450000, BW_15K6HZ, 50000));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(9, 460000, BW_15K6HZ, 50000));
}

TEST_F(ChannelRules, MultiSfChannelDefaultsAndLimits)
{
    ASSERT_EQ(LGW_HAL_SUCCESS, setChannel(0, 0));
    EXPECT_EQ(BW_125KHZ, LoRaSim::state().rxif[0].bandwidth);
    EXPECT_EQ(static_cast<std::uint32_t>(DR_LORA_MULTI), LoRaSim::state().rxif[0].datarate);
    EXPECT_EQ(LGW_HAL_SUCCESS, setChannel(7, 0, BW_125KHZ, DR_LORA_SF7 | DR_LORA_SF12));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(1, 0, BW_250KHZ));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(1, 0, BW_62K5HZ));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(1, 0, 0, 0x01));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(1, 0, 0, 0x80));
    EXPECT_FALSE(LoRaSim::state().rxifSet[1]);
}

TEST_F(ChannelRules, LoRaStandardChannelDefaultsAndLimits)
{
    ASSERT_EQ(LGW_HAL_SUCCESS, setChannel(8, 0));
    EXPECT_EQ(BW_250KHZ, LoRaSim::state().rxif[8].bandwidth);
    EXPECT_EQ(static_cast<std::uint32_t>(DR_LORA_SF9), LoRaSim::state().rxif[8].datarate);
    EXPECT_EQ(LGW_HAL_SUCCESS, setChannel(8, 0, BW_125KHZ, DR_LORA_SF12));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(8, 0, BW_62K5HZ, DR_LORA_SF7));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(8, 0, BW_250KHZ, DR_LORA_SF7 | DR_LORA_SF8));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(8, 0, BW_250KHZ, DR_LORA_MULTI));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(8, 0, BW_250KHZ, 0x80));
    EXPECT_EQ(static_cast<std::uint32_t>(DR_LORA_SF12), LoRaSim::state().rxif[8].datarate);
}

TEST_F(ChannelRules, FskChannelDefaultsAndLimits)
{
    ASSERT_EQ(LGW_HAL_SUCCESS, setChannel(9, 0));
    EXPECT_EQ(BW_250KHZ, LoRaSim::state().rxif[9].bandwidth);
    EXPECT_EQ(64000u, LoRaSim::state().rxif[9].datarate);
    EXPECT_EQ(LGW_HAL_SUCCESS, setChannel(9, 0, BW_7K8HZ, DR_FSK_MIN));
    EXPECT_EQ(LGW_HAL_SUCCESS, setChannel(9, 0, BW_500KHZ, DR_FSK_MAX));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(9, 0, 8, 50000));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(9, 0, BW_125KHZ, DR_FSK_MIN - 1));
    EXPECT_EQ(LGW_HAL_ERROR, setChannel(9, 0, BW_125KHZ, DR_FSK_MAX + 1));
}

TEST_F(ReceiveLimits, ReceiveBeforeStartFails)
{
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets));
    connectAndConfigure(false);
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets));
}

TEST_F(ReceiveLimits, MaxPacketsMustBeOneToSixteen)
{
    connectAndConfigure();
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets, 0));
    EXPECT_EQ(LGW_HAL_ERROR, lgw_receive(LGW_PKT_FIFO_SIZE + 1, nullptr));
    EXPECT_EQ(0, receive(packets, 1));
    EXPECT_EQ(0, receive(packets, LGW_PKT_FIFO_SIZE));
}

TEST_F(ReceiveLimits, ReceiveAfterStopFails)
{
    connectAndConfigure();
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_stop());
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets));
}

TEST_F(InjectedResults, FailedConnectLeavesTheConcentratorDisconnected)
{
    LoRaSim::setConnectResult(LGW_REG_ERROR);
    EXPECT_EQ(LGW_REG_ERROR, lgw_connect("/dev/ttyACM0"));
    EXPECT_FALSE(LoRaSim::state().connected);
    EXPECT_EQ(LGW_HAL_ERROR, lgw_board_setconf(lgw_conf_board_s{true, 1}));
}

TEST_F(InjectedResults, OtherConnectResultIsReturnedByAWorkingConnect)
{
    LoRaSim::setConnectResult(1);
    EXPECT_EQ(1, lgw_connect("/dev/ttyACM0"));
    EXPECT_TRUE(LoRaSim::state().connected);
}

TEST_F(InjectedResults, FailedStartLeavesTheConcentratorStopped)
{
    LoRaSim::setStartResult(LGW_HAL_ERROR);
    connectAndConfigure(false);
    EXPECT_EQ(LGW_HAL_ERROR, lgw_start());
    EXPECT_FALSE(LoRaSim::state().started);
    EXPECT_TRUE(LoRaSim::state().connected);
}

TEST_F(InjectedResults, FailedStopLeavesTheConcentratorRunning)
{
    connectAndConfigure();
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

TEST_F(InjectedResults, ReceiveFailsFromTheCallAfterTheLimit)
{
    LoRaSim::failReceiveAfter(2);
    connectAndConfigure();
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets));
    EXPECT_EQ(LGW_HAL_ERROR, receive(packets));
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

TEST_F(ControlInterface, ReceiveCallsCountsEveryCall)
{
    std::vector<lgw_pkt_rx_s> packets;
    receive(packets); // fails: not started
    connectAndConfigure();
    receive(packets, 0); // fails: bad max_pkt
    receive(packets);    // returns 0
    EXPECT_EQ(3u, LoRaSim::receiveCalls());
}

TEST_F(ControlInterface, HookRunsFirstWithTheCallNumberAndMayQueuePackets)
{
    connectAndConfigure();
    std::vector<unsigned> seen;
    LoRaSim::setReceiveHook(
        [&seen](unsigned callNumber)
        {
            seen.push_back(callNumber);
            if (callNumber == 2)
                LoRaSim::queueBatch({packet(868100000, 3, 0x11)});
        });
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ(1, receive(packets));
    EXPECT_EQ(0, receive(packets));
    EXPECT_EQ((std::vector<unsigned>{1, 2, 3}), seen);
    LoRaSim::setReceiveHook(nullptr);
    receive(packets);
    EXPECT_EQ(3u, seen.size());
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
