//
// LogHelperTest.cpp
//

#include "utility/LogHelper.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <regex>

using Zel::Utility::LogHelper;

namespace
{

const std::regex STAMP_SHAPE(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3})");

} // namespace

TEST(LogHelperTest, TimeStampsAreSortableWithMillisecondsAndTheLocalOneFollowsTheTimeZone)
{
    const char* pSaved = std::getenv("TZ");
    const std::string saved = pSaved ? pSaved : "";
    ::setenv("TZ", "UTC-14", 1); // far enough from UTC to change the hour or the day
    ::tzset();
    const std::string local = LogHelper::timeStamp(false);
    const std::string utc = LogHelper::timeStamp(true);
    if (pSaved)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    EXPECT_TRUE(std::regex_match(local, STAMP_SHAPE)) << local;
    EXPECT_TRUE(std::regex_match(utc, STAMP_SHAPE)) << utc;
    EXPECT_NE(local.substr(0, 13), utc.substr(0, 13));
}

TEST(LogHelperTest, LogLineIsTheTimeStampTheMessageAndALineEnd)
{
    testing::internal::CaptureStdout();
    LogHelper::log(" something happened");
    LogHelper::writeLine("  plain");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::regex_match(
        out, std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} something happened\n  plain\n)")))
        << out;
}
