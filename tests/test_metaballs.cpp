// The metaball field, the marching-cubes tables and polygoniser, and the ball motion, without GL;
// the fast field and polygoniser are held against the plain ones in MetaballsReference.
#include "Metaballs.h"
#include "MetaballsReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <tuple>

using moriqtest::Recorder;
using moriqtest::ReferenceMetaballs;
using Set = Metaballs::metaballer;

namespace {

const int FIRST_CORNER[8][3] = {{0, 1, 1}, {1, 1, 1}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}, {0, 0, 0}};

std::unique_ptr<Set> makeSet(bool secondLayout) {
    std::unique_ptr<Set> set(new Set());
    Metaballs::initmetaballs(secondLayout ? 10 : 9, 5.0, 40, 40, 40, -160, 160, -160, 160, 1, -320, set.get(),
                             secondLayout);
    return set;
}

int index(int x, int y, int z) {
    return x + 40 * y + 1600 * z;
}

bool sameBits(const Vector3d& a, const Vector3d& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Compares every sample and the whole triangle stream of the fast pass with the plain one.
void expectSameAsReference(Set* set, ReferenceMetaballs& ref, const char* where) {
    SCOPED_TRACE(where);
    Metaballs::regnfelt(set);
    ref.regnfelt(*set);
    Recorder fast, plain;
    Metaballs::tegngrid(set, fast);
    ref.tegngrid(plain);
    ASSERT_EQ(fast.corners.size(), plain.corners.size());
    for (size_t n = 0; n < fast.corners.size(); ++n) {
        ASSERT_TRUE(sameBits(fast.corners[n].pos, plain.corners[n].pos)) << "corner " << n;
        ASSERT_TRUE(sameBits(fast.corners[n].normal, plain.corners[n].normal)) << "corner " << n;
    }
    for (int i = 0; i < Metaballs::NSAMPLES; ++i) {
        const Metaballs::sfelt s = Metaballs::sample(set, i);
        const Metaballs::sfelt& r = ref.skalarfelt[i];
        ASSERT_EQ(s.kraft, r.kraft) << "sample " << i;
        ASSERT_EQ(s.inni, r.inni) << "sample " << i;
        ASSERT_TRUE(sameBits(s.normal, r.normal)) << "sample " << i;
        ASSERT_TRUE(sameBits(s.pos, r.pos)) << "sample " << i;
    }
}

// Where the triangle's corners stand relative to a set of inside corners, in grid units.
Vector3d edgeMidpoint(int e) {
    const int* a = FIRST_CORNER[Metaballs::kant[e][0]];
    const int* b = FIRST_CORNER[Metaballs::kant[e][1]];
    return Vector3d((a[0] + b[0]) * 0.5f, (a[1] + b[1]) * 0.5f, (a[2] + b[2]) * 0.5f);
}

}  // namespace

TEST(MetaballTables, EdgeTableFollowsItsRuleAndTriangleTableHasTheStandardShape) {
    int triangles = 0;
    for (int m = 0; m < 256; ++m) {
        int cut = 0;
        for (int e = 0; e < 12; ++e) {
            if (((m >> Metaballs::kant[e][0]) & 1) != ((m >> Metaballs::kant[e][1]) & 1)) cut |= 1 << e;
        }
        ASSERT_EQ(Metaballs::kubehjorne[m], cut) << "row " << m;

        const int* row = Metaballs::triangel[m];
        int n = 0;
        int used = 0;
        while (n < 16 && row[n] != -1) {
            ASSERT_GE(row[n], 0);
            ASSERT_LT(row[n], 12);
            used |= 1 << row[n];
            ++n;
        }
        ASSERT_EQ(n % 3, 0) << "row " << m;
        ASSERT_LE(n, 15) << "row " << m;
        for (; n < 16; ++n) ASSERT_EQ(row[n], -1) << "row " << m << " is padded with -1";
        EXPECT_EQ(used & ~cut, 0) << "row " << m << " uses an edge that is not cut";
        EXPECT_EQ(used, cut) << "row " << m << " leaves a cut edge without a triangle";
        for (n = 0; row[n] != -1; n += 3) ++triangles;
    }
    EXPECT_EQ(triangles, 820);
    EXPECT_EQ(Metaballs::kubehjorne[1], 0x109);
    EXPECT_EQ(Metaballs::kubehjorne[8], 0x80c);

    const std::map<int, std::vector<int>> telling = {
        {0, {}}, {1, {0, 8, 3}}, {2, {0, 1, 9}}, {3, {1, 8, 3, 9, 8, 1}}, {4, {1, 2, 10}},
        {5, {0, 8, 3, 1, 2, 10}}, {6, {9, 2, 10, 0, 2, 9}}, {7, {2, 8, 3, 2, 10, 8, 10, 9, 8}},
        {8, {3, 11, 2}}, {9, {0, 11, 2, 8, 11, 0}}, {10, {1, 9, 0, 2, 3, 11}},
        {11, {1, 11, 2, 1, 9, 11, 9, 8, 11}}, {12, {3, 10, 1, 11, 10, 3}},
        {13, {0, 10, 1, 0, 8, 10, 8, 11, 10}}, {14, {3, 9, 0, 3, 11, 9, 11, 10, 9}},
        {15, {9, 8, 10, 10, 8, 11}}, {16, {4, 7, 8}}, {127, {7, 11, 6}}, {128, {7, 6, 11}},
        {254, {0, 3, 8}}, {255, {}}};
    for (const auto& [m, edges] : telling) {
        std::vector<int> row;
        for (int n = 0; Metaballs::triangel[m][n] != -1; ++n) row.push_back(Metaballs::triangel[m][n]);
        EXPECT_EQ(row, edges) << "row " << m;
    }
}

