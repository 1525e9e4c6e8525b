// The metaball field, the marching-cubes tables and polygoniser, and the ball motion, without GL:
// the surface a viewer sees must be closed, lie where the field crosses the threshold and face out.
#include "Metaballs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <tuple>

using Set = Metaballs::metaballer;

namespace {

// Grid position of each cube corner, as the polygoniser numbers them.
const int CORNER[8][3] = {{0, 1, 1}, {1, 1, 1}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}, {0, 0, 0}};

// The scene's grid and balls, the second layout's or the first's.
void setUp(Set* set, bool second) {
    Metaballs::initmetaballs(second ? 10 : 9, 5.0, 40, 40, 40, -160, 160, -160, 160, 1, -320, set, second);
}

std::unique_ptr<Set> layout(bool second) {
    std::unique_ptr<Set> set(new Set());
    setUp(set.get(), second);
    return set;
}

struct Recorder : Metaballs::TriangleSink {
    std::vector<Metaballs::sfelt> corners;
    void triangle(const Metaballs::sfelt& a, const Metaballs::sfelt& b, const Metaballs::sfelt& c) override {
        corners.insert(corners.end(), {a, b, c});
    }
};

// The field of the balls at p, summed the plain way.
double field(const Set& set, const Vector3d& p) {
    double f = 0;
    for (int j = 0; j < set.nballer; ++j) {
        const Vector3d d = set.baller[j].pos - p;
        f += set.baller[j].kraft * set.baller[j].kraft / (double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
    }
    return f;
}

// Two field passes (normals need the one before), then the surface: every edge of it shared by exactly
// two triangles that run it in opposite directions, wound clockwise seen from outside (the grid's z runs
// backwards), corners on the threshold, normals pointing out. Returns the number of triangles.
size_t expectClosedSurfaceOnTheThreshold(Set* set) {
    Metaballs::regnfelt(set);
    Metaballs::regnfelt(set);
    Recorder out;
    Metaballs::tegngrid(set, out);
    std::map<std::tuple<long, long, long>, int> ids;
    auto id = [&](const Vector3d& p) {
        const auto key = std::make_tuple(std::lround(p.x * 1000.0f), std::lround(p.y * 1000.0f), std::lround(p.z * 1000.0f));
        return ids.emplace(key, static_cast<int>(ids.size())).first->second;
    };
    std::map<std::pair<int, int>, int> directed;
    for (size_t n = 0; n < out.corners.size(); n += 3) {
        const Vector3d a = out.corners[n].pos, b = out.corners[n + 1].pos, c = out.corners[n + 2].pos;
        const int ia = id(a), ib = id(b), ic = id(c);
        ++directed[{ia, ib}], ++directed[{ib, ic}], ++directed[{ic, ia}];
        // Outward: the field falls along the face normal (a step toward it from the triangle's middle).
        const Vector3d m = (a + b + c) * (1.0f / 3.0f), normal = (b - a).crossProduct(c - a);
        EXPECT_LT(field(*set, m - normal * (0.5f / normal.magnitude())), field(*set, m)) << "triangle " << n / 3;
    }
    for (const auto& [edge, count] : directed) {
        EXPECT_EQ(count, 1);
        EXPECT_EQ(directed.count({edge.second, edge.first}), 1u) << "the surface has a hole";
    }
    for (const Metaballs::sfelt& c : out.corners) {
        EXPECT_NEAR(field(*set, c.pos), 0.003, 0.0006);
        const Vector3d step = c.normal * (0.5f / c.normal.magnitude());
        EXPECT_LT(field(*set, Vector3d(c.pos.x + step.x, c.pos.y + step.y, c.pos.z - step.z)), field(*set, c.pos));
    }
    return out.corners.size() / 3;
}

using Sample = Metaballs::sfelt;
const int G = Metaballs::GRID, ROWS = Metaballs::NROWS, N = Metaballs::NSAMPLES;

// One full pass the plain way: now holds kraft() of every sample, before the pass before (zeros at first).
// Normals follow Metaballs.h: lower neighbours from now, higher from before, the sample itself off the array.
std::vector<Sample> plainSamples(const Set& set, const std::vector<double>& now, const std::vector<double>& before) {
    std::vector<Sample> s(N);
    for (int i = 0; i < N; ++i) {
        auto lower = [&](int j) { return j >= 0 ? now[j] : now[i]; };
        auto higher = [&](int j) { return j < N ? before[j] : now[i]; };
        s[i].pos = Vector3d(set.akse[0][i % G], set.akse[1][i / G % G], set.akse[2][i / ROWS]);
        s[i].kraft = now[i];
        s[i].inni = now[i] > set.threshold;
        s[i].normal = Vector3d(float(lower(i - 1) - higher(i + 1)), float(lower(i - G) - higher(i + G)),
                               float(lower(i - ROWS) - higher(i + ROWS)));
    }
    return s;
}

// Marching cubes in the walk's order (z layer by layer, x column by column, y fastest), every cut edge of
// every cube interpolated for itself; the triangles' corners in drawing order.
std::vector<Sample> plainSurface(const std::vector<Sample>& s, double threshold) {
    std::vector<Sample> corners;
    for (int z = 0; z < G - 1; ++z)
        for (int x = 0; x < G - 1; ++x)
            for (int y = 0; y < G - 1; ++y) {
                int k[8], lookup = 0;
                Metaballs::lagkube(k, x + G * y + ROWS * z);
                for (int n = 0; n < 8; ++n) lookup |= s[k[n]].inni << n;
                Sample edge[12];
                for (int e = 0; e < 12; ++e)
                    if ((Metaballs::kubehjorne[lookup] >> e) & 1)
                        Metaballs::interpoler(&s[k[Metaballs::kant[e][0]]], &s[k[Metaballs::kant[e][1]]], &edge[e],
                                              threshold);
                for (const int* t = Metaballs::triangel[lookup]; *t != -1; ++t) corners.push_back(edge[*t]);
            }
    return corners;
}

bool bitIdentical(const Sample& a, const Sample& b) {
    return !std::memcmp(&a.pos, &b.pos, sizeof a.pos) && !std::memcmp(&a.normal, &b.normal, sizeof a.normal) &&
           !std::memcmp(&a.kraft, &b.kraft, sizeof a.kraft);
}

}  // namespace

