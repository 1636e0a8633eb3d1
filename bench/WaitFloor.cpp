//
// WaitFloor.cpp
//
// What the worker's wait of 3 ms costs on this machine by itself: a thread
// that does nothing but wait on a Poco notification queue for 3 ms at a time,
// with the timer slack the worker asks for. Prints the share of one core the
// waits take and their mean length, the floor under the service's idle cost
// and the ceiling over its packets per second.
//
// Usage: wait_floor SECONDS
//

#include <Poco/NotificationQueue.h>

#include <sys/prctl.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace
{

const long WAIT_MS = 3;
const unsigned long EXACT_TIMER_SLACK_NS = 1;
const double MICROS_PER_SECOND = 1e6;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / MICROS_PER_SECOND;
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc == 2 ? std::atof(argv[1]) : 0;
    if (seconds <= 0)
    {
        std::fputs("usage: wait_floor SECONDS\n", stderr);
        return 2;
    }
    prctl(PR_SET_TIMERSLACK, EXACT_TIMER_SLACK_NS, 0, 0, 0);
    Poco::NotificationQueue queue;
    const double cpuBefore = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    long waits = 0;
    auto now = start;
    while (now < end)
    {
        if (Poco::Notification* pNotification = queue.waitDequeueNotification(WAIT_MS))
            pNotification->release();
        ++waits;
        now = std::chrono::steady_clock::now();
    }
    const double wall = std::chrono::duration<double>(now - start).count();
    std::printf("%.3f %.1f\n", 100 * (cpuSeconds() - cpuBefore) / wall, wall * MICROS_PER_SECOND / waits);
    return 0;
}