// (b - a) x (c - a) must point from the inside corners to the outside ones. Judged against the
// trilinear blend of the corner bits at the triangle's centre (which falls toward the outside), and
// against the directions of the triangle's own edges from their inside to their outside corner.
TEST(MetaballTables, EveryTriangleFacesFromInsideToOutside) {
    for (int m = 1; m < 255; ++m) {
        for (int n = 0; Metaballs::triangel[m][n] != -1; n += 3) {
            const int* tri = &Metaballs::triangel[m][n];
            const Vector3d a = edgeMidpoint(tri[0]), b = edgeMidpoint(tri[1]), c = edgeMidpoint(tri[2]);
            const Vector3d normal = (b - a).crossProduct(c - a);
            const Vector3d centre = (a + b + c) * (1.0f / 3.0f);
            Vector3d gradient;
            for (int k = 0; k < 8; ++k) {
                if (!((m >> k) & 1)) continue;
                const int* p = FIRST_CORNER[k];
                const float w[3] = {p[0] ? centre.x : 1 - centre.x, p[1] ? centre.y : 1 - centre.y,
                                    p[2] ? centre.z : 1 - centre.z};
                const float s[3] = {p[0] ? 1.0f : -1.0f, p[1] ? 1.0f : -1.0f, p[2] ? 1.0f : -1.0f};
                gradient = gradient + Vector3d(s[0] * w[1] * w[2], w[0] * s[1] * w[2], w[0] * w[1] * s[2]);
            }
            EXPECT_LT(normal.dotProduct(gradient), 0.0f) << "row " << m << " triangle " << n / 3;
            float outward = 0.0f;
            for (int k = 0; k < 3; ++k) {
                const int from = Metaballs::kant[tri[k]][0], to = Metaballs::kant[tri[k]][1];
                const bool fromInside = (m >> from) & 1;
                const int* in = FIRST_CORNER[fromInside ? from : to];
                const int* out = FIRST_CORNER[fromInside ? to : from];
                outward += normal.dotProduct(Vector3d(out[0] - in[0], out[1] - in[1], out[2] - in[2]));
            }
            EXPECT_GT(outward, 0.0f) << "row " << m << " triangle " << n / 3;
        }
    }
}

