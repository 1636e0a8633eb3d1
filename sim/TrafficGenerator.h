//
// TrafficGenerator.h
//
// Definition of the TrafficGenerator class: when generated uplinks reach the
// concentrator.
//

#ifndef Sim_TrafficGenerator_INCLUDED
#define Sim_TrafficGenerator_INCLUDED

#include "sim/GeneratorSettings.h"
#include "hal/HalApi.h"
#include "sim/Random.h"
#include "sim/ReceiveChannel.h"
#include "sim/UplinkFactory.h"

#include <cstdint>
#include <vector>

namespace LoRaSim
{

class TrafficGenerator
/// Releases the uplinks of an UplinkFactory into the concentrator's FIFO at
/// the generator's rate: bursts of `burst` packets with exponentially
/// distributed gaps (a Poisson process of `rate` packets a second on
/// average), each stamped with the moment it was released. The schedule is
/// the rate's alone, whatever channels receive: the air never holds a packet
/// back, so at rates the channels could not carry on the air packets
/// overlap there, as a real gateway would never receive them. With rate 0
/// every take releases a burst. The FIFO holds LGW_PKT_FIFO_SIZE packets: while it
/// is full, due packets wait and nothing is lost; they keep their stamps.
/// Not thread-safe: the concentrator serialises the calls.
{
public:
    explicit TrafficGenerator(const GeneratorSettings& settings);
    /// Creates the generator, seeded from the settings or, without a seed,
    /// from the clock.

    void start(const std::vector<ReceiveChannel>& channels);
    /// (Re)starts the traffic on the channels the concentrator receives on:
    /// packets still held are lost and the schedule begins at the next take.

    void stop();
    /// Stops the traffic: no channel, nothing held.

    unsigned take(std::uint64_t nowMicros, unsigned maxPackets, lgw_pkt_rx_s* pPackets);
    /// Releases what is due at nowMicros and copies up to maxPackets of the
    /// packets held into pPackets, oldest first. Returns their number.

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
    std::vector<lgw_pkt_rx_s> _fifo;
    /// A vector, not a deque: a deque of records this size allocates a
    /// block for every packet, the vector keeps its storage.
    std::vector<lgw_pkt_rx_s> _pending;
    std::uint64_t _pendingMicros;
    std::uint64_t _lastReleaseMicros;
    bool _begun;
    std::uint64_t _made;
};

} // namespace LoRaSim

#endif // Sim_TrafficGenerator_INCLUDED
