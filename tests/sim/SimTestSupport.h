//
// SimTestSupport.h
//
// Helpers shared by the simulated concentrator's tests: a typical EU868
// configuration, packet records and a fixture with a scenario folder.
//

#ifndef SimTests_SimTestSupport_INCLUDED
#define SimTests_SimTestSupport_INCLUDED

#include "TestSupport.h"
#include "sim/SimControl.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace SimTests
{

// A gateway as deployed in EU868: radio 0 at 867.5 MHz, radio 1 at 868.5 MHz,
// the eight multi-SF channels 867.1 to 868.5 MHz, the LoRa standard channel
// on 868.3 MHz (250 kHz, SF7) and the FSK channel on 868.8 MHz (50 kbit/s).
const std::uint32_t RADIO_0_HZ = 867500000;
const std::uint32_t RADIO_1_HZ = 868500000;
const std::int32_t MULTI_SF_IF_HZ[LGW_MULTI_NB] = {-400000, -200000, 0, -400000, -200000, 0, 200000, 400000};
const std::uint8_t MULTI_SF_RADIO[LGW_MULTI_NB] = {1, 1, 1, 0, 0, 0, 0, 0};
const unsigned LORA_STD_CHAIN = 8;
const unsigned FSK_CHAIN = 9;
const std::int32_t LORA_STD_IF_HZ = -200000;
const std::int32_t FSK_IF_HZ = 300000;
const std::uint32_t FSK_DATARATE = 50000;

lgw_conf_rxrf_s radio(bool enable, std::uint32_t freqHz);
/// Returns an SX1257 radio record, as the service hands one over.

lgw_conf_rxif_s channel(bool enable, std::uint8_t rfChain, std::int32_t ifHz, std::uint8_t bandwidth = 0,
                        std::uint32_t datarate = 0);
/// Returns an IF chain record.

void connectAndConfigure(bool startToo = true);
/// Connects and hands over the EU868 configuration above (asserting that
/// each call succeeds), then starts the concentrator when asked.

lgw_pkt_rx_s packet(std::uint32_t freqHz, std::uint16_t size, std::uint8_t fill);
/// Returns a packet record whose payload holds size bytes of fill.

int receive(std::vector<lgw_pkt_rx_s>& packets, std::uint8_t maxPackets = LGW_PKT_FIFO_SIZE);
/// Calls lgw_receive into a fresh array of maxPackets records and returns its
/// result; packets holds the records it filled (max_pkt at most).

std::uint64_t monotonicMicros();
/// Returns CLOCK_MONOTONIC in microseconds, as the concentrator counts.

class SimTest : public ::testing::Test
/// A test that begins with the simulated concentrator in controlled mode,
/// at power-on, with a folder of its own for scenario and record files.
{
protected:
    void SetUp() override { LoRaSim::reset(); }
    void TearDown() override { LoRaSim::reset(); }

    std::string writeScenario(const std::string& json) const;
    /// Writes json as the folder's scenario file and returns its path.

    void loadScenario(const std::string& json) const;
    /// Writes json as the scenario file and loads it; throws
    /// std::runtime_error when the simulated concentrator refuses it.

    TestSupport::TempDir _dir;
};

} // namespace SimTests

#endif // SimTests_SimTestSupport_INCLUDED