TEST(MetaballField, SetUpGivesTheGridAndAnEmptyField) {
    std::unique_ptr<Set> set = makeSet(false);
    EXPECT_EQ(set->d.x, 8.0f);
    EXPECT_EQ(set->d.y, 8.0f);
    EXPECT_EQ(set->d.z, -8.0f);
    EXPECT_EQ(set->threshold, 0.003);
    EXPECT_EQ(set->nballer, 9);
    const Metaballs::sfelt first = Metaballs::sample(set.get(), 0);
    const Metaballs::sfelt last = Metaballs::sample(set.get(), Metaballs::NSAMPLES - 1);
    EXPECT_TRUE(sameBits(first.pos, Vector3d(-160, -160, 1)));
    EXPECT_TRUE(sameBits(last.pos, Vector3d(152, 152, -311)));
    EXPECT_TRUE(sameBits(Metaballs::sample(set.get(), index(1, 2, 3)).pos, Vector3d(-152, -144, -23)));
    for (int i = 0; i < Metaballs::NSAMPLES; i += 997) {
        const Metaballs::sfelt s = Metaballs::sample(set.get(), i);
        ASSERT_TRUE(s.kraft == 0.0 && s.inni == 0 && sameBits(s.normal, Vector3d())) << i;
    }
    Recorder none;
    Metaballs::tegngrid(set.get(), none);
    EXPECT_TRUE(none.corners.empty());

    EXPECT_TRUE(sameBits(set->baller[3].pos, Vector3d(-50, -20, -80)));
    EXPECT_EQ(set->baller[3].kraft, 2.0);
    EXPECT_EQ(set->baller[3].radius, 5.0);
    std::unique_ptr<Set> second = makeSet(true);
    EXPECT_EQ(second->nballer, 10);
    EXPECT_TRUE(sameBits(second->baller[9].pos, Vector3d(90, 100, -80)));
    EXPECT_EQ(second->baller[9].kraft, 1.0);
}

TEST(MetaballField, ThresholdIsExclusiveAndBoundaryNormalsStayInTheGrid) {
    std::unique_ptr<Set> set = makeSet(false);
    set->nballer = 1;
    // Strength 3 at squared distance 3000 gives 9 / 3000, exactly the threshold.
    const int s = index(20, 20, 20);  // at (0, 0, -159)
    Metaballs::initmetaball(5.0, 0.0, 3.0, 20, 50, -149, &set->baller[0]);
    Metaballs::regnfelt(set.get());
    EXPECT_EQ(Metaballs::sample(set.get(), s).kraft, 0.003);
    EXPECT_EQ(Metaballs::sample(set.get(), s).inni, 0);
    EXPECT_EQ(Metaballs::sample(set.get(), index(21, 21, 20)).inni, 1);

    // First pass: higher neighbours still hold the zeros of the set-up; a missing one is the sample.
    auto k = [&](int i) { return Metaballs::kraft(set.get(), i); };
    const int last = Metaballs::NSAMPLES - 1;
    const Metaballs::sfelt corner0 = Metaballs::sample(set.get(), 0);
    EXPECT_TRUE(sameBits(corner0.normal, Vector3d(float(k(0)), float(k(0)), float(k(0)))));
    const Metaballs::sfelt cornerN = Metaballs::sample(set.get(), last);
    EXPECT_TRUE(sameBits(cornerN.normal, Vector3d(float(k(last - 1) - k(last)), float(k(last - 40) - k(last)),
                                                  float(k(last - 1600) - k(last)))));
    // Second pass: flat neighbours across row ends, and the previous pass above.
    Metaballs::regnfelt(set.get());
    const int rowEnd = index(39, 5, 0);
    EXPECT_TRUE(sameBits(Metaballs::sample(set.get(), rowEnd).normal,
                         Vector3d(float(k(rowEnd - 1) - k(rowEnd + 1)), float(k(rowEnd - 40) - k(rowEnd + 40)),
                                  float(k(rowEnd) - k(rowEnd + 1600)))));
}

TEST(MetaballField, BallOnASampleStaysFinite) {
    std::unique_ptr<Set> set = makeSet(false);
    set->nballer = 2;
    const int s = index(20, 20, 20);
    Metaballs::initmetaball(5.0, 0.0, 2.0, 0, 0, -159, &set->baller[0]);
    Metaballs::initmetaball(5.0, 0.0, 1.0, -160, -160, 1, &set->baller[1]);  // on the very first sample
    Metaballs::regnfelt(set.get());
    Metaballs::regnfelt(set.get());
    auto finite = [](const Vector3d& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); };
    for (int i : {s, 0, s + 1, s - 1600, 1}) {
        const Metaballs::sfelt v = Metaballs::sample(set.get(), i);
        EXPECT_TRUE(std::isfinite(v.kraft) && finite(v.normal)) << i;
    }
    EXPECT_EQ(Metaballs::sample(set.get(), s).inni, 1);
    Recorder out;
    Metaballs::tegngrid(set.get(), out);
    ASSERT_FALSE(out.corners.empty());
    for (const Metaballs::sfelt& c : out.corners) ASSERT_TRUE(finite(c.pos) && finite(c.normal));
}

