//
// WorkerLoopTest.cpp
//
// The worker's loop of passes and waits, driven in-process against the
// simulated concentrator.
//

#include "ServiceSetup.h"
#include "TestSupport.h"
#include "sim/SimControl.h"
#include "utility/Notification.h"
#include "worker/WorkerThread.h"

#include <Poco/Exception.h>
#include <Poco/Mutex.h>
#include <Poco/NotificationQueue.h>
#include <Poco/Thread.h>

#include <gtest/gtest.h>

#include <cstdlib>

using Zel::Utility::Notification;

namespace
{

/// The order in which passes and notifications happen.
class Timeline
{
public:
    void add(const std::string& event)
    {
        Poco::FastMutex::ScopedLock lock(_mutex);
        _events.push_back(event);
    }

    std::vector<std::string> events() const
    {
        Poco::FastMutex::ScopedLock lock(_mutex);
        return _events;
    }

private:
    mutable Poco::FastMutex _mutex;
    std::vector<std::string> _events;
};

class RecordingWorker : public LoRaWANServer::WorkerThread
{
public:
    RecordingWorker(Poco::NotificationQueue* pQueue, Timeline& timeline)
        : LoRaWANServer::WorkerThread(pQueue), _timeline(timeline)
    {
    }

    bool handleNotification(Poco::AutoPtr<Poco::Notification> pNotification) override
    {
        const Notification* pRequest = dynamic_cast<const Notification*>(pNotification.get());
        _timeline.add(pRequest && pRequest->action() == Notification::ACTION_STOP
                          ? "stop"
                          : "note" + std::to_string(pRequest ? pRequest->subAction() : -1));
        return LoRaWANServer::WorkerThread::handleNotification(pNotification);
    }

private:
    Timeline& _timeline;
};

Poco::AutoPtr<Poco::Notification> note(int number)
{
    return new Notification(Notification::ACTION_NONE, static_cast<Notification::ACTION>(number), nullptr,
                            nullptr);
}

Poco::AutoPtr<Poco::Notification> stop()
{
    return new Notification(Notification::ACTION_STOP, Notification::ACTION_NONE, nullptr, nullptr);
}

class WorkerLoopTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LoRaSim::reset();
        ::setenv("MIREL_RUN", _setup.baseDir().c_str(), 1);
        LoRaSim::setReceiveHook([this](unsigned call) { _timeline.add("work" + std::to_string(call)); });
    }

    void TearDown() override
    {
        LoRaSim::setReceiveHook(nullptr);
        LoRaSim::reset();
        ::unsetenv("MIREL_RUN");
    }

    /// Runs the worker on its own thread until it ends.
    std::string runWorker()
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        Poco::Thread thread;
        thread.start(_worker);
        const bool ended = thread.tryJoin(20000);
        testing::internal::GetCapturedStderr();
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(ended);
        return out;
    }

    TestSupport::ServiceSetup _setup;
    Poco::NotificationQueue _queue;
    Timeline _timeline;
    RecordingWorker _worker{&_queue, _timeline};
};

TEST_F(WorkerLoopTest, UrgentStopQueuedBeforeTheLoopGoesAheadOfOtherNotificationsAfterExactlyOnePass)
{
    _queue.enqueueNotification(note(1));
    _queue.enqueueNotification(note(2));
    _queue.enqueueUrgentNotification(stop());
    const std::string out = runWorker();
    EXPECT_EQ((std::vector<std::string>{"work1", "stop"}), _timeline.events());
    const std::vector<std::string> calls = TestSupport::withoutCallTimes(LoRaSim::recordedCalls());
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(R"({"call":"lgw_stop","result":0})", calls.back());
    EXPECT_FALSE(LoRaSim::state().started);
    EXPECT_EQ(" LoRaWANServer Worker thread terminates",
              TestSupport::withoutTimeStamp(TestSupport::lines(out).back()));
}

TEST_F(WorkerLoopTest, EachNotificationThatIsNotAStopTakesThePlaceOfOnePass)
{
    // Two notifications arriving together are handled one wait after the
    // other, with no pass between them; passes resume after an empty wait.
    LoRaSim::setReceiveHook(
        [this](unsigned call)
        {
            _timeline.add("work" + std::to_string(call));
            if (call == 1)
            {
                _queue.enqueueNotification(note(1));
                _queue.enqueueNotification(note(2));
            }
            if (call == 2)
                _queue.enqueueNotification(stop());
        });
    runWorker();
    EXPECT_EQ((std::vector<std::string>{"work1", "note1", "note2", "work2", "stop"}), _timeline.events());
}

TEST_F(WorkerLoopTest, FailedPreparationLeavesRunWithoutPassStopOrFinalLine)
{
    LoRaSim::setStartResult(-1);
    _queue.enqueueNotification(stop());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_THROW(_worker.run(), Poco::InvalidAccessException);
    testing::internal::GetCapturedStderr();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(_timeline.events().empty());
    EXPECT_EQ(std::string::npos, out.find("terminates"));
    for (const std::string& call : LoRaSim::recordedCalls())
        EXPECT_EQ(std::string::npos, call.find("lgw_stop")) << call;
}

} // namespace
