//
// TrafficGenerator.h
//
// Definition of the TrafficGenerator class: when generated uplinks reach the
// concentrator.
//

#ifndef Sim_TrafficGenerator_INCLUDED
#define Sim_TrafficGenerator_INCLUDED

#include "hal/HalApi.h"
#include "sim/GeneratorSettings.h"
#include "sim/Random.h"
#include "sim/ReceiveBuffer.h"
#include "sim/ReceiveChannel.h"
#include "sim/UplinkFactory.h"

#include <cstdint>
#include <vector>

namespace LoRaSim
{

class TrafficGenerator
/// Releases the uplinks of an UplinkFactory into the concentrator's receive
/// buffer at the generator's rate: bursts of `burst` packets with
/// exponentially distributed gaps (a Poisson process of `rate` packets a
/// second on average), each stamped with the moment it arrived. The schedule
/// is the rate's alone, whatever channels receive and whether or not anyone
/// polls: the air never holds a packet back, so at rates the channels could
/// not carry on the air packets overlap there, as a real gateway would never
/// receive them, and a packet that arrives while the buffer is full is lost
/// (see ReceiveBuffer). With rate 0 every take releases a burst. Only the
/// lossless buffer (capacity 0) holds due packets back while it is full;
/// they keep their stamps. Not thread-safe: the concentrator serialises the
/// calls.
{
public:
    TrafficGenerator(const GeneratorSettings& settings, unsigned bufferBytes);
    /// Creates the generator, seeded from the settings or, without a seed,
    /// from the clock, filling a receive buffer of bufferBytes (0: the
    /// lossless queue).

    void start(const std::vector<ReceiveChannel>& channels, std::uint64_t startMicros);
    /// (Re)starts the traffic on the channels the concentrator receives on:
    /// packets still held are lost and the schedule begins at startMicros.

    void stop();
    /// Stops the traffic: no channel, nothing held.

    unsigned take(std::uint64_t nowMicros, unsigned maxPackets, lgw_pkt_rx_s* pPackets);
    /// Releases what is due at nowMicros and copies up to maxPackets of the
    /// packets held into pPackets, oldest first. Returns their number.

    ReceiveBuffer::Losses takeLosses();
    /// Returns the packets lost since the last call because the buffer was
    /// full when they arrived; takes find them.

private:
    unsigned nextBurstSize() const;
    void releaseAtCall(std::uint64_t nowMicros);
    void releaseDue(std::uint64_t nowMicros);
    void prepareNextBurst();
    void discardPending();

    GeneratorSettings _settings;
    std::uint64_t _seed;
    UplinkFactory _factory;
    Random _timing;
    std::vector<ReceiveChannel> _channels;
    ReceiveBuffer _buffer;
    std::vector<lgw_pkt_rx_s> _pending;
    std::uint64_t _pendingMicros;
    std::uint64_t _lastReleaseMicros;
    std::uint64_t _made;
};

} // namespace LoRaSim

#endif // Sim_TrafficGenerator_INCLUDED
