//
// ErrorHandlerTest.cpp
//
// The process-wide error handler: one report line, then a termination request.
//

#include "utility/ErrorHandler.h"
#include "TestSupport.h"

#include <Poco/Exception.h>
#include <Poco/Thread.h>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <stdexcept>

using Zel::Utility::ErrorHandler;

namespace
{

TEST(ErrorHandlerTest, EveryExceptionIsReportedInOneLineWithItsClassThreadAndTextThenTermination)
{
    const struct
    {
        std::function<void()> throwIt;
        std::string report;
    } cases[] = {
        {[] { throw Poco::InvalidAccessException("ERROR: failed fetching, exiting", 0); },
         R"(Poco::InvalidAccessException in thread "Worker": Invalid access: ERROR: failed fetching, exiting)"},
        {[] { throw std::runtime_error("disk on fire"); },
         R"(std::runtime_error in thread "Worker": disk on fire)"},
        {[] { throw 42; }, R"(unknown exception in thread "Worker")"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.report);
        int terminationRequests = 0;
        ErrorHandler handler([&terminationRequests] { ++terminationRequests; });
        Poco::ErrorHandler* pPrevious = Poco::ErrorHandler::set(&handler);
        testing::internal::CaptureStdout();
        Poco::Thread thread("Worker");
        thread.startFunc(c.throwIt);
        thread.join();
        const std::string out = testing::internal::GetCapturedStdout();
        Poco::ErrorHandler::set(pPrevious);
        EXPECT_TRUE(TestSupport::hasTimeStamp(out)) << out;
        EXPECT_EQ(" ERROR: " + c.report + ", shutting down\n", TestSupport::withoutTimeStamp(out));
        EXPECT_EQ(1, terminationRequests);
    }
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
