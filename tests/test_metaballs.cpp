// The metaball field, the marching-cubes tables and polygoniser, and the ball motion, without GL;
// the fast field and polygoniser are held against the plain ones in MetaballsReference.
#include "Metaballs.h"
#include "MetaballsReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>

using moriqtest::Recorder;
using moriqtest::ReferenceMetaballs;
using Set = Metaballs::metaballer;

namespace {

// Grid position of each cube corner, as the polygoniser numbers them.
const int CORNER[8][3] = {{0, 1, 1}, {1, 1, 1}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}, {0, 0, 0}};

std::unique_ptr<Set> makeSet(bool second, int balls = -1) {
    std::unique_ptr<Set> set(new Set());
    Metaballs::initmetaballs(second ? 10 : 9, 5.0, 40, 40, 40, -160, 160, -160, 160, 1, -320, set.get(), second);
    if (balls >= 0) set->nballer = balls;
    return set;
}

int index(int x, int y, int z) { return x + 40 * y + 1600 * z; }
bool sameBits(const Vector3d& a, const Vector3d& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool finite(const Vector3d& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

std::vector<Metaballs::sfelt> polygonise(Set* set) {
    Recorder out;
    Metaballs::tegngrid(set, out);
    return out.corners;
}

// Compares every sample and the whole triangle stream of the fast pass with the plain one.
void expectSameAsReference(Set* set, ReferenceMetaballs& ref, const char* where) {
    SCOPED_TRACE(where);
    Metaballs::regnfelt(set);
    ref.regnfelt(*set);
    Recorder plain;
    const std::vector<Metaballs::sfelt> fast = polygonise(set);
    ref.tegngrid(plain);
    ASSERT_EQ(fast.size(), plain.corners.size());
    for (size_t n = 0; n < fast.size(); ++n)
        ASSERT_TRUE(sameBits(fast[n].pos, plain.corners[n].pos) && sameBits(fast[n].normal, plain.corners[n].normal)) << n;
    for (int i = 0; i < Metaballs::NSAMPLES; ++i) {
        const Metaballs::sfelt s = Metaballs::sample(set, i);
        const Metaballs::sfelt& r = ref.skalarfelt[i];
        ASSERT_TRUE(s.kraft == r.kraft && s.inni == r.inni && sameBits(s.normal, r.normal) && sameBits(s.pos, r.pos)) << i;
    }
}

}  // namespace

TEST(MetaballTables, EdgeTableFollowsItsRuleAndTrianglesFaceOutward) {
    int triangles = 0;
    for (int m = 0; m < 256; ++m) {
        int cut = 0, used = 0, n = 0;
        for (int e = 0; e < 12; ++e)
            if (((m >> Metaballs::kant[e][0]) & 1) != ((m >> Metaballs::kant[e][1]) & 1)) cut |= 1 << e;
        ASSERT_EQ(Metaballs::kubehjorne[m], cut) << "row " << m;
        const int* row = Metaballs::triangel[m];
        for (; n < 16 && row[n] != -1; ++n) {
            ASSERT_TRUE(row[n] >= 0 && row[n] < 12) << "row " << m;
            used |= 1 << row[n];
        }
        ASSERT_TRUE(n % 3 == 0 && n <= 15) << "row " << m;
        EXPECT_EQ(used, cut) << "row " << m << " uses an uncut edge or leaves a cut one out";
        triangles += n / 3;
        // (b - a) x (c - a) of edge midpoints points along the triangle's edges from inside to outside.
        for (int t = 0; t < n; t += 3) {
            Vector3d mid[3], outward[3];
            for (int k = 0; k < 3; ++k) {
                const int from = Metaballs::kant[row[t + k]][0], to = Metaballs::kant[row[t + k]][1];
                const bool fromInside = (m >> from) & 1;
                const int *a = CORNER[from], *b = CORNER[to], *in = fromInside ? a : b, *out = fromInside ? b : a;
                mid[k] = Vector3d((a[0] + b[0]) * 0.5f, (a[1] + b[1]) * 0.5f, (a[2] + b[2]) * 0.5f);
                outward[k] = Vector3d(out[0] - in[0], out[1] - in[1], out[2] - in[2]);
            }
            const Vector3d normal = (mid[1] - mid[0]).crossProduct(mid[2] - mid[0]);
            EXPECT_GT(normal.dotProduct(outward[0] + outward[1] + outward[2]), 0.0f) << "row " << m << " at " << t;
        }
    }
    EXPECT_EQ(triangles, 820);
}

TEST(MetaballField, GridThresholdAndBoundaryNormals) {
    std::unique_ptr<Set> set = makeSet(false, 1);
    EXPECT_TRUE(sameBits(set->d, Vector3d(8, 8, -8)));
    EXPECT_EQ(set->threshold, 0.003);
    EXPECT_TRUE(sameBits(Metaballs::sample(set.get(), 0).pos, Vector3d(-160, -160, 1)));
    EXPECT_TRUE(sameBits(Metaballs::sample(set.get(), Metaballs::NSAMPLES - 1).pos, Vector3d(152, 152, -311)));
    EXPECT_TRUE(sameBits(Metaballs::sample(set.get(), index(1, 2, 3)).pos, Vector3d(-152, -144, -23)));
    for (int i = 0; i < Metaballs::NSAMPLES; i += 997) {  // nothing before the first pass
        const Metaballs::sfelt s = Metaballs::sample(set.get(), i);
        ASSERT_TRUE(s.kraft == 0.0 && s.inni == 0 && sameBits(s.normal, Vector3d())) << i;
    }
    EXPECT_TRUE(polygonise(set.get()).empty());

    // Strength 3 at squared distance 3000 from sample (20, 20, 20) gives 9 / 3000: exactly the threshold, outside.
    const int s = index(20, 20, 20);
    Metaballs::initmetaball(5.0, 0.0, 3.0, 20, 50, -149, &set->baller[0]);
    Metaballs::regnfelt(set.get());
    EXPECT_EQ(Metaballs::sample(set.get(), s).kraft, 0.003);
    EXPECT_EQ(Metaballs::sample(set.get(), s).inni, 0);
    EXPECT_EQ(Metaballs::sample(set.get(), index(21, 21, 20)).inni, 1);

    // First pass: higher neighbours still hold the zeros of the set-up; a missing one is the sample.
    auto k = [&](int i) { return Metaballs::kraft(set.get(), i); };
    auto difference = [&](int a, int b, int c, int d, int e, int f) {
        return Vector3d(float(k(a) - k(b)), float(k(c) - k(d)), float(k(e) - k(f)));
    };
    const int last = Metaballs::NSAMPLES - 1;
    EXPECT_TRUE(sameBits(Metaballs::sample(set.get(), 0).normal, Vector3d(float(k(0)), float(k(0)), float(k(0)))));
    EXPECT_TRUE(sameBits(Metaballs::sample(set.get(), last).normal, difference(last - 1, last, last - 40, last, last - 1600, last)));
    // Second pass: flat neighbours across row ends, and the previous pass above.
    Metaballs::regnfelt(set.get());
    const int end = index(39, 5, 0);
    EXPECT_TRUE(sameBits(Metaballs::sample(set.get(), end).normal, difference(end - 1, end + 1, end - 40, end + 40, end, end + 1600)));
}

TEST(MetaballField, BallOnASampleAndGridsAllInOrAllOut) {
    std::unique_ptr<Set> set = makeSet(false, 2);
    Metaballs::initmetaball(5.0, 0.0, 2.0, 0, 0, -159, &set->baller[0]);      // on sample (20, 20, 20)
    Metaballs::initmetaball(5.0, 0.0, 1.0, -160, -160, 1, &set->baller[1]);  // on the very first sample
    Metaballs::regnfelt(set.get());
    Metaballs::regnfelt(set.get());
    for (int i : {index(20, 20, 20), 0, 1, index(20, 20, 19)})
        EXPECT_TRUE(std::isfinite(Metaballs::sample(set.get(), i).kraft) && finite(Metaballs::sample(set.get(), i).normal)) << i;
    const std::vector<Metaballs::sfelt> corners = polygonise(set.get());
    ASSERT_FALSE(corners.empty());
    for (const Metaballs::sfelt& c : corners) ASSERT_TRUE(finite(c.pos) && finite(c.normal));

    set->nballer = 0;
    Metaballs::regnfelt(set.get());
    EXPECT_TRUE(polygonise(set.get()).empty());
    set->nballer = 1;
    Metaballs::initmetaball(5.0, 0.0, 10000.0, 0, 0, -150, &set->baller[0]);
    Metaballs::regnfelt(set.get());
    EXPECT_EQ(Metaballs::sample(set.get(), 0).inni, 1);
    EXPECT_TRUE(polygonise(set.get()).empty());
}

TEST(MetaballPolygoniser, TheCornerRowsAndTheCrossingPoint) {
    // Corner 0 alone inside cuts edges 0, 8 and 3; corner 7 alone (index 128) edges 7, 6 and 11.
    EXPECT_EQ(std::vector<int>(Metaballs::triangel[1], Metaballs::triangel[1] + 4), (std::vector<int>{0, 8, 3, -1}));
    EXPECT_EQ(std::vector<int>(Metaballs::triangel[128], Metaballs::triangel[128] + 4), (std::vector<int>{7, 6, 11, -1}));
    Metaballs::sfelt a, b, r;
    a.kraft = 0.006, a.pos = Vector3d(8, 16, -23), a.normal = Vector3d(1, -2, 4);
    b.kraft = 0.0, b.pos = Vector3d(16, 16, -23), b.normal = Vector3d(3, 2, 0);
    Metaballs::interpoler(&a, &b, &r, 0.003);
    EXPECT_EQ(r.kraft, 0.003);
    EXPECT_TRUE(sameBits(r.pos, Vector3d(12, 16, -23)) && sameBits(r.normal, Vector3d(2, 0, 2)));
}

// A single ball gives a closed surface, wound clockwise seen from outside (the grid's z runs
// backwards), with its corners on the threshold and their normals pointing outward along the grid's axes.
TEST(MetaballPolygoniser, SingleBallGivesAClosedSurfaceOnTheThreshold) {
    std::unique_ptr<Set> set = makeSet(false, 1);
    const Vector3d centre(3.5f, -6.25f, -101.0f);
    Metaballs::initmetaball(5.0, 0.0, 2.0, centre.x, centre.y, centre.z, &set->baller[0]);
    Metaballs::regnfelt(set.get());
    Metaballs::regnfelt(set.get());  // normals from a settled field
    const std::vector<Metaballs::sfelt> out = polygonise(set.get());
    ASSERT_GT(out.size(), 300u);
    // A grid edge is interpolated from either end by the cubes on its two sides; the two agree to rounding.
    std::map<std::tuple<long, long, long>, int> ids;
    auto id = [&](const Vector3d& p) {
        const auto key = std::make_tuple(std::lround(p.x * 1000.0f), std::lround(p.y * 1000.0f), std::lround(p.z * 1000.0f));
        return ids.emplace(key, static_cast<int>(ids.size())).first->second;
    };
    std::map<std::pair<int, int>, int> directed;
    for (size_t n = 0; n < out.size(); n += 3) {
        const Vector3d a = out[n].pos, b = out[n + 1].pos, c = out[n + 2].pos;
        const int ia = id(a), ib = id(b), ic = id(c);
        ++directed[{ia, ib}], ++directed[{ib, ic}], ++directed[{ic, ia}];
        EXPECT_LT((b - a).crossProduct(c - a).dotProduct((a + b + c) * (1.0f / 3.0f) - centre), 0.0f) << n / 3;
    }
    for (const auto& [edge, count] : directed) {
        ASSERT_EQ(count, 1);
        ASSERT_EQ(directed.count({edge.second, edge.first}), 1u) << "the surface has a hole";
    }
    for (const Metaballs::sfelt& c : out) {
        const Vector3d away = c.pos - centre;
        EXPECT_NEAR(4.0 / away.dotProduct(away), 0.003, 0.0003);
        EXPECT_GT(c.normal.dotProduct(Vector3d(away.x, away.y, -away.z)), 0.0f);
    }
}

TEST(MetaballPolygoniser, FastPassMatchesThePlainOneExactly) {
    for (bool second : {false, true}) {
        std::unique_ptr<Set> set = makeSet(second);
        ReferenceMetaballs ref(*set);
        for (int ms : {0, 4000, 4017, 12000, 12050}) {
            Metaballs::beveg(set.get(), ms, second);
            expectSameAsReference(set.get(), ref, second ? "second layout" : "first layout");
        }
    }
}

TEST(MetaballMotion, GroupsFollowTheAnimationParameterAtAnyFrameRate) {
    auto moved = [](float r, bool second) {
        std::unique_ptr<Set> before = makeSet(second), after = makeSet(second);
        Metaballs::flyttballer(after.get(), r, second);
        std::vector<int> which;
        for (int j = 0; j < 10; ++j)
            if (!sameBits(before->baller[j].pos, after->baller[j].pos)) which.push_back(j);
        return which;
    };
    const std::vector<int> none, group1 = {0, 1, 2, 3}, group2 = {4, 5, 6, 7, 8}, both = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(moved(std::nextafter(10.0f, 0.0f), false), group1);
    EXPECT_EQ(moved(10.0f, false), none);
    EXPECT_EQ(moved(std::nextafter(10.0f, 20.0f), false), group2);
    EXPECT_EQ(moved(std::nextafter(20.0f, 0.0f), false), group2);
    EXPECT_EQ(moved(20.0f, false), none);
    EXPECT_EQ(moved(std::nextafter(20.0f, 30.0f), false), both);
    EXPECT_EQ(moved(10.0f, true), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

    // Fixed steps: 30 and 500 frames a second, and one jump, reach the same positions at 5 s.
    std::unique_ptr<Set> slow = makeSet(false), fast = makeSet(false), once = makeSet(false);
    for (int frame = 0; frame * 1000 / 30 <= 5000; ++frame) Metaballs::beveg(slow.get(), frame * 1000 / 30, false);
    for (int frame = 0; frame * 1000 / 500 <= 5000; ++frame) Metaballs::beveg(fast.get(), frame * 1000 / 500, false);
    Metaballs::beveg(once.get(), 5000, false);
    EXPECT_EQ(once->steg, 301);
    for (int j = 0; j < 9; ++j)
        EXPECT_TRUE(sameBits(slow->baller[j].pos, fast->baller[j].pos) && sameBits(once->baller[j].pos, fast->baller[j].pos)) << j;
}