TEST(MetaballPolygoniser, EmptyAndFullGridsDrawNothing) {
    std::unique_ptr<Set> set = makeSet(false);
    set->nballer = 0;
    Metaballs::regnfelt(set.get());
    Recorder out;
    Metaballs::tegngrid(set.get(), out);
    EXPECT_TRUE(out.corners.empty());

    set->nballer = 1;
    Metaballs::initmetaball(5.0, 0.0, 10000.0, 0, 0, -150, &set->baller[0]);
    Metaballs::regnfelt(set.get());
    EXPECT_EQ(Metaballs::sample(set.get(), 0).inni, 1);
    Metaballs::tegngrid(set.get(), out);
    EXPECT_TRUE(out.corners.empty());
}

// One inside sample is corner 1, 5, 0, 4, 2, 6, 3 and 7 of the eight cubes around it, in walk order.
TEST(MetaballPolygoniser, LoneInsideSampleGivesOneTrianglePerCubeOnTheRightEdges) {
    std::unique_ptr<Set> set = makeSet(false);
    set->nballer = 1;
    const int sx = 20, sy = 20, sz = 20;
    const int s = index(sx, sy, sz);  // at (0, 0, -159)
    Metaballs::initmetaball(5.0, 0.0, 0.3, 1, 1, -160, &set->baller[0]);
    Metaballs::regnfelt(set.get());
    int inside = 0;
    for (int i = 0; i < Metaballs::NSAMPLES; ++i) inside += Metaballs::sample(set.get(), i).inni;
    ASSERT_EQ(inside, 1);
    ASSERT_EQ(Metaballs::sample(set.get(), s).inni, 1);
    Recorder out;
    Metaballs::tegngrid(set.get(), out);
    ASSERT_EQ(out.corners.size(), 8u * 3u);

    const double k = Metaballs::sample(set.get(), s).kraft;
    auto crossingToward = [&](int i) {  // where the surface meets the edge from s to sample i
        const long double t = (0.003L - k) / ((long double)Metaballs::sample(set.get(), i).kraft - k);
        const Vector3d from = Metaballs::sample(set.get(), s).pos, to = Metaballs::sample(set.get(), i).pos;
        return Vector3d(float(from.x + t * (to.x - from.x)), float(from.y + t * (to.y - from.y)),
                        float(from.z + t * (to.z - from.z)));
    };
    // The third cube has s as corner 0: edges 0 (toward +x), 8 (toward -y), 3 (toward grid z - 1).
    EXPECT_TRUE(sameBits(out.corners[6].pos, crossingToward(index(sx + 1, sy, sz))));
    EXPECT_TRUE(sameBits(out.corners[7].pos, crossingToward(index(sx, sy - 1, sz))));
    // Edge 3 runs from corner 3 to corner 0; its crossing is interpolated in that direction.
    const long double t3 = (0.003L - Metaballs::sample(set.get(), s - 1600).kraft) /
                           ((long double)k - Metaballs::sample(set.get(), s - 1600).kraft);
    EXPECT_EQ(out.corners[8].pos.x, 0.0f);
    EXPECT_EQ(out.corners[8].pos.y, 0.0f);
    EXPECT_EQ(out.corners[8].pos.z, float(-151.0L + t3 * (-159.0L + 151.0L)));
    // The last cube has s as corner 7 (index 128): edges 7 (toward grid z + 1), 6 (from +x), 11 (from +y).
    EXPECT_TRUE(sameBits(out.corners[21].pos, crossingToward(index(sx, sy, sz + 1))));
    EXPECT_EQ(out.corners[22].pos.y, 0.0f);
    EXPECT_GT(out.corners[22].pos.x, 0.0f);
    EXPECT_EQ(out.corners[23].pos.x, 0.0f);
    EXPECT_GT(out.corners[23].pos.y, 0.0f);
}

