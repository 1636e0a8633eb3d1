//
// DashboardCheckTest.cpp
//
// scripts/dashboard-check: a real Prometheus, scraping a real node_exporter
// that reads the service's metrics file, answers every expression of the
// Grafana dashboard.
//

#include "TestSupport.h"

#include <gtest/gtest.h>

using TestSupport::ChildProcess;

namespace
{

const int SKIPPED = 77;

TEST(DashboardCheck, PrometheusAnswersEveryExpressionOfTheDashboard)
{
    ChildProcess check(LORAWAN_SOURCE_DIR "/scripts/dashboard-check", {"--build", LORAWAN_BIN_DIR "/.."}, {});
    ASSERT_TRUE(check.waitForExit(TestSupport::Milliseconds(90000))) << check.err();
    if (check.exitStatus() == SKIPPED)
        GTEST_SKIP() << check.err();
    EXPECT_EQ(0, check.exitStatus()) << check.err();
    EXPECT_NE(std::string::npos, check.err().find(" expressions answered")) << check.err();
    EXPECT_EQ(std::string::npos, check.err().find("FAIL")) << check.err();
}

} // namespace
