//
// WorkerThread.h
//
// Library: LoRaWANServer_Worker
// Package: Worker
// Module:  WorkerThread
//
// Definition of the WorkerThread class: the concentrator worker.
//
// Implemented in WorkerThread.cpp (construction, reportStatistics(), run(),
// the pass work() with the probe of a quiet concentrator, afterWork()),
// config/PrepareWork.cpp (prepareWork() and the two parsers, which hand the
// concentrator what config/ConfigParser makes of a file) and
// forwarding/Forwarding.cpp (the sending of a pass's packets,
// markupUpstreamPkt()); its counts are reported by
// statistics/StatisticsReporter.
//

#ifndef LoRaWANServer_WorkerThread_INCLUDED
#define LoRaWANServer_WorkerThread_INCLUDED

#include "markup/TextStream.h"
#include "utility/NotificationQueueWorker.h"
#include "worker/Concentrator.h"
#include "worker/WorkerStatus.h"
#include "worker/forwarding/ForwardingSettings.h"
#include "worker/statistics/ChannelStatistics.h"
#include "worker/statistics/StatisticsSettings.h"
#include "worker/statistics/WorkerCounters.h"

#include <Poco/AutoPtr.h>
#include <Poco/Net/StreamSocket.h>
#include <Poco/NotificationQueue.h>
#include <Poco/Types.h>

#include <memory>
#include <string>
#include <string_view>

namespace Zel
{
namespace BACnet
{
namespace WS
{
class MarkupFactory;
} // namespace WS
} // namespace BACnet
} // namespace Zel

