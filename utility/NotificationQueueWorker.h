//
// NotificationQueueWorker.h
//
// Library: Zel_Utility
// Package: Notifications
// Module:  NotificationQueueWorker
//
// Definition of the NotificationQueueWorker class: the base of runnables that
// take their orders from a notification queue.
//

#ifndef Zel_Utility_NotificationQueueWorker_INCLUDED
#define Zel_Utility_NotificationQueueWorker_INCLUDED

#include <Poco/AutoPtr.h>
#include <Poco/Notification.h>
#include <Poco/NotificationQueue.h>
#include <Poco/Runnable.h>

#include <vector>

namespace Zel
{
namespace Utility
{

class NotificationQueueWorker : public Poco::Runnable
/// A runnable that reads its orders from a notification queue. Subclasses
/// implement run() as a loop around waitDequeueNotification() and
/// handleNotification().
{
public:
    struct Subscriber
    /// A queue that wants to hear about what the worker does.
    {
        Poco::NotificationQueue* pQueue;
    };

    NotificationQueueWorker(Poco::NotificationQueue* pQueue, std::vector<Subscriber>* pSubscribers);
    /// Creates a worker reading pQueue. Neither the queue nor the subscriber
    /// list (which may be null) is owned; both must outlive the worker.

    ~NotificationQueueWorker() override;

    Poco::Notification* waitDequeueNotification(long milliseconds);
    /// Waits at most milliseconds for the next notification of the queue and
    /// returns it with one reference handed to the caller, or null when none
    /// came within the wait.

    virtual bool handleNotification(Poco::AutoPtr<Poco::Notification> pNotification);
    /// Handles a dequeued notification. Returns true when the worker is to
    /// stop: for a Zel::Utility::Notification with ACTION_STOP. Sets the
    /// notification's done event, if it has one, whatever its action.

    void notifySubscribers(const Poco::AutoPtr<Poco::Notification>& pNotification) const;
    /// Enqueues pNotification on the queue of every subscriber.

protected:
    Poco::NotificationQueue* queue() const;

private:
    Poco::NotificationQueue* _pQueue;
    std::vector<Subscriber>* _pSubscribers;
};

inline Poco::NotificationQueue* NotificationQueueWorker::queue() const
{
    return _pQueue;
}

} // namespace Utility
} // namespace Zel

#endif // Zel_Utility_NotificationQueueWorker_INCLUDED