// Metaballs.cpp's claim for its fast path (row bounds, rows on demand, shared crossings, vector sums): on
// random ball sets moving through several passes, the same triangles in the same order, bit for bit.
TEST(MetaballSurface, TheFastPathDrawsExactlyThePlainSurfaceOnRandomFrames) {
    std::mt19937 random(7);  // fixed, so a failure replays
    auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
    // Drawn in a fixed order (arguments are evaluated in any), so every compiler meets the same frames.
    auto somewhere = [&](float lo, float hi, float zlo, float zhi) {
        const float x = uniform(lo, hi), y = uniform(lo, hi);
        return Vector3d(x, y, uniform(zlo, zhi));
    };
    int drawn = 0;
    // Each layout's set is set up again for every run: nothing of the runs before may show through.
    std::unique_ptr<Set> sets[2] = {layout(false), layout(true)};
    for (int run = 0; run < 60; ++run) {
        const bool second = run % 2;
        Set* set = sets[second].get();
        setUp(set, second);
        set->nballer = std::uniform_int_distribution<int>(0, 10)(random);
        // Runs 0 and 1 of every four keep the layout's balls; the rest are anywhere in and around the box.
        for (int j = 0; j < set->nballer; ++j) {
            if (run % 4 < 2 && j < (second ? 10 : 9)) continue;
            const Vector3d p = somewhere(-200, 200, -360, 40);
            Metaballs::initmetaball(5.0, 0.0, uniform(0.3f, 3.0f), p.x, p.y, p.z, &set->baller[j]);
        }
        std::vector<double> now(N), before(N, 0.0);
        for (int pass = 1; pass <= 5; ++pass) {
            Metaballs::beveg(set, pass * 50, second);
            for (int j = 0; j < set->nballer; ++j) set->baller[j].pos = set->baller[j].pos + somewhere(-6, 6, -6, 6);
            for (int i = 0; i < N; ++i) now[i] = Metaballs::kraft(set, i);
            Metaballs::regnfelt(set);
            Recorder fast;
            Metaballs::tegngrid(set, fast);
            const std::vector<Sample> plain = plainSurface(plainSamples(*set, now, before), set->threshold);
            ASSERT_EQ(fast.corners.size(), plain.size()) << "run " << run << ", pass " << pass;
            for (size_t c = 0; c < plain.size(); ++c)
                ASSERT_TRUE(bitIdentical(fast.corners[c], plain[c])) << "run " << run << ", pass " << pass << ", corner " << c;
            drawn += !plain.empty();
            before.swap(now);
        }
    }
    // Most of the 300 frames must have met a surface, or the comparison says little.
    EXPECT_GT(drawn, 200);
}

