//
// TrafficGenerator.cpp
//
// Implementation of the TrafficGenerator class.
//

#include "sim/TrafficGenerator.h"

#include "sim/MonotonicClock.h"

#include <algorithm>
#include <random>

namespace LoRaSim
{

namespace
{

const double MICROS_PER_SECOND = 1e6;
// Keeps a vanishing rate from overflowing the schedule: about 30 years.
const double MAX_GAP_MICROS = 1e15;
// The schedule draws from a generator of its own, so that a seed names the
// same packets whatever the rate.
const std::uint64_t TIMING_SEED_MIX = 0x5DEECE66DULL;

std::uint64_t resolveSeed(const GeneratorSettings& settings)
{
    if (settings.seed)
        return *settings.seed;
    std::random_device entropy;
    return (static_cast<std::uint64_t>(entropy()) << 32) ^ entropy() ^ MonotonicClock::nowMicros();
}

} // namespace

TrafficGenerator::TrafficGenerator(const GeneratorSettings& settings, unsigned bufferBytes)
    : _settings(settings), _seed(resolveSeed(settings)), _factory(_seed, settings),
      _timing(_seed ^ TIMING_SEED_MIX), _buffer(bufferBytes), _pendingMicros(0), _lastReleaseMicros(0),
      _made(0)
{
}

void TrafficGenerator::start(const std::vector<ReceiveChannel>& channels, std::uint64_t startMicros)
{
    stop();
    _channels = channels;
    if (_settings.rate <= 0.0 || _channels.empty())
        return;
    _lastReleaseMicros = startMicros;
    prepareNextBurst();
}

void TrafficGenerator::stop()
{
    discardPending();
    _buffer.clear();
    _channels.clear();
}

unsigned TrafficGenerator::take(std::uint64_t nowMicros, unsigned maxPackets, lgw_pkt_rx_s* pPackets)
{
    if (_channels.empty())
        return 0;
    if (_settings.rate <= 0.0)
    {
        releaseAtCall(nowMicros);
    }
    else
        releaseDue(nowMicros);
    return _buffer.take(maxPackets, pPackets);
}

ReceiveBuffer::Losses TrafficGenerator::takeLosses()
{
    return _buffer.takeLosses();
}

unsigned TrafficGenerator::nextBurstSize() const
{
    if (!_settings.count)
        return _settings.burst;
    return static_cast<unsigned>(std::min<std::uint64_t>(_settings.burst, *_settings.count - _made));
}

void TrafficGenerator::releaseAtCall(std::uint64_t nowMicros)
{
    if (_buffer.full())
        return;
    const unsigned burst = nextBurstSize();
    for (unsigned i = 0; i < burst; ++i)
    {
        lgw_pkt_rx_s packet = _factory.make(_channels);
        packet.count_us = MonotonicClock::counter(nowMicros);
        _buffer.arrive(packet, nowMicros);
    }
    _made += burst;
}

void TrafficGenerator::releaseDue(std::uint64_t nowMicros)
{
    while (!_pending.empty() && _pendingMicros <= nowMicros && !_buffer.full())
    {
        for (const lgw_pkt_rx_s& packet : _pending)
            _buffer.arrive(packet, _pendingMicros);
        prepareNextBurst();
    }
}

void TrafficGenerator::prepareNextBurst()
{
    _pending.clear();
    const unsigned burst = nextBurstSize();
    if (burst == 0)
        return;
    for (unsigned i = 0; i < burst; ++i)
        _pending.push_back(_factory.make(_channels));
    _made += burst;

    const double gapMicros =
        std::min(_timing.exponential(burst / _settings.rate) * MICROS_PER_SECOND, MAX_GAP_MICROS);
    const std::uint64_t releaseMicros = _lastReleaseMicros + static_cast<std::uint64_t>(gapMicros);
    _lastReleaseMicros = releaseMicros;
    _pendingMicros = releaseMicros;
    for (lgw_pkt_rx_s& packet : _pending)
        packet.count_us = MonotonicClock::counter(releaseMicros);
}

void TrafficGenerator::discardPending()
{
    _made -= _pending.size();
    _pending.clear();
}

} // namespace LoRaSim
