// Clock, process priority and memory for the SDL build.
#include <sys/prctl.h>
#include <sys/resource.h>
#include <time.h>

#include <cerrno>
#include <cstdlib>

#include "platform/sdl/sdl_backend.h"

namespace {

constexpr int64_t NanosecondsPerSecond = 1'000'000'000;
// The pacing sleeps until this long before the deadline and spins the rest.
// With the timer slack at its least (below), the sleep's wake-up, measured
// under Xvfb on a loaded 2-core KVM guest, came 50 us late at the median and
// under 100 us in nine of ten frames (with the default 50 us slack: 100 and
// 140 us).  Half a millisecond covers that with room to spare and halves the
// spin of the earlier full millisecond.  Wake-ups later than that are the
// scheduler running something else, which a longer spin would not cure.
constexpr int64_t SpinMargin = 500'000;

int CurrentNice()
{
    errno = 0;
    int nice = getpriority(PRIO_PROCESS, 0);
    return errno == 0 ? nice : 0;
}

// The highest priority the process may take depends on its privilege and
// RLIMIT_NICE: try from the top down and keep the first value accepted.
void RaiseToHighestPriority()
{
    int current = CurrentNice();
    for (int nice = -20; nice < current; nice++) {
        if (setpriority(PRIO_PROCESS, 0, nice) == 0)
            return;
    }
}

uint32_t LastClassSet = 0;

}  // namespace

int64_t SdlNow()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * NanosecondsPerSecond + now.tv_nsec;
}

int64_t QueryPerformanceFrequency() { return NanosecondsPerSecond; }
int64_t QueryPerformanceCounter() { return SdlNow(); }

void SdlSleepUntil(int64_t wake)
{
    if (wake <= SdlNow())
        return;
    // Linux lets a sleeping thread's timer fire up to its timer slack late
    // (50 us by default) to bundle wake-ups; the thread that paces asks for
    // the least slack so that its wake-ups come when asked.
    static thread_local bool slackSet = false;
    if (!slackSet) {
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        slackSet = true;
    }
    timespec until{static_cast<time_t>(wake / NanosecondsPerSecond), static_cast<long>(wake % NanosecondsPerSecond)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

void SleepUntilCounter(int64_t counter)
{
    // Sleep most of the way; the wake-up can come late by a fraction of a
    // millisecond, so the last part (SpinMargin) is spun.
    if (counter - SdlNow() > SpinMargin)
        SdlSleepUntil(counter - SpinMargin);
    while (SdlNow() < counter) {
    }
}

// Priority classes map onto nice values: normal 0, high -10, realtime the
// highest the process may take.
uint32_t GetPriorityClass()
{
    int nice = CurrentNice();
    if (LastClassSet == REALTIME_PRIORITY_CLASS && nice < 0)
        return REALTIME_PRIORITY_CLASS;
    if (nice <= -10)
        return HIGH_PRIORITY_CLASS;
    return NORMAL_PRIORITY_CLASS;
}

void SetPriorityClass(uint32_t priorityClass)
{
    switch (priorityClass) {
    case NORMAL_PRIORITY_CLASS: setpriority(PRIO_PROCESS, 0, 0); break;
    case HIGH_PRIORITY_CLASS: setpriority(PRIO_PROCESS, 0, -10); break;
    case REALTIME_PRIORITY_CLASS: RaiseToHighestPriority(); break;
    default: return;   // not a class: rejected without effect
    }
    LastClassSet = priorityClass;
}

void* AllocateBlock(size_t bytes) { return std::calloc(1, bytes); }
void FreeBlock(void* block) { std::free(block); }