TEST(MetaballTables, EveryCutEdgeIsUsedAndEveryTriangleFacesOutOfTheCube) {
    int triangles = 0;
    for (int m = 0; m < 256; ++m) {
        int cut = 0, used = 0, n = 0;
        for (int e = 0; e < 12; ++e)
            if (((m >> Metaballs::kant[e][0]) & 1) != ((m >> Metaballs::kant[e][1]) & 1)) cut |= 1 << e;
        ASSERT_EQ(Metaballs::kubehjorne[m], cut) << "row " << m;
        const int* row = Metaballs::triangel[m];
        for (; n < 16 && row[n] != -1; ++n) used |= 1 << row[n];
        ASSERT_TRUE(n % 3 == 0 && used == cut) << "row " << m;
        triangles += n / 3;
        // (b - a) x (c - a) of the edge midpoints points from the inside corners to the outside ones.
        for (int t = 0; t < n; t += 3) {
            Vector3d mid[3], outward;
            for (int k = 0; k < 3; ++k) {
                const int* a = CORNER[Metaballs::kant[row[t + k]][0]];
                const int* b = CORNER[Metaballs::kant[row[t + k]][1]];
                const float sign = ((m >> Metaballs::kant[row[t + k]][0]) & 1) ? 1.0f : -1.0f;
                mid[k] = Vector3d((a[0] + b[0]) * 0.5f, (a[1] + b[1]) * 0.5f, (a[2] + b[2]) * 0.5f);
                outward = outward + Vector3d(b[0] - a[0], b[1] - a[1], b[2] - a[2]) * sign;
            }
            EXPECT_GT((mid[1] - mid[0]).crossProduct(mid[2] - mid[0]).dotProduct(outward), 0.0f) << "row " << m;
        }
    }
    EXPECT_EQ(triangles, 820);
}

TEST(MetaballSurface, OneBallIsASphereOfTheThresholdRadius) {
    std::unique_ptr<Set> set = layout(false);
    set->nballer = 1;
    // Strength 2: the field 4 / r^2 reaches the threshold 0.003 at r = 36.5.
    Metaballs::initmetaball(5.0, 0.0, 2.0, 3.5f, -6.25f, -101.0f, &set->baller[0]);
    EXPECT_GT(expectClosedSurfaceOnTheThreshold(set.get()), 300u);
    // A ball exactly on a sample gives no infinities; a field above the threshold everywhere, no surface.
    Metaballs::initmetaball(5.0, 0.0, 2.0, 0, 0, -159, &set->baller[0]);
    EXPECT_GT(expectClosedSurfaceOnTheThreshold(set.get()), 300u);
    Metaballs::initmetaball(5.0, 0.0, 10000.0, 0, 0, -150, &set->baller[0]);
    EXPECT_EQ(expectClosedSurfaceOnTheThreshold(set.get()), 0u);
}

TEST(MetaballMotion, GroupsMoveInTurnAndStepsAreTheSameAtAnyFrameRate) {
    auto moved = [](float r, bool second) {
        std::unique_ptr<Set> before = layout(second), after = layout(second);
        Metaballs::flyttballer(after.get(), r, second);
        std::vector<int> which;
        for (int j = 0; j < 10; ++j)
            if (std::memcmp(&before->baller[j].pos, &after->baller[j].pos, sizeof(Vector3d))) which.push_back(j);
        return which;
    };
    EXPECT_EQ(moved(9.9f, false), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(moved(10.0f, false), std::vector<int>{});
    EXPECT_EQ(moved(15.0f, false), (std::vector<int>{4, 5, 6, 7, 8}));
    EXPECT_EQ(moved(20.1f, false), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(moved(10.0f, true), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    // Sixty fixed steps a second of scene time: 30 and 500 frames a second, and one jump, end alike at 5 s.
    std::unique_ptr<Set> slow = layout(false), fast = layout(false), once = layout(false);
    for (int frame = 0; frame * 1000 / 30 <= 5000; ++frame) Metaballs::beveg(slow.get(), frame * 1000 / 30, false);
    for (int frame = 0; frame * 1000 / 500 <= 5000; ++frame) Metaballs::beveg(fast.get(), frame * 1000 / 500, false);
    Metaballs::beveg(once.get(), 5000, false);
    EXPECT_EQ(once->steg, 301);
    for (int j = 0; j < 9; ++j)
        EXPECT_TRUE(slow->baller[j].pos.x == fast->baller[j].pos.x && once->baller[j].pos.z == fast->baller[j].pos.z) << j;
}
