//
// ErrorHandlerTest.cpp
//
// The process-wide error handler: one report line, then a termination request.
//

#include "utility/ErrorHandler.h"

#include <Poco/Exception.h>
#include <Poco/Runnable.h>
#include <Poco/Thread.h>

#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <stdexcept>

using Zel::Utility::ErrorHandler;

namespace
{

struct Reported
{
    std::string out;
    int terminationRequests = 0;
};

template <typename Throw>
Reported reportFromThread(const std::string& threadName, Throw throwIt)
{
    Reported reported;
    ErrorHandler handler([&reported] { ++reported.terminationRequests; });
    Poco::ErrorHandler* pPrevious = Poco::ErrorHandler::set(&handler);

    struct Failing : Poco::Runnable
    {
        explicit Failing(Throw t) : throwIt(t) {}
        void run() override { throwIt(); }
        Throw throwIt;
    } failing(throwIt);

    testing::internal::CaptureStdout();
    Poco::Thread thread(threadName);
    thread.start(failing);
    thread.join();
    reported.out = testing::internal::GetCapturedStdout();
    Poco::ErrorHandler::set(pPrevious);
    return reported;
}

TEST(ErrorHandlerTest, PocoExceptionIsReportedWithItsClassThreadAndText)
{
    const Reported reported = reportFromThread(
        "Worker", [] { throw Poco::InvalidAccessException("ERROR: failed fetching, exiting", 0); });
    EXPECT_TRUE(std::regex_match(
        reported.out,
        std::regex(
            R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} ERROR: Poco::InvalidAccessException in thread "Worker": )"
            R"(Invalid access: ERROR: failed fetching, exiting, shutting down\n)")))
        << reported.out;
    EXPECT_EQ(1, reported.terminationRequests);
}

TEST(ErrorHandlerTest, StandardExceptionIsReportedWithItsClass)
{
    const Reported reported = reportFromThread("Worker", [] { throw std::runtime_error("disk on fire"); });
    EXPECT_NE(std::string::npos,
              reported.out.find(" ERROR: std::runtime_error in thread \"Worker\": disk on fire"))
        << reported.out;
    EXPECT_EQ(1, reported.terminationRequests);
}

TEST(ErrorHandlerTest, UnknownExceptionIsReportedToo)
{
    const Reported reported = reportFromThread("Worker", [] { throw 42; });
    EXPECT_NE(std::string::npos, reported.out.find(" ERROR: unknown exception in thread \"Worker\""))
        << reported.out;
    EXPECT_EQ(1, reported.terminationRequests);
}

TEST(ErrorHandlerTest, DefaultHandlerAsksTheServiceToTerminate)
{
    // The service frame waits for SIGINT; keep it pending here instead of dying of it.
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    sigset_t previous;
    ASSERT_EQ(0, pthread_sigmask(SIG_BLOCK, &interrupt, &previous));

    ErrorHandler handler;
    testing::internal::CaptureStdout();
    handler.exception(Poco::IOException("broken", 0));
    const std::string out = testing::internal::GetCapturedStdout();

    const struct timespec patience = {5, 0};
    const int received = sigtimedwait(&interrupt, nullptr, &patience);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    EXPECT_EQ(SIGINT, received);
    EXPECT_NE(std::string::npos, out.find(" ERROR: Poco::IOException in the main thread: I/O error: broken"));
}

} // namespace