TEST(MetaballPolygoniser, CrossingInterpolatesFieldNormalAndPosition) {
    Metaballs::sfelt a, b, r;
    a.kraft = 0.006;
    a.pos = Vector3d(8, 16, -23);
    a.normal = Vector3d(1, -2, 4);
    b.kraft = 0.0;
    b.pos = Vector3d(16, 16, -23);
    b.normal = Vector3d(3, 2, 0);
    Metaballs::interpoler(&a, &b, &r, 0.003);
    EXPECT_EQ(r.kraft, 0.003);
    EXPECT_TRUE(sameBits(r.pos, Vector3d(12, 16, -23)));
    EXPECT_TRUE(sameBits(r.normal, Vector3d(2, 0, 2)));
    Metaballs::interpoler(&b, &a, &r, 0.0015);  // a quarter of the way from b to a
    EXPECT_TRUE(sameBits(r.pos, Vector3d(14, 16, -23)));
}

// A single ball gives a closed surface, wound clockwise seen from outside (the grid's z runs
// backwards), with its corners on the threshold and their normals pointing outward along the grid's
// axes (so their z, a difference along grid z, points against world z).
TEST(MetaballPolygoniser, SingleBallGivesAClosedSurfaceOnTheThreshold) {
    std::unique_ptr<Set> set = makeSet(false);
    set->nballer = 1;
    const Vector3d centre(3.5f, -6.25f, -101.0f);
    Metaballs::initmetaball(5.0, 0.0, 2.0, centre.x, centre.y, centre.z, &set->baller[0]);
    Metaballs::regnfelt(set.get());
    Metaballs::regnfelt(set.get());  // normals from a settled field
    Recorder out;
    Metaballs::tegngrid(set.get(), out);
    ASSERT_GT(out.corners.size(), 300u);

    // A grid edge is interpolated from either end by the cubes on its two sides; the two agree to rounding.
    std::map<std::tuple<long, long, long>, int> ids;
    auto id = [&](const Vector3d& p) {
        const auto key = std::make_tuple(std::lround(p.x * 1000.0f), std::lround(p.y * 1000.0f), std::lround(p.z * 1000.0f));
        return ids.emplace(key, static_cast<int>(ids.size())).first->second;
    };
    std::map<std::pair<int, int>, int> directed;
    for (size_t n = 0; n < out.corners.size(); n += 3) {
        const Vector3d a = out.corners[n].pos, b = out.corners[n + 1].pos, c = out.corners[n + 2].pos;
        const int ia = id(a), ib = id(b), ic = id(c);
        ++directed[{ia, ib}];
        ++directed[{ib, ic}];
        ++directed[{ic, ia}];
        const Vector3d facing = (b - a).crossProduct(c - a);
        EXPECT_LT(facing.dotProduct((a + b + c) * (1.0f / 3.0f) - centre), 0.0f) << "triangle " << n / 3;
    }
    for (const auto& [edge, count] : directed) {
        ASSERT_EQ(count, 1);
        ASSERT_EQ(directed.count({edge.second, edge.first}), 1u) << "the surface has a hole";
    }
    for (const Metaballs::sfelt& c : out.corners) {
        const Vector3d away = c.pos - centre;
        const double field = 4.0 / away.dotProduct(away);
        EXPECT_NEAR(field, 0.003, 0.0003);
        EXPECT_GT(c.normal.dotProduct(Vector3d(away.x, away.y, -away.z)), 0.0f);
    }
}

TEST(MetaballPolygoniser, FastPassMatchesThePlainOneExactly) {
    {
        std::unique_ptr<Set> set = makeSet(false);
        ReferenceMetaballs ref(*set);
        expectSameAsReference(set.get(), ref, "first layout, first pass");
        Metaballs::beveg(set.get(), 12000, false);
        expectSameAsReference(set.get(), ref, "first layout at 12 s");
        for (int ms : {12017, 12050, 12400}) {
            Metaballs::beveg(set.get(), ms, false);
            expectSameAsReference(set.get(), ref, "first layout, later frames");
        }
    }
    {
        std::unique_ptr<Set> set = makeSet(true);
        ReferenceMetaballs ref(*set);
        for (int ms : {0, 4000, 4017, 9000}) {
            Metaballs::beveg(set.get(), ms, true);
            expectSameAsReference(set.get(), ref, "second layout");
        }
    }
    // Balls anywhere in and around the box, against the grid's faces and corners.
    std::mt19937 random(5);
    std::uniform_real_distribution<float> across(-200.0f, 200.0f), deep(-350.0f, 40.0f), strength(0.3f, 3.0f);
    for (int trial = 0; trial < 6; ++trial) {
        std::unique_ptr<Set> set = makeSet(false);
        set->nballer = 1 + trial * 2;
        ReferenceMetaballs ref(*set);
        for (int j = 0; j < set->nballer; ++j) {
            Metaballs::initmetaball(5.0, 0.0, strength(random), across(random), across(random), deep(random),
                                    &set->baller[j]);
        }
        for (int frame = 0; frame < 3; ++frame) {
            expectSameAsReference(set.get(), ref, "random balls");
            for (int j = 0; j < set->nballer; ++j) {
                set->baller[j].pos = set->baller[j].pos + Vector3d(across(random), across(random), across(random)) * 0.02f;
            }
        }
    }
}

