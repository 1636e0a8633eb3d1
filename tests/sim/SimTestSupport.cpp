//
// SimTestSupport.cpp
//
// Implementation of the helpers shared by the simulated concentrator's tests.
//

#include "SimTestSupport.h"

#include <algorithm>

#include <time.h>

namespace SimTests
{

lgw_conf_rxrf_s radio(bool enable, std::uint32_t freqHz)
{
    lgw_conf_rxrf_s conf{};
    conf.enable = enable;
    conf.freq_hz = freqHz;
    conf.rssi_offset = -166.0f;
    conf.type = LGW_RADIO_TYPE_SX1257;
    return conf;
}

lgw_conf_rxif_s channel(bool enable, std::uint8_t rfChain, std::int32_t ifHz, std::uint8_t bandwidth,
                        std::uint32_t datarate)
{
    lgw_conf_rxif_s conf{};
    conf.enable = enable;
    conf.rf_chain = rfChain;
    conf.freq_hz = ifHz;
    conf.bandwidth = bandwidth;
    conf.datarate = datarate;
    return conf;
}

void connectAndConfigure(bool startToo)
{
    ASSERT_EQ(LGW_REG_SUCCESS, lgw_connect("/dev/ttyACM0"));
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_board_setconf(lgw_conf_board_s{true, 1}));
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_rxrf_setconf(0, radio(true, RADIO_0_HZ)));
    ASSERT_EQ(LGW_HAL_SUCCESS, lgw_rxrf_setconf(1, radio(true, RADIO_1_HZ)));
    for (unsigned i = 0; i < LGW_MULTI_NB; ++i)
    {
        ASSERT_EQ(LGW_HAL_SUCCESS, lgw_rxif_setconf(static_cast<std::uint8_t>(i),
                                                    channel(true, MULTI_SF_RADIO[i], MULTI_SF_IF_HZ[i])));
    }
    ASSERT_EQ(LGW_HAL_SUCCESS,
              lgw_rxif_setconf(LORA_STD_CHAIN, channel(true, 1, LORA_STD_IF_HZ, BW_250KHZ, DR_LORA_SF7)));
    ASSERT_EQ(LGW_HAL_SUCCESS,
              lgw_rxif_setconf(FSK_CHAIN, channel(true, 1, FSK_IF_HZ, BW_125KHZ, FSK_DATARATE)));
    if (startToo)
    {
        ASSERT_EQ(LGW_HAL_SUCCESS, lgw_start());
    }
}

lgw_pkt_rx_s packet(std::uint32_t freqHz, std::uint16_t size, std::uint8_t fill)
{
    lgw_pkt_rx_s record{};
    record.freq_hz = freqHz;
    record.modulation = MOD_LORA;
    record.status = STAT_CRC_OK;
    record.size = size;
    for (unsigned i = 0; i < size && i < sizeof record.payload; ++i)
        record.payload[i] = fill;
    return record;
}

int receive(std::vector<lgw_pkt_rx_s>& packets, std::uint8_t maxPackets)
{
    std::vector<lgw_pkt_rx_s> array(LGW_PKT_FIFO_SIZE);
    const int result = lgw_receive(maxPackets, array.data());
    // A result beyond max_pkt (which a scenario may inject) fills max_pkt records.
    const int filled = std::min<int>(result, std::min<int>(maxPackets, LGW_PKT_FIFO_SIZE));
    packets.assign(array.begin(), array.begin() + std::max(filled, 0));
    return result;
}

std::uint64_t monotonicMicros()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000;
}

std::string SimTest::writeScenario(const std::string& json) const
{
    const std::string path = _dir.file("scenario.json");
    TestSupport::writeFile(path, json);
    return path;
}

void SimTest::loadScenario(const std::string& json) const
{
    LoRaSim::loadScenario(writeScenario(json));
}

} // namespace SimTests
