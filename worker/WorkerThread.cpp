//
// WorkerThread.cpp
//
// Implementation of the WorkerThread lifecycle: construction, run() and afterWork().
//

#include "worker/WorkerThread.h"

#include "contract/ConsumerContract.h"
#include "utility/LogHelper.h"
#include "worker/WorkerConstants.h"
#include "worker/statistics/StatisticsReporter.h"

#include <Poco/AutoPtr.h>

namespace LoRaWANServer
{

const std::string WorkerThread::_filePath = ConsumerContract::SOCKET_PATH;

WorkerThread::WorkerThread(Poco::NotificationQueue* queue)
    : Zel::Utility::NotificationQueueWorker(queue, nullptr), _concentrator(_counters, _channelStatistics),
      _connected(false), _gatewayId(0)
{
}

WorkerThread::~WorkerThread() = default;

void WorkerThread::reportStatistics(const StatisticsSettings& settings)
{
    _statisticsSettings = settings;
}

void WorkerThread::run()
{
    Poco::AutoPtr<Poco::Notification> pHeld;

    prepareWork();
    _lastHeard = WorkerStatus::Clock::now();
    _status.enter(WorkerStatus::RECEIVING);
    StatisticsReporter reporter(_counters, _channelStatistics, _statisticsSettings);
    for (;;)
    {
        if (pHeld.isNull())
            work();
        else if (handleNotification(pHeld))
            break;
        // The queue hands over one reference, which the AutoPtr takes.
        pHeld = waitDequeueNotification(PASS_WAIT_MS);
    }
    _status.enter(WorkerStatus::STOPPING);
    afterWork();
    reporter.stop();
    pHeld = nullptr;
    Zel::Utility::LogHelper::log(" LoRaWANServer Worker thread terminates");
}

void WorkerThread::afterWork()
{
    if (!_concentrator.stop())
        Zel::Utility::LogHelper::log(
            " WARNING: LoRaWANServer failed to stop concentrator plug-in successfully");
    _socket.close();
}

} // namespace LoRaWANServer
