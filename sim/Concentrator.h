//
// Concentrator.h
//
// Definition of the Concentrator class: the simulated concentrator behind
// the HAL's functions and the control interface.
//

#ifndef Sim_Concentrator_INCLUDED
#define Sim_Concentrator_INCLUDED

#include "hal/HalApi.h"
#include "sim/BatchQueue.h"
#include "sim/CallRecorder.h"
#include "sim/Random.h"
#include "sim/ReceiveChannel.h"
#include "sim/RecordLine.h"
#include "sim/Scenario.h"
#include "sim/SimControl.h"
#include "sim/TrafficGenerator.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace LoRaSim
{

class Concentrator
/// The one simulated concentrator of the process. It follows the HAL's
/// rules: connect, configure, start, receive, stop; configuration only while
/// connected and not started; lgw_stop disconnects and forgets the
/// configuration; lgw_start while started restarts. What it receives comes
/// from the scenario's batches, then from its traffic generator. Every
/// member function takes the object's lock, so HAL calls and control calls
/// may come from different threads. lgw_get_trigcnt answers while connected
/// with the counter as the last PPS latched it; no GPS is simulated, so that
/// value never changes. A stalled or unplugged concentrator blocks calls on
/// a condition variable until reset(), never holding the lock meanwhile.
{
public:
    using ReceiveHook = std::function<void(unsigned callNumber)>;

    static Concentrator& instance();
    /// Returns the concentrator, created at first use and never destroyed,
    /// so that a HAL call on a thread that outlives static destruction still
    /// finds it.

    int connect(const char* comPath);
    int disconnect();
    int setBoard(const lgw_conf_board_s& conf);
    int setRadio(std::uint8_t rfChain, const lgw_conf_rxrf_s& conf);
    int setChannel(std::uint8_t ifChain, const lgw_conf_rxif_s& conf);
    int start();
    int stop();
    int receive(std::uint8_t maxPackets, lgw_pkt_rx_s* pPackets);
    int triggerCount(std::uint32_t* pCount);
    /// The HAL's functions of the same meaning, with the HAL's results.

    void reset(bool controlled);
    /// Returns to power-on; controlled: lgw_connect reads no scenario
    /// and record lines are kept in memory (see LoRaSim::reset()).

    void loadScenario(const std::string& path);
    void setConnectResult(int result);
    void setStartResult(int result);
    void setStopResult(int result);
    void refuseBoard(bool refuse);
    void refuseRadio(unsigned rfChain);
    void refuseChannel(unsigned ifChain);
    void failReceiveAfter(unsigned calls);
    void stallAfter(unsigned ms);
    void unplugAfter(unsigned ms);
    void setReceiveResult(unsigned call, int result);
    void queueBatch(std::optional<std::uint32_t> afterMs, const std::vector<lgw_pkt_rx_s>& packets);
    void setReceiveHook(ReceiveHook hook);
    unsigned receiveCalls();
    std::uint64_t lostPackets();
    std::vector<std::string> recordedCalls();
    State state();
    /// The control functions of sim/SimControl.h.

private:
    using Lock = std::unique_lock<std::mutex>;

    Concentrator();

    void applyScenario(const Scenario& scenario);
    void readStartupScenario();
    void dropLink();
    std::string configurationRefusal() const;
    std::vector<ReceiveChannel> receiveChannels() const;
    int fetch(std::uint64_t callNumber, std::uint8_t maxPackets, lgw_pkt_rx_s* pPackets);
    unsigned take(unsigned maxPackets, lgw_pkt_rx_s* pPackets);
    void recordLosses(const ReceiveBuffer::Losses& losses);
    void garble(lgw_pkt_rx_s& packet);
    bool isPast(const std::optional<std::uint32_t>& afterMs) const;
    bool stalled() const;
    bool unplugged() const;
    int hang(Lock& lock, RecordLine& line);
    int refuse(RecordLine& line, const std::string& reason);
    int finish(RecordLine& line, int result);

    std::mutex _mutex;
    std::condition_variable _released;
    std::uint64_t _generation;
    bool _controlled;
    Scenario _scenario;
    BatchQueue _batches;
    std::unique_ptr<TrafficGenerator> _pGenerator;
    CallRecorder _recorder;
    State _state;
    std::uint64_t _startMicros; /// 0 while not started since the last connect
    std::uint64_t _receiveCalls;
    std::uint64_t _lostPackets;
    /// Generated packets lost because the receive buffer was full.
    ReceiveHook _receiveHook;
    Random _garbage;
};

} // namespace LoRaSim

#endif // Sim_Concentrator_INCLUDED
