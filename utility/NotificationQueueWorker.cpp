//
// NotificationQueueWorker.cpp
//
// Implementation of the NotificationQueueWorker class.
//

#include "utility/NotificationQueueWorker.h"

#include "utility/Notification.h"

namespace Zel
{
namespace Utility
{

NotificationQueueWorker::NotificationQueueWorker(Poco::NotificationQueue* pQueue,
                                                 std::vector<Subscriber>* pSubscribers)
    : _pQueue(pQueue), _pSubscribers(pSubscribers)
{
}

NotificationQueueWorker::~NotificationQueueWorker() = default;

Poco::Notification* NotificationQueueWorker::waitDequeueNotification(long milliseconds)
{
    return _pQueue->waitDequeueNotification(milliseconds);
}

bool NotificationQueueWorker::handleNotification(Poco::AutoPtr<Poco::Notification> pNotification)
{
    const Notification* pRequest = dynamic_cast<const Notification*>(pNotification.get());
    if (!pRequest)
        return false;
    const bool stop = pRequest->action() == Notification::ACTION_STOP;
    if (pRequest->doneEvent())
        pRequest->doneEvent()->set();
    return stop;
}

void NotificationQueueWorker::notifySubscribers(const Poco::AutoPtr<Poco::Notification>& pNotification) const
{
    if (!_pSubscribers)
        return;
    for (const Subscriber& subscriber : *_pSubscribers)
    {
        if (subscriber.pQueue)
            subscriber.pQueue->enqueueNotification(pNotification);
    }
}

} // namespace Utility
} // namespace Zel
