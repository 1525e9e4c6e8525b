// Built into a copy of the demo (with src/main.cpp) for bench/live_frames.sh: hooks the buffer swap and,
// when the demo ends, writes the time of every swap (microseconds, one a line) to standard error.
#include "Clock.h"

#include <time.h>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

struct SwapTimes {
    SwapTimes() { times.reserve(1 << 16); }
    ~SwapTimes() {
        for (const Swap& s : times)
            std::fprintf(stderr, "swap %lld %lld\n", micros(s.wall - times.front().wall), micros(s.cpu - times.front().cpu));
    }
    struct Swap {
        std::chrono::steady_clock::time_point wall;
        std::chrono::nanoseconds cpu;
    };
    static long long micros(std::chrono::nanoseconds d) {
        return static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(d).count());
    }
    // The CPU time of every thread of the process (llvmpipe's included): on a shared machine it follows the
    // work done far more closely than the wall clock does.
    static std::chrono::nanoseconds cpuTime() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
    }
    std::vector<Swap> times;
    const Clock::OnFrame hook{[this] { times.push_back({std::chrono::steady_clock::now(), cpuTime()}); }};
};

SwapTimes swapTimes;

}  // namespace