TEST(MetaballMotion, GroupsFollowTheAnimationParameter) {
    auto moved = [](float r, bool gruppe3) {
        std::unique_ptr<Set> before = makeSet(gruppe3), after = makeSet(gruppe3);
        Metaballs::flyttballer(after.get(), r, gruppe3);
        std::vector<int> which;
        for (int j = 0; j < 10; ++j) {
            if (!sameBits(before->baller[j].pos, after->baller[j].pos)) which.push_back(j);
        }
        return which;
    };
    const std::vector<int> group1 = {0, 1, 2, 3}, group2 = {4, 5, 6, 7, 8}, both = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(moved(std::nextafter(10.0f, 0.0f), false), group1);
    EXPECT_EQ(moved(10.0f, false), std::vector<int>());
    EXPECT_EQ(moved(std::nextafter(10.0f, 20.0f), false), group2);
    EXPECT_EQ(moved(std::nextafter(20.0f, 0.0f), false), group2);
    EXPECT_EQ(moved(20.0f, false), std::vector<int>());
    EXPECT_EQ(moved(std::nextafter(20.0f, 30.0f), false), both);
    EXPECT_EQ(moved(10.0f, true), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

    // At r = 0 only the cosine terms of group 1 move.
    std::unique_ptr<Set> set = makeSet(false);
    Metaballs::flyttballer(set.get(), 0.0f, false);
    EXPECT_TRUE(sameBits(set->baller[0].pos, Vector3d(-50, 0, -79)));
    EXPECT_TRUE(sameBits(set->baller[1].pos, Vector3d(60, 102, -90)));
    EXPECT_TRUE(sameBits(set->baller[2].pos, Vector3d(-40, 43, -69)));
    EXPECT_TRUE(sameBits(set->baller[3].pos, Vector3d(-50, -24, -78)));
    // Group 3 moves only x and y; ball 5 takes two x increments.
    std::unique_ptr<Set> ten = makeSet(true);
    Metaballs::flyttballer(ten.get(), float(M_PI) / 2.0f, true);
    EXPECT_NEAR(ten->baller[0].pos.y, -92.0, 1e-4);
    EXPECT_NEAR(ten->baller[0].pos.x, -49.0, 1e-4);
    EXPECT_NEAR(ten->baller[5].pos.x, 40.0 + 3.0 * std::sin(-50.0) + 3.0 * std::sin(100.0), 1e-3);
    for (int j = 0; j < 10; ++j) EXPECT_EQ(ten->baller[j].pos.z, -80.0f);
}

TEST(MetaballMotion, PathsDoNotDependOnTheFrameRate) {
    std::unique_ptr<Set> slow = makeSet(false), fast = makeSet(false);
    for (int frame = 0; frame * 1000 / 30 <= 5000; ++frame) Metaballs::beveg(slow.get(), frame * 1000 / 30, false);
    for (int frame = 0; frame * 1000 / 500 <= 5000; ++frame) Metaballs::beveg(fast.get(), frame * 1000 / 500, false);
    std::unique_ptr<Set> once = makeSet(false);
    Metaballs::beveg(once.get(), 5000, false);
    EXPECT_EQ(once->steg, 301);
    for (int j = 0; j < 9; ++j) {
        EXPECT_TRUE(sameBits(slow->baller[j].pos, fast->baller[j].pos)) << "ball " << j;
        EXPECT_TRUE(sameBits(once->baller[j].pos, fast->baller[j].pos)) << "ball " << j;
    }
}
