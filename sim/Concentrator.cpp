//
// Concentrator.cpp
//
// Implementation of the Concentrator class.
//

#include "sim/Concentrator.h"

#include "hal/ChannelRules.h"
#include "sim/MonotonicClock.h"
#include "sim/ScenarioReader.h"
#include "sim/SimConstants.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace LoRaSim
{

namespace
{

// The garbage the hardware leaves beyond a payload: never zero, so that a
// reader that strays past size notices.
const std::uint64_t GARBAGE_SEED = 0x600DF00DULL;
const std::uint64_t NONZERO_BYTES = 0x0101010101010101;
const std::uint32_t FREQUENCY_LIMIT_HZ = UINT32_MAX;
const unsigned FSK_CHAIN = LGW_IF_CHAIN_NB - 1;
const std::uint64_t MICROS_PER_MILLI = 1000;

// Like the HAL, the simulation tells about refused calls on standard output.
void report(const std::string& message)
{
    std::printf("ERROR: %s\n", message.c_str());
    std::fflush(stdout);
}

} // namespace

Concentrator& Concentrator::instance()
{
    // Deliberately leaked: see the declaration.
    static Concentrator* const pInstance = new Concentrator();
    return *pInstance;
}

Concentrator::Concentrator()
    : _generation(0), _controlled(false), _state{}, _startMicros(0), _receiveCalls(0), _lostPackets(0),
      _garbage(GARBAGE_SEED)
{
}

int Concentrator::connect(const char* comPath)
{
    Lock lock(_mutex);
    RecordLine line("lgw_connect");
    line.text("com_path", comPath);
    if (stalled())
        return hang(lock, line);
    if (unplugged())
        return refuse(line, "lgw_connect: the concentrator is gone");
    if (!_controlled)
    {
        try
        {
            readStartupScenario();
        }
        catch (const std::exception& error)
        {
            std::fprintf(stderr, "ERROR: simulated concentrator: %s\n", error.what());
            std::fflush(stderr);
            return LGW_REG_ERROR;
        }
    }
    const int result = _scenario.connectResult;
    if (result == LGW_REG_ERROR)
        return refuse(line, "lgw_connect fails as the scenario says");
    dropLink();
    _state.connected = true;
    return finish(line, result);
}

int Concentrator::disconnect()
{
    Lock lock(_mutex);
    RecordLine line("lgw_disconnect");
    if (stalled() || unplugged())
        return hang(lock, line);
    if (!_state.connected)
        return refuse(line, "lgw_disconnect: the concentrator is not connected");
    dropLink();
    return finish(line, LGW_REG_SUCCESS);
}

int Concentrator::setBoard(const lgw_conf_board_s& conf)
{
    Lock lock(_mutex);
    RecordLine line("lgw_board_setconf");
    line.flag("lorawan_public", conf.lorawan_public).number("clksrc", conf.clksrc);
    if (stalled())
        return hang(lock, line);
    std::string refusal = configurationRefusal();
    if (refusal.empty() && _scenario.refuseBoard)
        refusal = "the board configuration is refused as the scenario says";
    if (!refusal.empty())
        return refuse(line, "lgw_board_setconf: " + refusal);
    _state.boardSet = true;
    _state.board = conf;
    return finish(line, LGW_HAL_SUCCESS);
}

int Concentrator::setRadio(std::uint8_t rfChain, const lgw_conf_rxrf_s& conf)
{
    Lock lock(_mutex);
    RecordLine line("lgw_rxrf_setconf");
    line.number("rf_chain", rfChain)
        .flag("enable", conf.enable)
        .number("freq_hz", conf.freq_hz)
        .real("rssi_offset", conf.rssi_offset)
        .number("type", conf.type)
        .flag("tx_enable", conf.tx_enable);
    if (stalled())
        return hang(lock, line);
    std::string refusal = configurationRefusal();
    if (refusal.empty() && _scenario.refuseRxrf.count(rfChain) != 0)
        refusal = "RF chain " + std::to_string(rfChain) + " is refused as the scenario says";
    if (refusal.empty())
        refusal = LoRaHal::ChannelRules::checkRadio(rfChain, conf);
    if (!refusal.empty())
        return refuse(line, "lgw_rxrf_setconf: " + refusal);
    _state.rxrfSet[rfChain] = true;
    _state.rxrf[rfChain] = conf;
    return finish(line, LGW_HAL_SUCCESS);
}

int Concentrator::setChannel(std::uint8_t ifChain, const lgw_conf_rxif_s& conf)
{
    Lock lock(_mutex);
    RecordLine line("lgw_rxif_setconf");
    line.number("if_chain", ifChain)
        .flag("enable", conf.enable)
        .number("rf_chain", conf.rf_chain)
        .number("freq_hz", conf.freq_hz)
        .number("bandwidth", conf.bandwidth)
        .number("datarate", conf.datarate);
    if (stalled())
        return hang(lock, line);
    lgw_conf_rxif_s completed = conf;
    std::string refusal = configurationRefusal();
    if (refusal.empty() && _scenario.refuseRxif.count(ifChain) != 0)
        refusal = "IF chain " + std::to_string(ifChain) + " is refused as the scenario says";
    if (refusal.empty())
        refusal = LoRaHal::ChannelRules::completeChannel(ifChain, completed);
    if (!refusal.empty())
        return refuse(line, "lgw_rxif_setconf: " + refusal);
    _state.rxifSet[ifChain] = true;
    _state.rxif[ifChain] = completed;
    return finish(line, LGW_HAL_SUCCESS);
}

int Concentrator::start()
{
    Lock lock(_mutex);
    RecordLine line("lgw_start");
    if (stalled())
        return hang(lock, line);
    if (!_state.connected)
        return refuse(line, "lgw_start: the concentrator is not connected");
    if (unplugged())
        return refuse(line, "lgw_start: the concentrator is gone");
    const int result = _scenario.startResult;
    if (result == LGW_HAL_ERROR)
        return refuse(line, "lgw_start fails as the scenario says");
    _state.started = true;
    _startMicros = MonotonicClock::nowMicros();
    if (_pGenerator)
        _pGenerator->start(receiveChannels(), _startMicros);
    return finish(line, result);
}

int Concentrator::stop()
{
    Lock lock(_mutex);
    RecordLine line("lgw_stop");
    // Gone, the concentrator never answers the soft reset lgw_stop begins with.
    if (stalled() || unplugged())
        return hang(lock, line);
    const int result = _scenario.stopResult;
    if (result == LGW_HAL_ERROR)
        return refuse(line, "lgw_stop fails as the scenario says");
    dropLink();
    return finish(line, result);
}

int Concentrator::receive(std::uint8_t maxPackets, lgw_pkt_rx_s* pPackets)
{
    std::uint64_t callNumber = 0;
    ReceiveHook hook;
    {
        Lock lock(_mutex);
        callNumber = ++_receiveCalls;
        hook = _receiveHook;
    }
    if (hook)
        hook(static_cast<unsigned>(callNumber));

    Lock lock(_mutex);
    RecordLine line("lgw_receive");
    if (stalled())
        return hang(lock, line);
    const int result = fetch(callNumber, maxPackets, pPackets);
    if (result != 0)
        return finish(line, result);
    _recorder.writeEmptyReceive(line.timeMicros());
    return result;
}

int Concentrator::triggerCount(std::uint32_t* pCount)
{
    Lock lock(_mutex);
    RecordLine line("lgw_get_trigcnt");
    if (stalled())
        return hang(lock, line);
    if (pCount == nullptr)
        return refuse(line, "lgw_get_trigcnt: no place for the counter");
    if (!_state.connected)
        return refuse(line, "lgw_get_trigcnt: the concentrator is not connected");
    if (unplugged())
        return refuse(line, "lgw_get_trigcnt: the concentrator is gone");
    *pCount = LATCHED_TRIGGER_COUNT;
    return finish(line, LGW_HAL_SUCCESS);
}

void Concentrator::reset(bool controlled)
{
    ReceiveHook oldHook;
    Lock lock(_mutex);
    _controlled = controlled;
    _scenario = Scenario();
    _batches.clear();
    _pGenerator.reset();
    _recorder.closeFile();
    _recorder.clearLines();
    _recorder.keepLines(controlled);
    _state = State{};
    _startMicros = 0;
    _receiveCalls = 0;
    _lostPackets = 0;
    // Calls blocked by a stall or an unplug return now.
    ++_generation;
    _released.notify_all();
    // The old hook is destroyed after the lock is released: what it holds may
    // call back.
    oldHook.swap(_receiveHook);
}

void Concentrator::loadScenario(const std::string& path)
{
    const Scenario scenario = ScenarioReader::readFile(path);
    Lock lock(_mutex);
    applyScenario(scenario);
}

void Concentrator::setConnectResult(int result)
{
    Lock lock(_mutex);
    _scenario.connectResult = result;
}

void Concentrator::setStartResult(int result)
{
    Lock lock(_mutex);
    _scenario.startResult = result;
}

void Concentrator::setStopResult(int result)
{
    Lock lock(_mutex);
    _scenario.stopResult = result;
}

void Concentrator::refuseBoard(bool refuse)
{
    Lock lock(_mutex);
    _scenario.refuseBoard = refuse;
}

void Concentrator::refuseRadio(unsigned rfChain)
{
    Lock lock(_mutex);
    _scenario.refuseRxrf.insert(rfChain);
}

void Concentrator::refuseChannel(unsigned ifChain)
{
    Lock lock(_mutex);
    _scenario.refuseRxif.insert(ifChain);
}

void Concentrator::failReceiveAfter(unsigned calls)
{
    Lock lock(_mutex);
    _scenario.receiveErrorAfter = calls;
}

void Concentrator::setReceiveResult(unsigned call, int result)
{
    Lock lock(_mutex);
    _scenario.receiveResults[call] = result;
}

void Concentrator::stallAfter(unsigned ms)
{
    Lock lock(_mutex);
    _scenario.stallAfterMs = ms;
}

void Concentrator::unplugAfter(unsigned ms)
{
    Lock lock(_mutex);
    _scenario.unplugAfterMs = ms;
}

void Concentrator::queueBatch(std::optional<std::uint32_t> afterMs, const std::vector<lgw_pkt_rx_s>& packets)
{
    ScriptedBatch batch;
    batch.afterMs = afterMs;
    for (const lgw_pkt_rx_s& packet : packets)
        batch.packets.push_back(ScriptedPacket{packet, false});
    Lock lock(_mutex);
    _batches.append(batch);
}

void Concentrator::setReceiveHook(ReceiveHook hook)
{
    Lock lock(_mutex);
    hook.swap(_receiveHook);
}

unsigned Concentrator::receiveCalls()
{
    Lock lock(_mutex);
    return static_cast<unsigned>(_receiveCalls);
}

std::uint64_t Concentrator::lostPackets()
{
    Lock lock(_mutex);
    return _lostPackets;
}

std::vector<std::string> Concentrator::recordedCalls()
{
    Lock lock(_mutex);
    return _recorder.lines();
}

State Concentrator::state()
{
    Lock lock(_mutex);
    return _state;
}

void Concentrator::applyScenario(const Scenario& scenario)
{
    // The record file first: it is the one part that can fail, and a
    // scenario that fails changes nothing.
    if (scenario.recordPath.empty())
        _recorder.closeFile();
    else
        _recorder.openFile(scenario.recordPath);
    _scenario = scenario;
    _scenario.batches.clear();
    _batches.clear();
    for (const ScriptedBatch& batch : scenario.batches)
        _batches.append(batch);
    _pGenerator.reset();
    if (scenario.generator)
    {
        _pGenerator = std::make_unique<TrafficGenerator>(*scenario.generator, scenario.bufferBytes);
        if (_state.started)
            _pGenerator->start(receiveChannels(), MonotonicClock::nowMicros());
    }
    _receiveCalls = 0;
    _lostPackets = 0;
}

void Concentrator::readStartupScenario()
{
    const char* pPath = std::getenv(SCENARIO_VARIABLE);
    if (pPath == nullptr || *pPath == '\0')
        applyScenario(Scenario::defaultTraffic());
    else
        applyScenario(ScenarioReader::readFile(pPath));
}

void Concentrator::dropLink()
{
    _state = State{};
    _startMicros = 0;
    if (_pGenerator)
        _pGenerator->stop();
}

std::string Concentrator::configurationRefusal() const
{
    if (!_state.connected)
        return "the concentrator is not connected";
    if (_state.started)
        return "the concentrator is started; stop it before configuring it";
    return "";
}

std::vector<ReceiveChannel> Concentrator::receiveChannels() const
{
    std::vector<ReceiveChannel> channels;
    for (unsigned ifChain = 0; ifChain < LGW_IF_CHAIN_NB; ++ifChain)
    {
        const lgw_conf_rxif_s& channel = _state.rxif[ifChain];
        if (!_state.rxifSet[ifChain] || !channel.enable)
            continue;
        const lgw_conf_rxrf_s& radio = _state.rxrf[channel.rf_chain];
        if (!_state.rxrfSet[channel.rf_chain] || !radio.enable)
            continue;
        const std::int64_t freqHz = static_cast<std::int64_t>(radio.freq_hz) + channel.freq_hz;
        if (freqHz <= 0 || freqHz > FREQUENCY_LIMIT_HZ)
            continue;
        const std::uint8_t modulation = ifChain == FSK_CHAIN ? MOD_FSK : MOD_LORA;
        channels.push_back(ReceiveChannel{static_cast<std::uint8_t>(ifChain), channel.rf_chain,
                                          static_cast<std::uint32_t>(freqHz), modulation, channel.bandwidth,
                                          channel.datarate, radio.rssi_offset});
    }
    return channels;
}

int Concentrator::fetch(std::uint64_t callNumber, std::uint8_t maxPackets, lgw_pkt_rx_s* pPackets)
{
    if (maxPackets == 0 || maxPackets > LGW_PKT_FIFO_SIZE)
    {
        report("lgw_receive: max_pkt " + std::to_string(maxPackets) + " is not between 1 and " +
               std::to_string(LGW_PKT_FIFO_SIZE));
        return LGW_HAL_ERROR;
    }
    if (pPackets == nullptr)
    {
        report("lgw_receive: no array for the packets");
        return LGW_HAL_ERROR;
    }
    if (!_state.started)
    {
        report("lgw_receive: the concentrator is not started");
        return LGW_HAL_ERROR;
    }
    // The HAL cannot tell a dead link from a quiet radio: both give 0.
    if (unplugged())
        return 0;
    if (_scenario.receiveErrorAfter && callNumber > *_scenario.receiveErrorAfter)
    {
        report("lgw_receive fails as the scenario says");
        return LGW_HAL_ERROR;
    }
    const auto injected = _scenario.receiveResults.find(callNumber);
    if (injected == _scenario.receiveResults.end())
        return static_cast<int>(take(maxPackets, pPackets));
    const int result = injected->second;
    if (result > 0)
        take(std::min<unsigned>(maxPackets, static_cast<unsigned>(result)), pPackets);
    return result;
}

unsigned Concentrator::take(unsigned maxPackets, lgw_pkt_rx_s* pPackets)
{
    const std::uint64_t nowMicros = MonotonicClock::nowMicros();
    unsigned count = 0;
    if (!_batches.empty())
        count = _batches.take(nowMicros, _startMicros, maxPackets, pPackets);
    else if (_pGenerator)
    {
        count = _pGenerator->take(nowMicros, maxPackets, pPackets);
        recordLosses(_pGenerator->takeLosses());
    }
    for (unsigned i = 0; i < count; ++i)
        garble(pPackets[i]);
    return count;
}

void Concentrator::recordLosses(const ReceiveBuffer::Losses& losses)
{
    if (losses.count == 0)
        return;
    _lostPackets += losses.count;
    RecordLine line = RecordLine::event("overflow", losses.firstMicros);
    line.number("lost", static_cast<std::int64_t>(losses.count))
        .number("last_us", static_cast<std::int64_t>(losses.lastMicros));
    _recorder.write(line.finishEvent());
}

void Concentrator::garble(lgw_pkt_rx_s& packet)
{
    // A word of garbage at a time; the low bit set in every byte keeps each
    // byte from being zero, which a reader past the size might take for an end.
    for (std::size_t i = packet.size; i < sizeof packet.payload; i += sizeof(std::uint64_t))
    {
        const std::uint64_t bits = _garbage.next() | NONZERO_BYTES;
        std::memcpy(packet.payload + i, &bits, std::min(sizeof bits, sizeof packet.payload - i));
    }
}

bool Concentrator::isPast(const std::optional<std::uint32_t>& afterMs) const
{
    return afterMs && _startMicros != 0 &&
           MonotonicClock::nowMicros() >= _startMicros + *afterMs * MICROS_PER_MILLI;
}

bool Concentrator::stalled() const
{
    return isPast(_scenario.stallAfterMs);
}

bool Concentrator::unplugged() const
{
    return isPast(_scenario.unplugAfterMs);
}

int Concentrator::hang(Lock& lock, RecordLine& line)
{
    // Recorded on entry: the record shows the call that never returned.
    _recorder.write(line.finishHung());
    const std::uint64_t generation = _generation;
    _released.wait(lock, [&] { return _generation != generation; });
    return LGW_HAL_ERROR;
}

int Concentrator::refuse(RecordLine& line, const std::string& reason)
{
    report(reason);
    return finish(line, LGW_HAL_ERROR);
}

int Concentrator::finish(RecordLine& line, int result)
{
    _recorder.write(line.finish(result));
    return result;
}

} // namespace LoRaSim