namespace LoRaWANServer
{

class BacklogForwarding;

class WorkerThread : public Zel::Utility::NotificationQueueWorker
/// The one worker of the service. run() prepares the concentrator once, then
/// alternates one fetch-and-forward pass with a short wait on the queue until
/// a stop notification arrives, and then stops the concentrator.
///
/// Every member but _filePath is used by the worker's thread alone once run()
/// has begun.
{
public:
    static const std::string _filePath;
    /// Path of the consumer's Unix-domain stream socket.

    explicit WorkerThread(Poco::NotificationQueue* queue);
    /// Creates the worker reading queue (not owned): socket unconnected,
    /// gateway identifier 0.

    ~WorkerThread() override;

    void reportStatistics(const StatisticsSettings& settings);
    /// Sets how run() reports the counts once the concentrator has started
    /// (the statistics line, the metrics file); by default it reports
    /// nothing. Call it before the thread starts.

    void forwardWith(const ForwardingSettings& settings);
    /// Sets how the worker hands its frames to the consumer; by default on a
    /// blocking connection, pass by pass. Call it before the thread starts.

    void run() override;
    /// The thread body: prepareWork(), the loop of passes and waits, then
    /// afterWork(), the last statistics line and the final log line. Catches
    /// nothing: an exception from prepareWork() or work() ends the thread
    /// without stopping the concentrator and reaches the process-wide error
    /// handler (after the last statistics line, if the reporting had begun).
    /// In backlog mode the frames of the backlog file go first, and after the
    /// loop the worker goes on polling and delivering for at most 2 s while
    /// frames wait; what is left then, or when an exception ends the thread,
    /// goes to the backlog file.

    void prepareWork();
    /// Connects the concentrator on its serial device, chooses and parses the
    /// configuration files below the directory named by MIREL_RUN, and starts
    /// the concentrator.
    /// Throws Poco::NotFoundException when MIREL_RUN is not set,
    /// Poco::InvalidAccessException when the concentrator cannot be connected
    /// or started, and Poco::FileExistsException when no configuration file
    /// is readable. Ends the process with status 1 when a chosen file is not
    /// a JSON object.

    int parse_SX1301_configuration(const char* path);
    /// Hands the "SX1301_conf" settings of the file at path to the
    /// concentrator (board, radios 0 and 1, IF chains 0 to 9), reporting on
    /// standard error. Returns 0 when every item handed over was accepted, -1
    /// when the file has no such section or the concentrator refused an item.
    /// Ends the process with status 1 when the file is not a JSON object.

    int parse_gateway_configuration(const char* path);
    /// Sets the gateway identifier from the "gateway_conf" section of the
    /// file at path. Returns 0 when the section exists, -1 otherwise. Ends
    /// the process with status 1 when the file is not a JSON object.

    void work();
    /// One pass: fetches up to 16 received packets and sends each to the
    /// consumer as one document followed by a form feed, connecting first if
    /// needed. A failed attempt is logged and retried once on a new
    /// connection; then the pass's packets are dropped. In backlog mode the
    /// frames go into the backlog instead, and every pass delivers from it
    /// what the consumer takes without waiting. A pass that receives nothing
    /// probes the concentrator when nothing was heard from it (no packet, no
    /// probe) for 5 s.
    /// Throws Poco::InvalidAccessException when the fetch or the probe fails.

    void markupUpstreamPkt(const lgw_pkt_rx_s& packet, Zel::BACnet::WS::MarkupFactory& writer,
                           const std::string& messageType);
    /// Writes packet as one complete document of type messageType to writer.

    void afterWork();
    /// Stops the concentrator (a failure is logged) and closes the socket; in
    /// backlog mode logs the frames left and keeps them in the backlog file.

    Poco::UInt64 gatewayId() const;
    /// Returns the gateway identifier set by the configuration (0 if none).

    const Concentrator& concentrator() const;
    /// Returns the worker's way to the HAL, whose call in progress any
    /// thread may check (Concentrator::overdueCall()).

    const WorkerStatus& status() const;
    /// Returns what the worker is doing, which any thread may read.

    const WorkerCounters& counters() const;
    /// Returns the worker's counts, which any thread may read while it runs.

    const ChannelStatistics& channelStatistics() const;
    /// Returns what each channel received, which any thread may read while
    /// the worker runs.

private:
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    void probeWhenQuiet(WorkerStatus::Clock::time_point now);
    void forward(const lgw_pkt_rx_s* packets, int count);
    void forwardThroughBacklog(const lgw_pkt_rx_s* packets, int count, WorkerStatus::Clock::time_point now);
    std::string_view renderFrame(const lgw_pkt_rx_s& packet);
    void loop(Poco::AutoPtr<Poco::Notification>& pHeld);
    void deliverBeforeStop();

    WorkerCounters _counters;
    ChannelStatistics _channelStatistics;
    StatisticsSettings _statisticsSettings;
    ForwardingSettings _forwardingSettings;
    std::unique_ptr<BacklogForwarding> _pBacklog;
    /// Backlog mode's forwarding, made when the concentrator has started.
    Concentrator _concentrator;
    WorkerStatus _status;
    WorkerStatus::Clock::time_point _lastHeard;
    /// When the concentrator last gave a packet or answered a probe.
    Poco::Net::StreamSocket _socket;
    bool _connected;
    Poco::UInt64 _gatewayId;
    Zel::BACnet::WS::TextStream _frameText;
    /// Each frame's text, emptied before the next: a frame then costs neither
    /// the set-up of a stream nor a copy of its text.
    std::string _payloadText;
    /// The payload's hexadecimal text; it keeps its storage from one packet
    /// to the next.
};

inline Poco::UInt64 WorkerThread::gatewayId() const
{
    return _gatewayId;
}

inline const Concentrator& WorkerThread::concentrator() const
{
    return _concentrator;
}

inline const WorkerStatus& WorkerThread::status() const
{
    return _status;
}

inline const WorkerCounters& WorkerThread::counters() const
{
    return _counters;
}

inline const ChannelStatistics& WorkerThread::channelStatistics() const
{
    return _channelStatistics;
}

} // namespace LoRaWANServer

#endif // LoRaWANServer_WorkerThread_INCLUDED
