//
// Notification.h
//
// Library: Zel_Utility
// Package: Notifications
// Module:  Notification
//
// Definition of the Notification class: a request to a notification queue worker.
//

#ifndef Zel_Utility_Notification_INCLUDED
#define Zel_Utility_Notification_INCLUDED

#include <Poco/Event.h>
#include <Poco/Notification.h>
#include <Poco/NotificationQueue.h>

namespace Zel
{
namespace Utility
{

class Notification : public Poco::Notification
/// A request for a NotificationQueueWorker: what to do (the action and a
/// second, action-specific value), where to send an answer, and an event to
/// set once the worker has handled it. Both may be null.
{
public:
    using Ptr = Poco::AutoPtr<Notification>;

    enum ACTION
    {
        ACTION_NONE = 0, /// nothing to do; the worker skips one pass of its work
        ACTION_STOP = 14 /// the worker leaves its loop and ends
    };

    Notification(ACTION action, ACTION subAction, Poco::NotificationQueue* pReplyQueue, Poco::Event* pDone);
    /// Creates a notification holding one reference. The queue and the event
    /// are not owned; they must outlive the notification's handling.

    ACTION action() const;
    ACTION subAction() const;
    Poco::NotificationQueue* replyQueue() const;
    Poco::Event* doneEvent() const;

protected:
    ~Notification() override;

private:
    ACTION _action;
    ACTION _subAction;
    Poco::NotificationQueue* _pReplyQueue;
    Poco::Event* _pDone;
};

inline Notification::ACTION Notification::action() const
{
    return _action;
}

inline Notification::ACTION Notification::subAction() const
{
    return _subAction;
}

inline Poco::NotificationQueue* Notification::replyQueue() const
{
    return _pReplyQueue;
}

inline Poco::Event* Notification::doneEvent() const
{
    return _pDone;
}

} // namespace Utility
} // namespace Zel

#endif // Zel_Utility_Notification_INCLUDED
