// Built into a copy of the demo (with src/main.cpp) for bench/live_frames.sh: hooks the buffer swap and,
// when the demo ends, writes the time of every swap (microseconds, one a line) to standard error.
#include "Clock.h"

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

struct SwapTimes {
    SwapTimes() { times.reserve(1 << 16); }
    ~SwapTimes() {
        for (const auto& t : times)
            std::fprintf(stderr, "swap %lld\n", static_cast<long long>(
                std::chrono::duration_cast<std::chrono::microseconds>(t - times.front()).count()));
    }
    std::vector<std::chrono::steady_clock::time_point> times;
    const Clock::OnFrame hook{[this] { times.push_back(std::chrono::steady_clock::now()); }};
};

SwapTimes swapTimes;

}  // namespace
