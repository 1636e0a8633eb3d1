//
// Concentrator.cpp
//
// Implementation of the Concentrator class.
//

#include "worker/Concentrator.h"

#include "worker/WorkerConstants.h"

#include <Poco/Exception.h>

#include <chrono>
#include <string>

namespace LoRaWANServer
{

namespace
{

const unsigned CALL_BITS = 4;
const long MILLIS_PER_SECOND = 1000;
const std::uint64_t CALL_MASK = (std::uint64_t(1) << CALL_BITS) - 1;

struct CallDeadline
{
    const char* function;
    long deadlineMs;
};

// Indexed by Concentrator::Call.
const CallDeadline CALL_DEADLINES[] = {
    {"", 0},
    {"lgw_connect", CONNECT_DEADLINE_MS},
    {"lgw_start", START_DEADLINE_MS},
    {"lgw_receive", RECEIVE_DEADLINE_MS},
    {"lgw_get_trigcnt", PROBE_DEADLINE_MS},
    {"lgw_stop", STOP_DEADLINE_MS},
};

std::uint64_t monotonicMillis()
{
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

} // namespace

class Concentrator::CallMark
/// Marks a call as in progress for as long as it lives.
{
public:
    CallMark(std::atomic<std::uint64_t>& mark, Call call) : _mark(mark)
    {
        _mark.store(monotonicMillis() << CALL_BITS | static_cast<std::uint64_t>(call),
                    std::memory_order_release);
    }

    ~CallMark() { _mark.store(0, std::memory_order_release); }

    CallMark(const CallMark&) = delete;
    CallMark& operator=(const CallMark&) = delete;

private:
    std::atomic<std::uint64_t>& _mark;
};

Concentrator::Concentrator(WorkerCounters& counters, ChannelStatistics& channels)
    : _callInProgress(0), _counters(counters), _channels(channels)
{
}

void Concentrator::connect(const char* device)
{
    CallMark mark(_callInProgress, Call::CONNECT);
    if (lgw_connect(device) == LGW_REG_ERROR)
        throw Poco::InvalidAccessException(std::string(CONNECT_FAILURE) + device, 0);
}

bool Concentrator::setBoard(const lgw_conf_board_s& board)
{
    return lgw_board_setconf(board) == LGW_HAL_SUCCESS;
}

bool Concentrator::setRadio(int chain, const lgw_conf_rxrf_s& radio)
{
    if (lgw_rxrf_setconf(static_cast<uint8_t>(chain), radio) != LGW_HAL_SUCCESS)
        return false;
    _channels.acceptRadio(static_cast<unsigned>(chain), radio);
    return true;
}

bool Concentrator::setChannel(int chain, const lgw_conf_rxif_s& channel)
{
    if (lgw_rxif_setconf(static_cast<uint8_t>(chain), channel) != LGW_HAL_SUCCESS)
        return false;
    _channels.acceptChannel(static_cast<unsigned>(chain), channel);
    return true;
}

void Concentrator::start()
{
    CallMark mark(_callInProgress, Call::START);
    if (lgw_start() != LGW_HAL_SUCCESS)
        throw Poco::InvalidAccessException(START_FAILURE, 0);
}

int Concentrator::receive(lgw_pkt_rx_s* packets, int capacity)
{
    CallMark mark(_callInProgress, Call::RECEIVE);
    const WorkerCounters::Clock::time_point callStart = WorkerCounters::Clock::now();
    const int received = lgw_receive(static_cast<uint8_t>(capacity), packets);
    // Only -1 is documented as failure; any other negative count is no better,
    // and a count above the array's size must never be trusted.
    if (received < 0)
        throw Poco::InvalidAccessException(RECEIVE_FAILURE, 0);
    const int count = received > capacity ? capacity : received;
    _counters.countPoll(count == capacity, callStart);
    _counters.countReceived(packets, count);
    _channels.count(packets, count);
    return count;
}

void Concentrator::probe()
{
    CallMark mark(_callInProgress, Call::PROBE);
    uint32_t triggerCount = 0;
    const bool answered = lgw_get_trigcnt(&triggerCount) == LGW_HAL_SUCCESS;
    _counters.countProbe(answered);
    if (!answered)
        throw Poco::InvalidAccessException(PROBE_FAILURE, 0);
}

bool Concentrator::stop()
{
    CallMark mark(_callInProgress, Call::STOP);
    return lgw_stop() == LGW_HAL_SUCCESS;
}

std::optional<Concentrator::OverdueCall> Concentrator::overdueCall() const
{
    const std::uint64_t mark = _callInProgress.load(std::memory_order_acquire);
    const std::uint64_t call = mark & CALL_MASK;
    if (call == static_cast<std::uint64_t>(Call::NONE))
        return std::nullopt;
    const std::uint64_t startMs = mark >> CALL_BITS;
    const std::uint64_t nowMs = monotonicMillis();
    // The mark may be newer than the clock read here.
    const long elapsedMs = nowMs > startMs ? static_cast<long>(nowMs - startMs) : 0;
    const CallDeadline& deadline = CALL_DEADLINES[call];
    if (elapsedMs < deadline.deadlineMs)
        return std::nullopt;
    return OverdueCall{deadline.function, elapsedMs / MILLIS_PER_SECOND};
}

} // namespace LoRaWANServer
