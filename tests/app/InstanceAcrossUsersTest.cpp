//
// InstanceAcrossUsersTest.cpp
//
// The single-instance check between instances of different users, also when
// /proc hides other users' processes (hidepid=invisible, systemd's
// ProtectProc=invisible). The instances share a /dev/shm of their own, so
// that the machine's real instance lock and socket stay untouched.
//

#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

using namespace TestSupport;

namespace
{

const int ROOT = 0;
const int DAEMON = 1;
const int NOBODY = 65534;
const int EXIT_ALREADY_RUNNING = 73;

/// A process that keeps a mount namespace alive for others to enter.
std::unique_ptr<ChildProcess> startNamespaceKeeper(std::vector<std::string> prefix, const std::string& mounts)
{
    prefix.insert(prefix.end(), {"/usr/bin/unshare", "--mount", "--propagation", "private", "/bin/sh", "-c",
                                 mounts + " && echo ready && exec sleep 3600"});
    const std::string program = prefix.front();
    prefix.erase(prefix.begin());
    auto pKeeper = std::make_unique<ChildProcess>(program, prefix, std::map<std::string, std::string>{});
    if (!pKeeper->waitForOut("ready") || pKeeper->waitForExit(Milliseconds(0)))
        return nullptr;
    return pKeeper;
}

class InstanceAcrossUsersTest : public ::testing::Test
/// Two mount namespaces that share one private /dev/shm: in the first /proc
/// shows every process, in the second it hides those of other users.
{
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to make mount namespaces and change users";
        _pPlainProc = startNamespaceKeeper({}, "mount -t tmpfs lorawan-test-shm /dev/shm");
        if (!_pPlainProc)
            GTEST_SKIP() << "cannot make a mount namespace with its own /dev/shm";
        _pHiddenProc =
            startNamespaceKeeper({"/usr/bin/nsenter", "--mount=" + namespaceOf(*_pPlainProc), "--"},
                                 "mount -t proc -o hidepid=invisible proc /proc");
        if (!_pHiddenProc)
            GTEST_SKIP() << "cannot mount /proc with hidepid=invisible";
        _setup.runAs(NOBODY); // makes its folder readable to every user
    }

    static std::string namespaceOf(const ChildProcess& keeper)
    {
        return "/proc/" + std::to_string(keeper.pid()) + "/ns/mnt";
    }

    /// Starts the service as user, with /proc hiding other users' processes or not.
    std::unique_ptr<ChildProcess> start(int user, bool hiddenProc) const
    {
        std::vector<std::string> args = {"--mount=" + namespaceOf(hiddenProc ? *_pHiddenProc : *_pPlainProc),
                                         "--"};
        if (user != ROOT)
            args.insert(args.end(), {"/usr/bin/setpriv", "--reuid=" + std::to_string(user),
                                     "--regid=" + std::to_string(user), "--clear-groups"});
        args.push_back(binaryPath("lorawanserver"));
        return std::make_unique<ChildProcess>("/usr/bin/nsenter", args, _setup.environment());
    }

    static void expectRefused(ChildProcess& second, const ChildProcess& first)
    {
        ASSERT_TRUE(second.waitForExit()) << second.out();
        EXPECT_EQ(EXIT_ALREADY_RUNNING, second.exitStatus()) << second.out() << second.err();
        EXPECT_NE(std::string::npos, second.out().find("  Other PID: " + std::to_string(first.pid()) + "\n"))
            << second.out();
    }

    static void stop(ChildProcess& service)
    {
        service.signal(SIGTERM);
        ASSERT_TRUE(service.waitForExit());
        EXPECT_EQ(0, service.exitStatus()) << service.out();
    }

    ServiceSetup _setup;
    std::unique_ptr<ChildProcess> _pPlainProc;
    std::unique_ptr<ChildProcess> _pHiddenProc;
};

TEST_F(InstanceAcrossUsersTest, EachUserIsRefusedBesideAnotherUsersInstanceAndAStaleLockFileNeverBlocks)
{
    auto pRoot = start(ROOT, false);
    ASSERT_TRUE(pRoot->waitForErr("concentrator started")) << pRoot->out() << pRoot->err();
    for (const bool hiddenProc : {true, false})
    {
        SCOPED_TRACE(hiddenProc ? "hidepid=invisible" : "plain /proc");
        expectRefused(*start(NOBODY, hiddenProc), *pRoot);
    }
    stop(*pRoot);

    // The lock file root's instance left behind belongs to root.
    auto pNobody = start(NOBODY, true);
    ASSERT_TRUE(pNobody->waitForErr("concentrator started")) << pNobody->out() << pNobody->err();
    expectRefused(*start(ROOT, false), *pNobody);
    expectRefused(*start(DAEMON, true), *pNobody);
    stop(*pNobody);
}

} // namespace
