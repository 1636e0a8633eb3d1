//
// NotificationTest.cpp
//
// Notifications and the queue worker base.
//

#include "utility/Notification.h"
#include "utility/NotificationQueueWorker.h"

#include <gtest/gtest.h>

using Zel::Utility::Notification;
using Zel::Utility::NotificationQueueWorker;

namespace
{

class Worker : public NotificationQueueWorker
{
public:
    using NotificationQueueWorker::NotificationQueueWorker;
    void run() override {}
};

Poco::AutoPtr<Poco::Notification> request(Notification::ACTION action, Poco::Event* pDone = nullptr)
{
    return new Notification(action, Notification::ACTION_NONE, nullptr, pDone);
}

TEST(NotificationQueueWorkerTest, OnlyTheStopActionStopsTheWorkerAndHandlingSetsTheDoneEvent)
{
    Poco::NotificationQueue queue;
    Worker worker(&queue, nullptr);
    Poco::Event done;
    EXPECT_TRUE(worker.handleNotification(request(Notification::ACTION_STOP)));
    EXPECT_FALSE(worker.handleNotification(new Poco::Notification));
    EXPECT_FALSE(done.tryWait(0));
    EXPECT_FALSE(worker.handleNotification(request(Notification::ACTION_NONE, &done)));
    EXPECT_TRUE(done.tryWait(0));
}

TEST(NotificationQueueWorkerTest, WaitHandsOverTheNextNotificationWithOneReferenceOrNullWhenNothingCame)
{
    Poco::NotificationQueue queue;
    Worker worker(&queue, nullptr);
    EXPECT_EQ(nullptr, worker.waitDequeueNotification(3));
    Poco::AutoPtr<Poco::Notification> pFirst = request(Notification::ACTION_NONE);
    queue.enqueueNotification(pFirst);
    queue.enqueueUrgentNotification(request(Notification::ACTION_STOP));

    Poco::AutoPtr<Poco::Notification> pTaken(worker.waitDequeueNotification(3));
    ASSERT_FALSE(pTaken.isNull());
    EXPECT_EQ(Notification::ACTION_STOP, pTaken.cast<Notification>()->action());
    pTaken = worker.waitDequeueNotification(3);
    EXPECT_EQ(pFirst.get(), pTaken.get());
    EXPECT_EQ(2, pFirst->referenceCount()); // ours and the one handed over
}

TEST(NotificationQueueWorkerTest, SubscribersHearWhatTheWorkerPublishes)
{
    Poco::NotificationQueue queue;
    Poco::NotificationQueue listener;
    std::vector<NotificationQueueWorker::Subscriber> subscribers{{&listener}, {nullptr}};
    Worker worker(&queue, &subscribers);
    worker.notifySubscribers(request(Notification::ACTION_NONE));
    EXPECT_EQ(1, listener.size());
    Worker lonely(&queue, nullptr);
    lonely.notifySubscribers(request(Notification::ACTION_NONE)); // no list, nothing to do
}

} // namespace
