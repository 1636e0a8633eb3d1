//
// CounterValues.h
//
// Library: LoRaWANServer_Worker
// Package: Statistics
// Module:  CounterValues
//
// Definition of the CounterValues struct: the worker's counts at one moment.
//

#ifndef LoRaWANServer_CounterValues_INCLUDED
#define LoRaWANServer_CounterValues_INCLUDED

#include "worker/statistics/StatisticsConstants.h"

#include <Poco/Types.h>

namespace LoRaWANServer
{

struct PollGaps
/// The gaps between two consecutive receive calls, in microseconds.
{
    Poco::UInt64 counts[POLL_GAP_BUCKETS] = {};
    /// Gaps per bucket: up to POLL_GAP_BOUNDS_US[i] and above the one before;
    /// the last bucket takes those above every bound.
    Poco::UInt64 sumUs = 0;
    Poco::UInt64 maxUs = 0;
    /// The longest gap since the start.
    Poco::UInt64 intervalMaxUs = 0;
    /// The longest gap since the previous statistics line.

    Poco::UInt64 count() const
    /// Returns the number of gaps.
    {
        Poco::UInt64 all = 0;
        for (Poco::UInt64 bucket : counts)
            all += bucket;
        return all;
    }
};

struct CounterValues
/// The worker's counts read at one moment, or what they grew by between two
/// such moments.
{
    Poco::UInt64 crcOk = 0;
    /// Packets received with a good CRC.
    Poco::UInt64 crcBad = 0;
    /// Packets received with a bad CRC.
    Poco::UInt64 noCrc = 0;
    /// Packets received without a CRC (or with no CRC status at all).
    Poco::UInt64 forwarded = 0;
    /// Frames whose send succeeded.
    Poco::UInt64 dropped = 0;
    /// Packets of passes that gave up after their last attempt.
    Poco::UInt64 connects = 0;
    /// Connections made to the consumer.
    Poco::UInt64 sendFailures = 0;
    /// Failed forwarding attempts.
    Poco::UInt64 probesOk = 0;
    Poco::UInt64 probesFailed = 0;
    /// Concentrator probes that succeeded and that failed.
    Poco::UInt64 fullPolls = 0;
    /// Receive calls that came back full: the concentrator may have lost
    /// packets meanwhile.
    PollGaps pollGaps;
    Poco::UInt64 resent = 0;
    /// Backlog mode: frames sent again on a new connection because the
    /// consumer had not read them whole.
    Poco::UInt64 droppedOverflow = 0;
    Poco::UInt64 droppedAge = 0;
    /// Backlog mode: frames dropped from a full backlog, and for their age.
    Poco::UInt64 backlogFrames = 0;
    Poco::UInt64 backlogMax = 0;
    /// Backlog mode: frames waiting now, and the most since the start.

    Poco::UInt64 received() const
    /// Returns every packet received, whatever its CRC status.
    {
        return crcOk + crcBad + noCrc;
    }

    CounterValues since(const CounterValues& earlier) const
    /// Returns what each count grew by from earlier, an earlier reading of
    /// the same counters, to this one; the longest gaps and the backlog are
    /// this reading's.
    {
        CounterValues grown;
        grown.crcOk = crcOk - earlier.crcOk;
        grown.crcBad = crcBad - earlier.crcBad;
        grown.noCrc = noCrc - earlier.noCrc;
        grown.forwarded = forwarded - earlier.forwarded;
        grown.dropped = dropped - earlier.dropped;
        grown.connects = connects - earlier.connects;
        grown.sendFailures = sendFailures - earlier.sendFailures;
        grown.probesOk = probesOk - earlier.probesOk;
        grown.probesFailed = probesFailed - earlier.probesFailed;
        grown.fullPolls = fullPolls - earlier.fullPolls;
        for (int bucket = 0; bucket < POLL_GAP_BUCKETS; ++bucket)
            grown.pollGaps.counts[bucket] = pollGaps.counts[bucket] - earlier.pollGaps.counts[bucket];
        grown.pollGaps.sumUs = pollGaps.sumUs - earlier.pollGaps.sumUs;
        grown.pollGaps.maxUs = pollGaps.maxUs;
        grown.pollGaps.intervalMaxUs = pollGaps.intervalMaxUs;
        grown.resent = resent - earlier.resent;
        grown.droppedOverflow = droppedOverflow - earlier.droppedOverflow;
        grown.droppedAge = droppedAge - earlier.droppedAge;
        grown.backlogFrames = backlogFrames;
        grown.backlogMax = backlogMax;
        return grown;
    }
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_CounterValues_INCLUDED
