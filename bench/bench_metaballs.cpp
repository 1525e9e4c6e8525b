// One metaballs frame without GL: field pass (values, inside flags, normals) and marching cubes into a
// recorded triangle stream, for the first layout after 12 s of motion and the second after 9 s.
#include "Metaballs.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

class Stream : public Metaballs::TriangleSink {
public:
    void triangle(const Metaballs::sfelt& a, const Metaballs::sfelt& b, const Metaballs::sfelt& c) override {
        corners.emplace_back(a.normal, a.pos);
        corners.emplace_back(b.normal, b.pos);
        corners.emplace_back(c.normal, c.pos);
    }
    std::vector<Metaballs::GLVertex> corners;
};

void frame(benchmark::State& state, bool secondLayout, int ms) {
    std::unique_ptr<Metaballs::metaballer> set(new Metaballs::metaballer());
    Metaballs::initmetaballs(secondLayout ? 10 : 9, 5.0, 40, 40, 40, -160, 160, -160, 160, 1, -320, set.get(),
                             secondLayout);
    Metaballs::beveg(set.get(), ms, secondLayout);
    Stream stream;
    stream.corners.reserve(1 << 16);
    Metaballs::regnfelt(set.get());
    for (auto _ : state) {
        stream.corners.clear();
        Metaballs::regnfelt(set.get());
        Metaballs::tegngrid(set.get(), stream);
        benchmark::DoNotOptimize(stream.corners.data());
    }
    state.counters["triangles"] = static_cast<double>(stream.corners.size() / 3);
}

void BM_FirstLayoutAt12s(benchmark::State& state) {
    frame(state, false, 12000);
}

void BM_SecondLayoutAt9s(benchmark::State& state) {
    frame(state, true, 9000);
}

}  // namespace

BENCHMARK(BM_FirstLayoutAt12s)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SecondLayoutAt9s)->Unit(benchmark::kMicrosecond);
