// Metaballs scene: the sampled field, marching cubes over it, the ball motion and the frame.
//
// Speed: the frame redoes the whole field and surface on the processor. The field is separable per
// axis, so each pass first bounds every row of 40 samples from above and computes only the rows that
// may hold an inside sample; rows a normal or a crossing needs besides are computed when first asked
// for. The bounds are formed with the same rounded operations as the values, so a row judged all
// outside is all outside. Each cube-edge crossing is interpolated once and shared between the cubes
// that use it in the same direction. The triangles, their order and their values are exactly those
// of interpolating every cut edge of every cube against a full field pass.
#include "Metaballs.h"

#include "Clock.h"
#include "PNGImage.h"
#include "Texture.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define METABALLS_X86 1
#endif

namespace {

using metaballer = Metaballs::metaballer;
using sfelt = Metaballs::sfelt;
using BallTables = Metaballs::BallTables;

const int GRID = Metaballs::GRID;
const int NROWS = Metaballs::NROWS;
const int NSAMPLES = Metaballs::NSAMPLES;

// A ball exactly on a sample would make its squared distance zero; it is floored to this instead.
const double MIN_DISTANCE2 = 1e-12;

inline double floored(double d2) {
    return d2 < MIN_DISTANCE2 ? MIN_DISTANCE2 : d2;
}

// Per ball and axis, the squared float distance to each grid coordinate, and its smallest value.
void buildTables(const metaballer* b, BallTables& t) {
    t.n = std::max(0, std::min(b->nballer, Metaballs::MAXBALLS));
    for (int j = 0; j < t.n; ++j) {
        const Metaballs::metaball& ball = b->baller[j];
        t.k2[j] = ball.kraft * ball.kraft;
        const float centre[3] = {ball.pos.x, ball.pos.y, ball.pos.z};
        double* squares[3] = {t.dx[j], t.dy[j], t.dz[j]};
        for (int axis = 0; axis < 3; ++axis) {
            for (int a = 0; a < GRID; ++a) {
                const float d = centre[axis] - b->akse[axis][a];
                squares[axis][a] = static_cast<double>(d) * d;
            }
        }
        t.minDx[j] = *std::min_element(t.dx[j], t.dx[j] + GRID);
        t.minDy[j] = *std::min_element(t.dy[j], t.dy[j] + GRID);
    }
}

// The sum, over balls j in index order, of k2[j] / floored((u[j][a] + p[j]) + q[j]) for 40
// consecutive a: a row of field values (u the x distances), or a layer of row bounds (u the y
// distances). The vector versions do the same correctly rounded operations lane by lane.
struct Shares {
    int n = 0;
    double k2[Metaballs::MAXBALLS];
    const double* u[Metaballs::MAXBALLS];
    double p[Metaballs::MAXBALLS];
    double q[Metaballs::MAXBALLS];
};

void sumSharesPlain(const Shares& s, double* out) {
    for (int a = 0; a < GRID; ++a) out[a] = 0.0;
    for (int j = 0; j < s.n; ++j) {
        for (int a = 0; a < GRID; ++a) out[a] += s.k2[j] / floored((s.u[j][a] + s.p[j]) + s.q[j]);
    }
}

#if METABALLS_X86
// max(lowest, d) keeps d unless d is below lowest (a NaN d is kept too), as floored() does.
__attribute__((target("sse2"))) void sumSharesSse2(const Shares& s, double* out) {
    __m128d sum[GRID / 2];
    for (int a = 0; a < GRID / 2; ++a) sum[a] = _mm_setzero_pd();
    const __m128d lowest = _mm_set1_pd(MIN_DISTANCE2);
    for (int j = 0; j < s.n; ++j) {
        const __m128d p = _mm_set1_pd(s.p[j]), q = _mm_set1_pd(s.q[j]), k2 = _mm_set1_pd(s.k2[j]);
        for (int a = 0; a < GRID / 2; ++a) {
            const __m128d d = _mm_max_pd(lowest, _mm_add_pd(_mm_add_pd(_mm_loadu_pd(s.u[j] + 2 * a), p), q));
            sum[a] = _mm_add_pd(sum[a], _mm_div_pd(k2, d));
        }
    }
    for (int a = 0; a < GRID / 2; ++a) _mm_storeu_pd(out + 2 * a, sum[a]);
}

__attribute__((target("avx"))) void sumSharesAvx(const Shares& s, double* out) {
    __m256d sum[GRID / 4];
    for (int a = 0; a < GRID / 4; ++a) sum[a] = _mm256_setzero_pd();
    const __m256d lowest = _mm256_set1_pd(MIN_DISTANCE2);
    for (int j = 0; j < s.n; ++j) {
        const __m256d p = _mm256_set1_pd(s.p[j]), q = _mm256_set1_pd(s.q[j]), k2 = _mm256_set1_pd(s.k2[j]);
        for (int a = 0; a < GRID / 4; ++a) {
            const __m256d d =
                _mm256_max_pd(lowest, _mm256_add_pd(_mm256_add_pd(_mm256_loadu_pd(s.u[j] + 4 * a), p), q));
            sum[a] = _mm256_add_pd(sum[a], _mm256_div_pd(k2, d));
        }
    }
    for (int a = 0; a < GRID / 4; ++a) _mm256_storeu_pd(out + 4 * a, sum[a]);
}
#endif

using SumShares = void (*)(const Shares&, double*);

SumShares pickSumShares() {
#if METABALLS_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx")) return sumSharesAvx;
    if (__builtin_cpu_supports("sse2")) return sumSharesSse2;
#endif
    return sumSharesPlain;
}

const SumShares sumShares = pickSumShares();

// The field along one row, summed over the balls in index order as the per-sample formula does.
void fillRow(const BallTables& t, int row, double* out) {
    const int y = row % GRID;
    const int z = row / GRID;
    Shares s;
    s.n = t.n;
    for (int j = 0; j < t.n; ++j) {
        s.k2[j] = t.k2[j];
        s.u[j] = t.dx[j];
        s.p[j] = t.dy[j][y];
        s.q[j] = t.dz[j][z];
    }
    sumShares(s, out);
}

// Upper bounds of the field over each row of layer z: every ball as close to the row as it gets.
// They are formed with the same rounded operations as the values, so no value exceeds its bound.
void rowBounds(const BallTables& t, int z, double* out) {
    Shares s;
    s.n = t.n;
    for (int j = 0; j < t.n; ++j) {
        s.k2[j] = t.k2[j];
        s.u[j] = t.dy[j];
        s.p[j] = t.minDx[j];
        s.q[j] = t.dz[j][z];
    }
    sumShares(s, out);
}

// The row's values for a pass (the last or the one before), computed now if that pass has not yet.
inline const double* rowValues(metaballer* b, unsigned pass, int row) {
    const int parity = pass & 1;
    double* values = &b->felt[parity][row * GRID];
    if (b->radPass[parity][row] != pass) {
        fillRow(b->tabell[parity], row, values);
        b->radPass[parity][row] = pass;
    }
    return values;
}

inline double current(metaballer* b, int i) {
    return rowValues(b, b->pass, i / GRID)[i % GRID];
}

// Before the second pass the samples still hold the zeros of the set-up.
inline double previous(metaballer* b, int i) {
    return b->pass < 2 ? 0.0 : rowValues(b, b->pass - 1, i / GRID)[i % GRID];
}

// A single sweep over the grid meets lower neighbours already updated and higher ones not yet.
Vector3d normalAt(metaballer* b, int i, double here) {
    const double left = i >= 1 ? current(b, i - 1) : here;
    const double right = i + 1 < NSAMPLES ? previous(b, i + 1) : here;
    const double down = i >= GRID ? current(b, i - GRID) : here;
    const double up = i + GRID < NSAMPLES ? previous(b, i + GRID) : here;
    const double near = i >= NROWS ? current(b, i - NROWS) : here;
    const double far = i + NROWS < NSAMPLES ? previous(b, i + NROWS) : here;
    return Vector3d(static_cast<float>(left - right), static_cast<float>(down - up),
                    static_cast<float>(near - far));
}

// The walk asks for a sample's normal from up to six edges; it is formed once.
inline const Vector3d& normalOf(metaballer* b, int i, double here) {
    const int layer = i / NROWS;
    Metaballs::metaballer::Normal& memo = b->normaler[layer & 1][i % NROWS];
    if (memo.pass != b->pass || memo.layer != layer) {
        memo.normal = normalAt(b, i, here);
        memo.pass = b->pass;
        memo.layer = layer;
    }
    return memo.normal;
}

inline Vector3d positionOf(const metaballer* b, int i) {
    return Vector3d(b->akse[0][i % GRID], b->akse[1][(i / GRID) % GRID], b->akse[2][i / NROWS]);
}

inline float lerp(float from, float to, long double t) {
    return static_cast<float>(from + t * (static_cast<long double>(to) - from));
}

// The crossing on the cube edge from sample i to sample j, which differ along one axis only: the
// other two coordinates are the samples' own (interpolating equal values returns them unchanged).
void crossing(metaballer* b, int i, int j, int axis, sfelt* out) {
    const double k1 = current(b, i);
    const double k2 = current(b, j);
    const Vector3d& n1 = normalOf(b, i, k1);
    const Vector3d& n2 = normalOf(b, j, k2);
    const long double t = (b->threshold - static_cast<long double>(k1)) / (static_cast<long double>(k2) - k1);
    out->kraft = (k1 + k2) * 0.5;
    out->normal = Vector3d(lerp(n1.x, n2.x, t), lerp(n1.y, n2.y, t), lerp(n1.z, n2.z, t));
    out->pos = positionOf(b, i);
    const Vector3d to = positionOf(b, j);
    float* moving = axis == 0 ? &out->pos.x : axis == 1 ? &out->pos.y : &out->pos.z;
    *moving = lerp(*moving, axis == 0 ? to.x : axis == 1 ? to.y : to.z, t);
    out->inni = 0;
}

}  // namespace

// The standard marching-cubes tables under this grid's corner and edge numbering: the edge table
// (bit e: edge e joins corners on different sides) and the triangle table (edge triples, -1 ends a row).
const int Metaballs::kubehjorne[256] = {
    0x0, 0x109, 0x203, 0x30a, 0x406, 0x50f, 0x605, 0x70c,
    0x80c, 0x905, 0xa0f, 0xb06, 0xc0a, 0xd03, 0xe09, 0xf00,
    0x190, 0x99, 0x393, 0x29a, 0x596, 0x49f, 0x795, 0x69c,
    0x99c, 0x895, 0xb9f, 0xa96, 0xd9a, 0xc93, 0xf99, 0xe90,
    0x230, 0x339, 0x33, 0x13a, 0x636, 0x73f, 0x435, 0x53c,
    0xa3c, 0xb35, 0x83f, 0x936, 0xe3a, 0xf33, 0xc39, 0xd30,
    0x3a0, 0x2a9, 0x1a3, 0xaa, 0x7a6, 0x6af, 0x5a5, 0x4ac,
    0xbac, 0xaa5, 0x9af, 0x8a6, 0xfaa, 0xea3, 0xda9, 0xca0,
    0x460, 0x569, 0x663, 0x76a, 0x66, 0x16f, 0x265, 0x36c,
    0xc6c, 0xd65, 0xe6f, 0xf66, 0x86a, 0x963, 0xa69, 0xb60,
    0x5f0, 0x4f9, 0x7f3, 0x6fa, 0x1f6, 0xff, 0x3f5, 0x2fc,
    0xdfc, 0xcf5, 0xfff, 0xef6, 0x9fa, 0x8f3, 0xbf9, 0xaf0,
    0x650, 0x759, 0x453, 0x55a, 0x256, 0x35f, 0x55, 0x15c,
    0xe5c, 0xf55, 0xc5f, 0xd56, 0xa5a, 0xb53, 0x859, 0x950,
    0x7c0, 0x6c9, 0x5c3, 0x4ca, 0x3c6, 0x2cf, 0x1c5, 0xcc,
    0xfcc, 0xec5, 0xdcf, 0xcc6, 0xbca, 0xac3, 0x9c9, 0x8c0,
    0x8c0, 0x9c9, 0xac3, 0xbca, 0xcc6, 0xdcf, 0xec5, 0xfcc,
    0xcc, 0x1c5, 0x2cf, 0x3c6, 0x4ca, 0x5c3, 0x6c9, 0x7c0,
    0x950, 0x859, 0xb53, 0xa5a, 0xd56, 0xc5f, 0xf55, 0xe5c,
    0x15c, 0x55, 0x35f, 0x256, 0x55a, 0x453, 0x759, 0x650,
    0xaf0, 0xbf9, 0x8f3, 0x9fa, 0xef6, 0xfff, 0xcf5, 0xdfc,
    0x2fc, 0x3f5, 0xff, 0x1f6, 0x6fa, 0x7f3, 0x4f9, 0x5f0,
    0xb60, 0xa69, 0x963, 0x86a, 0xf66, 0xe6f, 0xd65, 0xc6c,
    0x36c, 0x265, 0x16f, 0x66, 0x76a, 0x663, 0x569, 0x460,
    0xca0, 0xda9, 0xea3, 0xfaa, 0x8a6, 0x9af, 0xaa5, 0xbac,
    0x4ac, 0x5a5, 0x6af, 0x7a6, 0xaa, 0x1a3, 0x2a9, 0x3a0,
    0xd30, 0xc39, 0xf33, 0xe3a, 0x936, 0x83f, 0xb35, 0xa3c,
    0x53c, 0x435, 0x73f, 0x636, 0x13a, 0x33, 0x339, 0x230,
    0xe90, 0xf99, 0xc93, 0xd9a, 0xa96, 0xb9f, 0x895, 0x99c,
    0x69c, 0x795, 0x49f, 0x596, 0x29a, 0x393, 0x99, 0x190,
    0xf00, 0xe09, 0xd03, 0xc0a, 0xb06, 0xa0f, 0x905, 0x80c,
    0x70c, 0x605, 0x50f, 0x406, 0x30a, 0x203, 0x109, 0x0,
};

const int Metaballs::triangel[256][16] = {
    {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, 8, 3, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, 1, 9, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {1, 8, 3, 9, 8, 1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {1, 2, 10, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, 8, 3, 1, 2, 10, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {9, 2, 10, 0, 2, 9, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {2, 8, 3, 2, 10, 8, 10, 9, 8, -1, -1, -1, -1, -1, -1, -1},
    {3, 11, 2, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, 11, 2, 8, 11, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {1, 9, 0, 2, 3, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {1, 11, 2, 1, 9, 11, 9, 8, 11, -1, -1, -1, -1, -1, -1, -1},
    {3, 10, 1, 11, 10, 3, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, 10, 1, 0, 8, 10, 8, 11, 10, -1, -1, -1, -1, -1, -1, -1},
    {3, 9, 0, 3, 11, 9, 11, 10, 9, -1, -1, -1, -1, -1, -1, -1},
    {9, 8, 10, 10, 8, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {4, 7, 8, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {4, 3, 0, 7, 3, 4, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, 1, 9, 8, 4, 7, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {4, 1, 9, 4, 7, 1, 7, 3, 1, -1, -1, -1, -1, -1, -1, -1},
    {1, 2, 10, 8, 4, 7, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {3, 4, 7, 3, 0, 4, 1, 2, 10, -1, -1, -1, -1, -1, -1, -1},
    {9, 2, 10, 9, 0, 2, 8, 4, 7, -1, -1, -1, -1, -1, -1, -1},
    {2, 10, 9, 2, 9, 7, 2, 7, 3, 7, 9, 4, -1, -1, -1, -1},
    {8, 4, 7, 3, 11, 2, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {11, 4, 7, 11, 2, 4, 2, 0, 4, -1, -1, -1, -1, -1, -1, -1},
    {9, 0, 1, 8, 4, 7, 2, 3, 11, -1, -1, -1, -1, -1, -1, -1},
    {4, 7, 11, 9, 4, 11, 9, 11, 2, 9, 2, 1, -1, -1, -1, -1},
    {3, 10, 1, 3, 11, 10, 7, 8, 4, -1, -1, -1, -1, -1, -1, -1},
    {1, 11, 10, 1, 4, 11, 1, 0, 4, 7, 11, 4, -1, -1, -1, -1},
    {4, 7, 8, 9, 0, 11, 9, 11, 10, 11, 0, 3, -1, -1, -1, -1},
    {4, 7, 11, 4, 11, 9, 9, 11, 10, -1, -1, -1, -1, -1, -1, -1},
    {9, 5, 4, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {9, 5, 4, 0, 8, 3, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, 5, 4, 1, 5, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {8, 5, 4, 8, 3, 5, 3, 1, 5, -1, -1, -1, -1, -1, -1, -1},
    {1, 2, 10, 9, 5, 4, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {3, 0, 8, 1, 2, 10, 4, 9, 5, -1, -1, -1, -1, -1, -1, -1},
    {5, 2, 10, 5, 4, 2, 4, 0, 2, -1, -1, -1, -1, -1, -1, -1},
    {2, 10, 5, 3, 2, 5, 3, 5, 4, 3, 4, 8, -1, -1, -1, -1},
    {9, 5, 4, 2, 3, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, 11, 2, 0, 8, 11, 4, 9, 5, -1, -1, -1, -1, -1, -1, -1},
    {0, 5, 4, 0, 1, 5, 2, 3, 11, -1, -1, -1, -1, -1, -1, -1},
    {2, 1, 5, 2, 5, 8, 2, 8, 11, 4, 8, 5, -1, -1, -1, -1},
    {10, 3, 11, 10, 1, 3, 9, 5, 4, -1, -1, -1, -1, -1, -1, -1},
    {4, 9, 5, 0, 8, 1, 8, 10, 1, 8, 11, 10, -1, -1, -1, -1},
    {5, 4, 0, 5, 0, 11, 5, 11, 10, 11, 0, 3, -1, -1, -1, -1},
    {5, 4, 8, 5, 8, 10, 10, 8, 11, -1, -1, -1, -1, -1, -1, -1},
    {9, 7, 8, 5, 7, 9, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {9, 3, 0, 9, 5, 3, 5, 7, 3, -1, -1, -1, -1, -1, -1, -1},
    {0, 7, 8, 0, 1, 7, 1, 5, 7, -1, -1, -1, -1, -1, -1, -1},
    {1, 5, 3, 3, 5, 7, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {9, 7, 8, 9, 5, 7, 10, 1, 2, -1, -1, -1, -1, -1, -1, -1},
    {10, 1, 2, 9, 5, 0, 5, 3, 0, 5, 7, 3, -1, -1, -1, -1},
    {8, 0, 2, 8, 2, 5, 8, 5, 7, 10, 5, 2, -1, -1, -1, -1},
    {2, 10, 5, 2, 5, 3, 3, 5, 7, -1, -1, -1, -1, -1, -1, -1},
    {7, 9, 5, 7, 8, 9, 3, 11, 2, -1, -1, -1, -1, -1, -1, -1},
    {9, 5, 7, 9, 7, 2, 9, 2, 0, 2, 7, 11, -1, -1, -1, -1},
    {2, 3, 11, 0, 1, 8, 1, 7, 8, 1, 5, 7, -1, -1, -1, -1},
    {11, 2, 1, 11, 1, 7, 7, 1, 5, -1, -1, -1, -1, -1, -1, -1},
    {9, 5, 8, 8, 5, 7, 10, 1, 3, 10, 3, 11, -1, -1, -1, -1},
    {5, 7, 0, 5, 0, 9, 7, 11, 0, 1, 0, 10, 11, 10, 0, -1},
    {11, 10, 0, 11, 0, 3, 10, 5, 0, 8, 0, 7, 5, 7, 0, -1},
    {11, 10, 5, 7, 11, 5, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {10, 6, 5, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, 8, 3, 5, 10, 6, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {9, 0, 1, 5, 10, 6, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {1, 8, 3, 1, 9, 8, 5, 10, 6, -1, -1, -1, -1, -1, -1, -1},
    {1, 6, 5, 2, 6, 1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {1, 6, 5, 1, 2, 6, 3, 0, 8, -1, -1, -1, -1, -1, -1, -1},
    {9, 6, 5, 9, 0, 6, 0, 2, 6, -1, -1, -1, -1, -1, -1, -1},
    {5, 9, 8, 5, 8, 2, 5, 2, 6, 3, 2, 8, -1, -1, -1, -1},
    {2, 3, 11, 10, 6, 5, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {11, 0, 8, 11, 2, 0, 10, 6, 5, -1, -1, -1, -1, -1, -1, -1},
    {0, 1, 9, 2, 3, 11, 5, 10, 6, -1, -1, -1, -1, -1, -1, -1},
    {5, 10, 6, 1, 9, 2, 9, 11, 2, 9, 8, 11, -1, -1, -1, -1},
    {6, 3, 11, 6, 5, 3, 5, 1, 3, -1, -1, -1, -1, -1, -1, -1},
    {0, 8, 11, 0, 11, 5, 0, 5, 1, 5, 11, 6, -1, -1, -1, -1},
    {3, 11, 6, 0, 3, 6, 0, 6, 5, 0, 5, 9, -1, -1, -1, -1},
    {6, 5, 9, 6, 9, 11, 11, 9, 8, -1, -1, -1, -1, -1, -1, -1},
    {5, 10, 6, 4, 7, 8, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {4, 3, 0, 4, 7, 3, 6, 5, 10, -1, -1, -1, -1, -1, -1, -1},
    {1, 9, 0, 5, 10, 6, 8, 4, 7, -1, -1, -1, -1, -1, -1, -1},
    {10, 6, 5, 1, 9, 7, 1, 7, 3, 7, 9, 4, -1, -1, -1, -1},
    {6, 1, 2, 6, 5, 1, 4, 7, 8, -1, -1, -1, -1, -1, -1, -1},
    {1, 2, 5, 5, 2, 6, 3, 0, 4, 3, 4, 7, -1, -1, -1, -1},
    {8, 4, 7, 9, 0, 5, 0, 6, 5, 0, 2, 6, -1, -1, -1, -1},
    {7, 3, 9, 7, 9, 4, 3, 2, 9, 5, 9, 6, 2, 6, 9, -1},
    {3, 11, 2, 7, 8, 4, 10, 6, 5, -1, -1, -1, -1, -1, -1, -1},
    {5, 10, 6, 4, 7, 2, 4, 2, 0, 2, 7, 11, -1, -1, -1, -1},
    {0, 1, 9, 4, 7, 8, 2, 3, 11, 5, 10, 6, -1, -1, -1, -1},
    {9, 2, 1, 9, 11, 2, 9, 4, 11, 7, 11, 4, 5, 10, 6, -1},
    {8, 4, 7, 3, 11, 5, 3, 5, 1, 5, 11, 6, -1, -1, -1, -1},
    {5, 1, 11, 5, 11, 6, 1, 0, 11, 7, 11, 4, 0, 4, 11, -1},
    {0, 5, 9, 0, 6, 5, 0, 3, 6, 11, 6, 3, 8, 4, 7, -1},
    {6, 5, 9, 6, 9, 11, 4, 7, 9, 7, 11, 9, -1, -1, -1, -1},
    {10, 4, 9, 6, 4, 10, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {4, 10, 6, 4, 9, 10, 0, 8, 3, -1, -1, -1, -1, -1, -1, -1},
    {10, 0, 1, 10, 6, 0, 6, 4, 0, -1, -1, -1, -1, -1, -1, -1},
    {8, 3, 1, 8, 1, 6, 8, 6, 4, 6, 1, 10, -1, -1, -1, -1},
    {1, 4, 9, 1, 2, 4, 2, 6, 4, -1, -1, -1, -1, -1, -1, -1},
    {3, 0, 8, 1, 2, 9, 2, 4, 9, 2, 6, 4, -1, -1, -1, -1},
    {0, 2, 4, 4, 2, 6, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {8, 3, 2, 8, 2, 4, 4, 2, 6, -1, -1, -1, -1, -1, -1, -1},
    {10, 4, 9, 10, 6, 4, 11, 2, 3, -1, -1, -1, -1, -1, -1, -1},
    {0, 8, 2, 2, 8, 11, 4, 9, 10, 4, 10, 6, -1, -1, -1, -1},
    {3, 11, 2, 0, 1, 6, 0, 6, 4, 6, 1, 10, -1, -1, -1, -1},
    {6, 4, 1, 6, 1, 10, 4, 8, 1, 2, 1, 11, 8, 11, 1, -1},
    {9, 6, 4, 9, 3, 6, 9, 1, 3, 11, 6, 3, -1, -1, -1, -1},
    {8, 11, 1, 8, 1, 0, 11, 6, 1, 9, 1, 4, 6, 4, 1, -1},
    {3, 11, 6, 3, 6, 0, 0, 6, 4, -1, -1, -1, -1, -1, -1, -1},
    {6, 4, 8, 11, 6, 8, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {7, 10, 6, 7, 8, 10, 8, 9, 10, -1, -1, -1, -1, -1, -1, -1},
    {0, 7, 3, 0, 10, 7, 0, 9, 10, 6, 7, 10, -1, -1, -1, -1},
    {10, 6, 7, 1, 10, 7, 1, 7, 8, 1, 8, 0, -1, -1, -1, -1},
    {10, 6, 7, 10, 7, 1, 1, 7, 3, -1, -1, -1, -1, -1, -1, -1},
    {1, 2, 6, 1, 6, 8, 1, 8, 9, 8, 6, 7, -1, -1, -1, -1},
    {2, 6, 9, 2, 9, 1, 6, 7, 9, 0, 9, 3, 7, 3, 9, -1},
    {7, 8, 0, 7, 0, 6, 6, 0, 2, -1, -1, -1, -1, -1, -1, -1},
    {7, 3, 2, 6, 7, 2, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {2, 3, 11, 10, 6, 8, 10, 8, 9, 8, 6, 7, -1, -1, -1, -1},
    {2, 0, 7, 2, 7, 11, 0, 9, 7, 6, 7, 10, 9, 10, 7, -1},
    {1, 8, 0, 1, 7, 8, 1, 10, 7, 6, 7, 10, 2, 3, 11, -1},
    {11, 2, 1, 11, 1, 7, 10, 6, 1, 6, 7, 1, -1, -1, -1, -1},
    {8, 9, 6, 8, 6, 7, 9, 1, 6, 11, 6, 3, 1, 3, 6, -1},
    {0, 9, 1, 11, 6, 7, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {7, 8, 0, 7, 0, 6, 3, 11, 0, 11, 6, 0, -1, -1, -1, -1},
    {7, 11, 6, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {7, 6, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {3, 0, 8, 11, 7, 6, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, 1, 9, 11, 7, 6, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {8, 1, 9, 8, 3, 1, 11, 7, 6, -1, -1, -1, -1, -1, -1, -1},
    {10, 1, 2, 6, 11, 7, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {1, 2, 10, 3, 0, 8, 6, 11, 7, -1, -1, -1, -1, -1, -1, -1},
    {2, 9, 0, 2, 10, 9, 6, 11, 7, -1, -1, -1, -1, -1, -1, -1},
    {6, 11, 7, 2, 10, 3, 10, 8, 3, 10, 9, 8, -1, -1, -1, -1},
    {7, 2, 3, 6, 2, 7, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {7, 0, 8, 7, 6, 0, 6, 2, 0, -1, -1, -1, -1, -1, -1, -1},
    {2, 7, 6, 2, 3, 7, 0, 1, 9, -1, -1, -1, -1, -1, -1, -1},
    {1, 6, 2, 1, 8, 6, 1, 9, 8, 8, 7, 6, -1, -1, -1, -1},
    {10, 7, 6, 10, 1, 7, 1, 3, 7, -1, -1, -1, -1, -1, -1, -1},
    {10, 7, 6, 1, 7, 10, 1, 8, 7, 1, 0, 8, -1, -1, -1, -1},
    {0, 3, 7, 0, 7, 10, 0, 10, 9, 6, 10, 7, -1, -1, -1, -1},
    {7, 6, 10, 7, 10, 8, 8, 10, 9, -1, -1, -1, -1, -1, -1, -1},
    {6, 8, 4, 11, 8, 6, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {3, 6, 11, 3, 0, 6, 0, 4, 6, -1, -1, -1, -1, -1, -1, -1},
    {8, 6, 11, 8, 4, 6, 9, 0, 1, -1, -1, -1, -1, -1, -1, -1},
    {9, 4, 6, 9, 6, 3, 9, 3, 1, 11, 3, 6, -1, -1, -1, -1},
    {6, 8, 4, 6, 11, 8, 2, 10, 1, -1, -1, -1, -1, -1, -1, -1},
    {1, 2, 10, 3, 0, 11, 0, 6, 11, 0, 4, 6, -1, -1, -1, -1},
    {4, 11, 8, 4, 6, 11, 0, 2, 9, 2, 10, 9, -1, -1, -1, -1},
    {10, 9, 3, 10, 3, 2, 9, 4, 3, 11, 3, 6, 4, 6, 3, -1},
    {8, 2, 3, 8, 4, 2, 4, 6, 2, -1, -1, -1, -1, -1, -1, -1},
    {0, 4, 2, 4, 6, 2, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {1, 9, 0, 2, 3, 4, 2, 4, 6, 4, 3, 8, -1, -1, -1, -1},
    {1, 9, 4, 1, 4, 2, 2, 4, 6, -1, -1, -1, -1, -1, -1, -1},
    {8, 1, 3, 8, 6, 1, 8, 4, 6, 6, 10, 1, -1, -1, -1, -1},
    {10, 1, 0, 10, 0, 6, 6, 0, 4, -1, -1, -1, -1, -1, -1, -1},
    {4, 6, 3, 4, 3, 8, 6, 10, 3, 0, 3, 9, 10, 9, 3, -1},
    {10, 9, 4, 6, 10, 4, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {4, 9, 5, 7, 6, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, 8, 3, 4, 9, 5, 11, 7, 6, -1, -1, -1, -1, -1, -1, -1},
    {5, 0, 1, 5, 4, 0, 7, 6, 11, -1, -1, -1, -1, -1, -1, -1},
    {11, 7, 6, 8, 3, 4, 3, 5, 4, 3, 1, 5, -1, -1, -1, -1},
    {9, 5, 4, 10, 1, 2, 7, 6, 11, -1, -1, -1, -1, -1, -1, -1},
    {6, 11, 7, 1, 2, 10, 0, 8, 3, 4, 9, 5, -1, -1, -1, -1},
    {7, 6, 11, 5, 4, 10, 4, 2, 10, 4, 0, 2, -1, -1, -1, -1},
    {3, 4, 8, 3, 5, 4, 3, 2, 5, 10, 5, 2, 11, 7, 6, -1},
    {7, 2, 3, 7, 6, 2, 5, 4, 9, -1, -1, -1, -1, -1, -1, -1},
    {9, 5, 4, 0, 8, 6, 0, 6, 2, 6, 8, 7, -1, -1, -1, -1},
    {3, 6, 2, 3, 7, 6, 1, 5, 0, 5, 4, 0, -1, -1, -1, -1},
    {6, 2, 8, 6, 8, 7, 2, 1, 8, 4, 8, 5, 1, 5, 8, -1},
    {9, 5, 4, 10, 1, 6, 1, 7, 6, 1, 3, 7, -1, -1, -1, -1},
    {1, 6, 10, 1, 7, 6, 1, 0, 7, 8, 7, 0, 9, 5, 4, -1},
    {4, 0, 10, 4, 10, 5, 0, 3, 10, 6, 10, 7, 3, 7, 10, -1},
    {7, 6, 10, 7, 10, 8, 5, 4, 10, 4, 8, 10, -1, -1, -1, -1},
    {6, 9, 5, 6, 11, 9, 11, 8, 9, -1, -1, -1, -1, -1, -1, -1},
    {3, 6, 11, 0, 6, 3, 0, 5, 6, 0, 9, 5, -1, -1, -1, -1},
    {0, 11, 8, 0, 5, 11, 0, 1, 5, 5, 6, 11, -1, -1, -1, -1},
    {6, 11, 3, 6, 3, 5, 5, 3, 1, -1, -1, -1, -1, -1, -1, -1},
    {1, 2, 10, 9, 5, 11, 9, 11, 8, 11, 5, 6, -1, -1, -1, -1},
    {0, 11, 3, 0, 6, 11, 0, 9, 6, 5, 6, 9, 1, 2, 10, -1},
    {11, 8, 5, 11, 5, 6, 8, 0, 5, 10, 5, 2, 0, 2, 5, -1},
    {6, 11, 3, 6, 3, 5, 2, 10, 3, 10, 5, 3, -1, -1, -1, -1},
    {5, 8, 9, 5, 2, 8, 5, 6, 2, 3, 8, 2, -1, -1, -1, -1},
    {9, 5, 6, 9, 6, 0, 0, 6, 2, -1, -1, -1, -1, -1, -1, -1},
    {1, 5, 8, 1, 8, 0, 5, 6, 8, 3, 8, 2, 6, 2, 8, -1},
    {1, 5, 6, 2, 1, 6, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {1, 3, 6, 1, 6, 10, 3, 8, 6, 5, 6, 9, 8, 9, 6, -1},
    {10, 1, 0, 10, 0, 6, 9, 5, 0, 5, 6, 0, -1, -1, -1, -1},
    {0, 3, 8, 5, 6, 10, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {10, 5, 6, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {11, 5, 10, 7, 5, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {11, 5, 10, 11, 7, 5, 8, 3, 0, -1, -1, -1, -1, -1, -1, -1},
    {5, 11, 7, 5, 10, 11, 1, 9, 0, -1, -1, -1, -1, -1, -1, -1},
    {10, 7, 5, 10, 11, 7, 9, 8, 1, 8, 3, 1, -1, -1, -1, -1},
    {11, 1, 2, 11, 7, 1, 7, 5, 1, -1, -1, -1, -1, -1, -1, -1},
    {0, 8, 3, 1, 2, 7, 1, 7, 5, 7, 2, 11, -1, -1, -1, -1},
    {9, 7, 5, 9, 2, 7, 9, 0, 2, 2, 11, 7, -1, -1, -1, -1},
    {7, 5, 2, 7, 2, 11, 5, 9, 2, 3, 2, 8, 9, 8, 2, -1},
    {2, 5, 10, 2, 3, 5, 3, 7, 5, -1, -1, -1, -1, -1, -1, -1},
    {8, 2, 0, 8, 5, 2, 8, 7, 5, 10, 2, 5, -1, -1, -1, -1},
    {9, 0, 1, 5, 10, 3, 5, 3, 7, 3, 10, 2, -1, -1, -1, -1},
    {9, 8, 2, 9, 2, 1, 8, 7, 2, 10, 2, 5, 7, 5, 2, -1},
    {1, 3, 5, 3, 7, 5, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, 8, 7, 0, 7, 1, 1, 7, 5, -1, -1, -1, -1, -1, -1, -1},
    {9, 0, 3, 9, 3, 5, 5, 3, 7, -1, -1, -1, -1, -1, -1, -1},
    {9, 8, 7, 5, 9, 7, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {5, 8, 4, 5, 10, 8, 10, 11, 8, -1, -1, -1, -1, -1, -1, -1},
    {5, 0, 4, 5, 11, 0, 5, 10, 11, 11, 3, 0, -1, -1, -1, -1},
    {0, 1, 9, 8, 4, 10, 8, 10, 11, 10, 4, 5, -1, -1, -1, -1},
    {10, 11, 4, 10, 4, 5, 11, 3, 4, 9, 4, 1, 3, 1, 4, -1},
    {2, 5, 1, 2, 8, 5, 2, 11, 8, 4, 5, 8, -1, -1, -1, -1},
    {0, 4, 11, 0, 11, 3, 4, 5, 11, 2, 11, 1, 5, 1, 11, -1},
    {0, 2, 5, 0, 5, 9, 2, 11, 5, 4, 5, 8, 11, 8, 5, -1},
    {9, 4, 5, 2, 11, 3, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {2, 5, 10, 3, 5, 2, 3, 4, 5, 3, 8, 4, -1, -1, -1, -1},
    {5, 10, 2, 5, 2, 4, 4, 2, 0, -1, -1, -1, -1, -1, -1, -1},
    {3, 10, 2, 3, 5, 10, 3, 8, 5, 4, 5, 8, 0, 1, 9, -1},
    {5, 10, 2, 5, 2, 4, 1, 9, 2, 9, 4, 2, -1, -1, -1, -1},
    {8, 4, 5, 8, 5, 3, 3, 5, 1, -1, -1, -1, -1, -1, -1, -1},
    {0, 4, 5, 1, 0, 5, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {8, 4, 5, 8, 5, 3, 9, 0, 5, 0, 3, 5, -1, -1, -1, -1},
    {9, 4, 5, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {4, 11, 7, 4, 9, 11, 9, 10, 11, -1, -1, -1, -1, -1, -1, -1},
    {0, 8, 3, 4, 9, 7, 9, 11, 7, 9, 10, 11, -1, -1, -1, -1},
    {1, 10, 11, 1, 11, 4, 1, 4, 0, 7, 4, 11, -1, -1, -1, -1},
    {3, 1, 4, 3, 4, 8, 1, 10, 4, 7, 4, 11, 10, 11, 4, -1},
    {4, 11, 7, 9, 11, 4, 9, 2, 11, 9, 1, 2, -1, -1, -1, -1},
    {9, 7, 4, 9, 11, 7, 9, 1, 11, 2, 11, 1, 0, 8, 3, -1},
    {11, 7, 4, 11, 4, 2, 2, 4, 0, -1, -1, -1, -1, -1, -1, -1},
    {11, 7, 4, 11, 4, 2, 8, 3, 4, 3, 2, 4, -1, -1, -1, -1},
    {2, 9, 10, 2, 7, 9, 2, 3, 7, 7, 4, 9, -1, -1, -1, -1},
    {9, 10, 7, 9, 7, 4, 10, 2, 7, 8, 7, 0, 2, 0, 7, -1},
    {3, 7, 10, 3, 10, 2, 7, 4, 10, 1, 10, 0, 4, 0, 10, -1},
    {1, 10, 2, 8, 7, 4, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {4, 9, 1, 4, 1, 7, 7, 1, 3, -1, -1, -1, -1, -1, -1, -1},
    {4, 9, 1, 4, 1, 7, 0, 8, 1, 8, 7, 1, -1, -1, -1, -1},
    {4, 0, 3, 7, 4, 3, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {4, 8, 7, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {9, 10, 8, 10, 11, 8, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {3, 0, 9, 3, 9, 11, 11, 9, 10, -1, -1, -1, -1, -1, -1, -1},
    {0, 1, 10, 0, 10, 8, 8, 10, 11, -1, -1, -1, -1, -1, -1, -1},
    {3, 1, 10, 11, 3, 10, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {1, 2, 11, 1, 11, 9, 9, 11, 8, -1, -1, -1, -1, -1, -1, -1},
    {3, 0, 9, 3, 9, 11, 1, 2, 9, 2, 11, 9, -1, -1, -1, -1},
    {0, 2, 11, 8, 0, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {3, 2, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {2, 3, 8, 2, 8, 10, 10, 8, 9, -1, -1, -1, -1, -1, -1, -1},
    {9, 10, 2, 0, 9, 2, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {2, 3, 8, 2, 8, 10, 0, 1, 8, 1, 10, 8, -1, -1, -1, -1},
    {1, 10, 2, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {1, 3, 8, 9, 1, 8, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, 9, 1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, 3, 8, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
};

const int Metaballs::kant[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                    {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

// ---- The field ----

void Metaballs::initmetaball(double radius, double threshold, double kraft, float x, float y, float z,
                             metaball* ball) {
    ball->radius = radius;
    ball->threshold = threshold;
    ball->kraft = kraft;
    ball->pos = Vector3d(x, y, z);
}

void Metaballs::initmetaballs(int n, double radius, int gridx, int gridy, int gridz, int wxstart, int wxslutt,
                              int wystart, int wyslutt, int wzstart, int wzslutt, metaballer* b,
                              bool andreOppsett) {
    b->radius = radius;
    b->nballer = n;
    b->gridx = gridx;
    b->gridy = gridy;
    b->gridz = gridz;
    b->wxstart = wxstart;
    b->wxslutt = wxslutt;
    b->wystart = wystart;
    b->wyslutt = wyslutt;
    b->wzstart = wzstart;
    b->wzslutt = wzslutt;
    // Integer division truncates toward zero: a z window from 1 to -320 gives -8.
    b->d = Vector3d(static_cast<float>((wxslutt - wxstart) / gridx), static_cast<float>((wyslutt - wystart) / gridy),
                    static_cast<float>((wzslutt - wzstart) / gridz));
    b->threshold = 0.003;
    const int starts[3] = {wxstart, wystart, wzstart};
    const float steps[3] = {b->d.x, b->d.y, b->d.z};
    for (int axis = 0; axis < 3; ++axis) {
        for (int a = 0; a < GRID; ++a) {
            b->akse[axis][a] = static_cast<float>(starts[axis]) + static_cast<float>(a) * steps[axis];
        }
    }
    // Every sample starts at field 0 and outside: no pass has run.
    b->pass = 0;
    std::memset(b->radPass, 0, sizeof b->radPass);
    for (auto& layer : b->normaler) {
        for (metaballer::Normal& memo : layer) memo.pass = 0;
    }
    std::memset(b->inniRad, 0, sizeof b->inniRad);
    b->steg = 0;

    // x, y, z, strength
    static const float first[9][4] = {{-50, 0, -80, 1},  {60, 100, -90, 1}, {-40, 50, -70, 1},
                                      {-50, -20, -80, 2}, {-80, 50, -75, 1}, {40, 0, -80, 2},
                                      {-20, 40, -70, 1},  {10, 70, -80, 2},  {-70, -30, -70, 1}};
    static const float second[10][4] = {{-50, -100, -80, 1}, {-40, -50, -80, 1}, {-80, 0, -80, 1},
                                        {-20, 50, -80, 1},   {-50, 100, -80, 1}, {40, -100, -80, 1},
                                        {20, -50, -80, 1},   {30, 0, -80, 1},    {40, 50, -80, 1},
                                        {90, 100, -80, 1}};
    const float (*layout)[4] = andreOppsett ? second : first;
    const int count = andreOppsett ? 10 : 9;
    for (int j = 0; j < count; ++j) {
        initmetaball(b->radius, 0.0, layout[j][3], layout[j][0], layout[j][1], layout[j][2], &b->baller[j]);
    }
}

double Metaballs::kraft(const metaballer* b, int index) {
    const Vector3d s = positionOf(b, index);
    double sum = 0.0;
    const int n = std::max(0, std::min(b->nballer, MAXBALLS));
    for (int j = 0; j < n; ++j) {
        const Vector3d avstand = b->baller[j].pos - s;
        const double d2 = static_cast<double>(avstand.x) * avstand.x + static_cast<double>(avstand.y) * avstand.y +
                          static_cast<double>(avstand.z) * avstand.z;
        sum += b->baller[j].kraft * b->baller[j].kraft / floored(d2);
    }
    return sum;
}

void Metaballs::regnfelt(metaballer* b) {
    const unsigned pass = ++b->pass;
    BallTables& t = b->tabell[pass & 1];
    buildTables(b, t);
    const double threshold = b->threshold;
    double bounds[GRID];
    for (int z = 0; z < GRID; ++z) {
        uint64_t* masks = &b->inniRad[z * GRID];
        // A layer first, with every ball as close to it as it gets.
        double layerBound = 0.0;
        for (int j = 0; j < t.n; ++j) layerBound += t.k2[j] / floored((t.minDy[j] + t.minDx[j]) + t.dz[j][z]);
        if (layerBound <= threshold) {
            std::fill(masks, masks + GRID, 0);
            continue;
        }
        rowBounds(t, z, bounds);
        for (int y = 0; y < GRID; ++y) {
            if (bounds[y] <= threshold) {
                masks[y] = 0;
                continue;
            }
            const double* values = rowValues(b, pass, y + z * GRID);
            uint64_t inside = 0;
            for (int x = 0; x < GRID; ++x) inside |= static_cast<uint64_t>(values[x] > threshold) << x;
            masks[y] = inside;
        }
    }
}

Metaballs::sfelt Metaballs::sample(metaballer* b, int index) {
    sfelt s;
    s.pos = positionOf(b, index);
    if (b->pass == 0) return s;
    s.kraft = current(b, index);
    s.normal = normalAt(b, index, s.kraft);
    s.inni = static_cast<int>((b->inniRad[index / GRID] >> (index % GRID)) & 1);
    return s;
}

// ---- The polygoniser ----

void Metaballs::lagkube(int* kindex, int index) {
    kindex[0] = index + GRID + NROWS;
    kindex[1] = index + GRID + NROWS + 1;
    kindex[2] = index + GRID + 1;
    kindex[3] = index + GRID;
    kindex[4] = index + NROWS;
    kindex[5] = index + NROWS + 1;
    kindex[6] = index + 1;
    kindex[7] = index;
}

int Metaballs::skafflookup(const metaballer* b, const int* kubeindex) {
    int lookup = 0;
    for (int n = 0; n < 8; ++n) {
        const int i = kubeindex[n];
        lookup |= static_cast<int>((b->inniRad[i / GRID] >> (i % GRID)) & 1) << n;
    }
    return lookup;
}

void Metaballs::interpoler(const sfelt* a, const sfelt* b, sfelt* r, double threshold) {
    const long double k1 = a->kraft;
    const long double k2 = b->kraft;
    const long double t = (threshold - k1) / (k2 - k1);
    r->kraft = (a->kraft + b->kraft) * 0.5;
    r->normal = Vector3d(lerp(a->normal.x, b->normal.x, t), lerp(a->normal.y, b->normal.y, t),
                         lerp(a->normal.z, b->normal.z, t));
    r->pos = Vector3d(lerp(a->pos.x, b->pos.x, t), lerp(a->pos.y, b->pos.y, t), lerp(a->pos.z, b->pos.z, t));
    r->inni = 0;
}

// Cubes go z layer by z layer, within a layer x column by column, y fastest. A cube's corners are
// bit x and x + 1 of four rows: n = 0..3 on the face at y + 1, 4..7 on the face at y.
// Sharing: edges 0-3 of a cube are edges 4-7 of the next cube up in y; y edges 8 and 9 of a layer are
// edges 11 and 10 of the next layer, and edge 9 is edge 8 of the next column. A cut shared edge means
// the cube that computed it first had differing corners too, so it was drawn and the value is there.
void Metaballs::tegngrid(metaballer* b, TriangleSink& sink) {
    std::vector<sfelt>& kanter = b->kanter;
    kanter.clear();
    if (b->pass == 0) return;
    // Axis along which each edge runs: 0 x, 1 y, 2 z.
    static const int axis[12] = {0, 2, 0, 2, 0, 2, 0, 2, 1, 1, 1, 1};
    const uint64_t* masks = b->inniRad;
    const uint64_t cubeBits = (static_cast<uint64_t>(1) << (GRID - 1)) - 1;
    uint64_t mixed[GRID];
    int v[12];    // the cube's crossings, as places in kanter
    int top[4];   // crossings on edges 0-3 of the cube just drawn
    for (int z = 0; z < GRID - 1; ++z) {
        int(*nearY)[GRID] = b->yKant[z & 1];
        int(*farY)[GRID] = b->yKant[(z + 1) & 1];
        uint64_t columns = 0;
        for (int y = 0; y < GRID - 1; ++y) {
            const uint64_t r0 = masks[y + 1 + GRID * (z + 1)], r3 = masks[y + 1 + GRID * z];
            const uint64_t r4 = masks[y + GRID * (z + 1)], r7 = masks[y + GRID * z];
            const uint64_t any = r0 | r3 | r4 | r7;
            const uint64_t all = r0 & r3 & r4 & r7;
            mixed[y] = (any | any >> 1) & ~(all & all >> 1) & cubeBits;
            columns |= mixed[y];
        }
        for (int x = 0; columns >> x; ++x) {
            if (!((columns >> x) & 1)) continue;
            for (int y = 0; y < GRID - 1; ++y) {
                if (!((mixed[y] >> x) & 1)) continue;
                const uint64_t r0 = masks[y + 1 + GRID * (z + 1)] >> x;
                const uint64_t r3 = masks[y + 1 + GRID * z] >> x;
                const uint64_t r4 = masks[y + GRID * (z + 1)] >> x;
                const uint64_t r7 = masks[y + GRID * z] >> x;
                const int lookup = static_cast<int>((r0 & 1) | (r0 & 2) | (r3 & 2) << 1 | (r3 & 1) << 3 |
                                                    (r4 & 1) << 4 | (r4 & 2) << 4 | (r7 & 2) << 5 | (r7 & 1) << 7);
                const int cut = kubehjorne[lookup];
                int k[8];
                lagkube(k, x + GRID * y + NROWS * z);
                for (int e = 0; e < 12; ++e) {
                    if (!((cut >> e) & 1)) continue;
                    if (e >= 4 && e < 8 && y > 0) {
                        v[e] = top[e - 4];
                    } else if (e == 11 && z > 0) {
                        v[e] = nearY[x][y];
                    } else if (e == 10 && z > 0) {
                        v[e] = nearY[x + 1][y];
                    } else if (e == 8 && x > 0) {
                        v[e] = farY[x][y];
                    } else {
                        v[e] = static_cast<int>(kanter.size());
                        kanter.emplace_back();
                        crossing(b, k[kant[e][0]], k[kant[e][1]], axis[e], &kanter.back());
                    }
                }
                for (int e = 0; e < 4; ++e) top[e] = v[e];
                if (cut & 0x100) farY[x][y] = v[8];
                if (cut & 0x200) farY[x + 1][y] = v[9];
                const int* row = triangel[lookup];
                for (int n = 0; row[n] != -1; n += 3) {
                    sink.triangle(kanter[v[row[n]]], kanter[v[row[n + 1]]], kanter[v[row[n + 2]]]);
                }
            }
        }
    }
}

// ---- The motion ----

namespace {

inline void add(float& coordinate, double increment) {
    coordinate = static_cast<float>(coordinate + increment);
}

inline void subtract(float& coordinate, double decrement) {
    coordinate = static_cast<float>(coordinate - decrement);
}

}  // namespace

void Metaballs::flyttballer(metaballer* b, float rf, bool gruppe3) {
    using std::cos;
    using std::sin;
    const double r = rf;
    Vector3d* p[MAXBALLS];
    for (int j = 0; j < MAXBALLS; ++j) p[j] = &b->baller[j].pos;
    if (gruppe3) {
        add(p[0]->y, 8.0 * sin(r));
        add(p[1]->y, 8.0 * cos(r));
        add(p[2]->y, 8.0 * cos(r));
        add(p[3]->y, 8.0 * sin(r));
        add(p[4]->y, 8.0 * cos(r));
        add(p[5]->y, 8.0 * sin(r));
        add(p[6]->y, 8.0 * cos(r));
        add(p[7]->y, 8.0 * cos(r));
        add(p[8]->y, 8.0 * sin(r));
        add(p[9]->y, 8.0 * cos(r));
        add(p[0]->x, sin(r));
        add(p[1]->x, 3.0 * cos(r) * sin(double(p[0]->y)));
        add(p[2]->x, 3.0 * cos(r) * sin(double(p[1]->y)));
        add(p[3]->x, sin(r));
        add(p[4]->x, cos(r));
        add(p[5]->x, 3.0 * sin(r) * sin(double(p[1]->y)));
        add(p[5]->x, 3.0 * sin(r) * sin(double(p[4]->y)));
        add(p[6]->x, cos(r));
        add(p[7]->x, cos(r));
        add(p[8]->x, sin(r));
        add(p[9]->x, cos(r));
        return;
    }
    if (r < 10.0 || r > 20.0) {
        add(p[0]->x, 3.0 * sin(r) * sin(2.0 * p[0]->x));
        add(p[0]->y, sin(r));
        add(p[0]->z, cos(r));
        subtract(p[1]->x, 3.0 * sin(r) * cos(r));
        add(p[1]->y, 2.0 * cos(r));
        add(p[1]->z, sin(2.0 * r));
        add(p[2]->x, 3.0 * sin(2.0 * r) * cos(double(p[2]->z)));
        subtract(p[2]->y, 7.0 * cos(3.0 * r));
        add(p[2]->z, cos(r));
        add(p[3]->x, 6.0 * sin(2.0 * r));
        subtract(p[3]->y, 4.0 * cos(3.0 * r));
        add(p[3]->z, 2.0 * cos(r));
    }
    if ((r > 10.0 && r < 20.0) || r > 20.0) {
        add(p[4]->x, cos(r) * cos(3.0 * p[4]->x));
        add(p[4]->y, 2.0 * sin(r));
        add(p[4]->z, 4.0 * cos(2.0 * r));
        subtract(p[5]->x, 6.0 * sin(3.0 * r));
        add(p[5]->y, 6.0 * cos(r) * sin(double(p[5]->y)));
        add(p[5]->z, 6.0 * sin(r));
        add(p[6]->x, 4.0 * sin(2.0 * r) * sin(double(p[6]->y)));
        add(p[6]->y, 6.0 * cos(3.0 * r));
        add(p[6]->z, cos(r) * sin(4.0 * p[6]->x));
        add(p[7]->x, 9.0 * cos(r));
        add(p[7]->y, 5.0 * sin(5.0 * r) * sin(4.0 * p[7]->y));
        add(p[7]->z, 3.0 * cos(2.0 * r));
        add(p[8]->x, 9.0 * sin(3.0 * r));
        add(p[8]->y, 3.0 * cos(r) * sin(double(p[8]->y)));
        add(p[8]->z, 6.0 * sin(r));
    }
}

void Metaballs::beveg(metaballer* b, int ms, bool gruppe3, const Drift& drift) {
    if (ms < 0) return;
    // Step n falls at n / 60 s; all those due by now and not yet taken run, each with its own r.
    const long long last = static_cast<long long>(ms) * STEPS_PER_SECOND / 1000;
    for (; b->steg <= last; ++b->steg) {
        const double stepMs = b->steg * 1000.0 / STEPS_PER_SECOND;
        const float scale = drift ? drift(static_cast<int>(stepMs)) : 1.0f;
        if (scale == 1.0f) {
            flyttballer(b, static_cast<float>(stepMs / 300.0), gruppe3);
            continue;
        }
        Vector3d before[MAXBALLS];
        for (int j = 0; j < MAXBALLS; ++j) before[j] = b->baller[j].pos;
        flyttballer(b, static_cast<float>(stepMs / 300.0), gruppe3);
        for (int j = 0; j < MAXBALLS; ++j) b->baller[j].pos = before[j] + (b->baller[j].pos - before[j]) * scale;
    }
}

// ---- Diagnostics ----

void Metaballs::printmetaballinfo(metaball* ball, int i) {
    printf("***************\ninfo for ball nummer %d\n*************\n", i);
    printf("ballens radius = %g\n", ball->radius);
    printf("ballens kraft = %g\n", ball->kraft);
    printf("ballens posisjon = %f, %f, %f\n", ball->pos.x, ball->pos.y, ball->pos.z);
}

void Metaballs::printmetaballsinfo(metaballer* b) {
    // The text is ISO-8859-1: 0xE5 and 0xF8 are the Norwegian letters.
    printf("best\xe5r av %d baller med radius %g\n", b->nballer, b->radius);
    printf("xstart = %d, xslutt = %d\n", b->wxstart, b->wxslutt);
    printf("ystart = %d, yslutt = %d\n", b->wystart, b->wyslutt);
    printf("zstart = %d, zslutt = %d\n", b->wzstart, b->wzslutt);
    printf("gridens st\xf8rrelse : x = %d, y = %d, z = %d\n", b->gridx, b->gridy, b->gridz);
    printf("avstand fra et punkt i gridden til neste : x = %f,  y = %f, z = %f\n", b->d.x, b->d.y, b->d.z);
}

// ---- The scene ----

namespace {

// 512 pixels square, centred, running 16 pixels off the top and the bottom; the picture's top row at the top.
const Scene::Corner OVERLAY[4] = {{0, 1, 64, -16}, {1, 1, 576, -16}, {1, 0, 576, 496}, {0, 0, 64, 496}};

}  // namespace

Metaballs::Metaballs(SDL_Surface* sdlsurf) : baller() {
    surface = sdlsurf;
    useCues(CUES);
    ting = new Texture(PICTURES[0]);
    t = 0;
    WORLDX = WORLDY = WORLDZ = 320;
    baller.gridx = baller.gridy = baller.gridz = GRID;
    INNENFOR = 1;
    UTENFOR = 0;
    rot = 0.0f;
}

Metaballs::~Metaballs() {
    deinit();
    report();
    delete ting;
}

void Metaballs::initmetaballs(int n, double radius, int gridx, int gridy, int gridz, int wxstart, int wxslutt,
                              int wystart, int wyslutt, int wzstart, int wzslutt, metaballer* b) {
    // Intended: the process clock, not the scene's, picks the layout, so the later instance is the wireframe one.
    const bool andre = Clock::ticks() > 79999;
    if (andre) glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    initmetaballs(n, radius, gridx, gridy, gridz, wxstart, wxslutt, wystart, wyslutt, wzstart, wzslutt, b, andre);
}

void Metaballs::init() {
    pushState();
    startClock();
    // The model-view matrix is left as it is: the light below is placed with it.
    perspective(1.33, 1.0, 1000.0);
    glClearColor(1.0f, 1.0f, 1.0f, 0.0f);

    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHTING);
    const GLfloat pos[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat pa[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat pd[4] = {0.75f, 0.75f, 0.75f, 1.0f};
    const GLfloat ps[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, pos);
    glLightfv(GL_LIGHT0, GL_AMBIENT, pa);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, pd);
    glLightfv(GL_LIGHT0, GL_SPECULAR, ps);
    glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0f);
    glEnable(GL_LIGHT0);

    // The blobs face away from the viewer (see tegngrid), so their outside shows the back material.
    const GLfloat ag[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    const GLfloat dg[4] = {0.3f, 0.1f, 0.1f, 1.0f};
    const GLfloat ab[4] = {0.0f, 0.0f, 0.25f, 1.0f};
    const GLfloat db[4] = {0.0f, 0.0f, 0.75f, 1.0f};
    const GLfloat sw[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glMaterialfv(GL_BACK, GL_AMBIENT, ag);
    glMaterialfv(GL_BACK, GL_DIFFUSE, dg);
    glMaterialfv(GL_FRONT, GL_AMBIENT, ab);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, db);
    glMaterialfv(GL_FRONT, GL_SPECULAR, sw);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    secondLayout = Clock::ticks() > 79999;
    initmetaballs(secondLayout ? 10 : 9, 5.0, 40, 40, 40, -160, 160, -160, 160, 1, -320, &baller);
    lastPassMs = -1;

    // A scene started again (a viewer's seek) keeps the sphere map its first start made.
    if (texid) {
        glBindTexture(GL_TEXTURE_2D, texid);
    } else {
        pngTexture = new PNGImage(PICTURES[1]);
        glGenTextures(1, &texid);
        glBindTexture(GL_TEXTURE_2D, texid);
        // The picture is handed over in its own format.
        Texture::uploadPacked([&] {
            gluBuild2DMipmaps(GL_TEXTURE_2D, 3, pngTexture->getWidth(), pngTexture->getHeight(),
                              pngTexture->getType(), GL_UNSIGNED_BYTE, pngTexture->getData());
        });
        delete pngTexture;
        pngTexture = nullptr;
    }
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_TEXTURE_GEN_S);
}

void Metaballs::startAt(int, int) {
    // The balls move in fixed steps from their layout: start again from it.
    metaballer& b = baller;
    initmetaballs(b.nballer, b.radius, b.gridx, b.gridy, b.gridz, b.wxstart, b.wxslutt, b.wystart, b.wyslutt,
                  b.wzstart, b.wzslutt, &b, secondLayout);
    lastPassMs = -1;
}

namespace {

// Gathers the frame's triangles for one vertex array.
class Collector : public Metaballs::TriangleSink {
public:
    explicit Collector(std::vector<Metaballs::GLVertex>* out) : out(out) {}
    void triangle(const sfelt& a, const sfelt& b, const sfelt& c) override {
        out->emplace_back(a.normal, a.pos);
        out->emplace_back(b.normal, b.pos);
        out->emplace_back(c.normal, c.pos);
    }

private:
    std::vector<Metaballs::GLVertex>* out;
};

}  // namespace

void Metaballs::tegngrid() {
    vertices.clear();
    Collector collector(&vertices);
    tegngrid(&baller, collector);
    if (vertices.empty()) return;
    // One array per frame; other scenes' client arrays are set aside meanwhile.
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_INDEX_ARRAY);
    glDisableClientState(GL_EDGE_FLAG_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glNormalPointer(GL_FLOAT, sizeof(GLVertex), &vertices[0].normal.x);
    glVertexPointer(3, GL_FLOAT, sizeof(GLVertex), &vertices[0].pos.x);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size()));
    glPopClientAttrib();
    // Vertex by vertex, the last normal would stay current, and the overlay is lit with it.
    const Vector3d& last = vertices.back().normal;
    glNormal3f(last.x, last.y, last.z);
}

void Metaballs::render() {
    glClearColor(cue(BACKGROUND_R), cue(BACKGROUND_G), cue(BACKGROUND_B), 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, cue(CAMERA_Z));
    if (const float turnX = cue(TURN_X)) glRotatef(turnX, 1.0f, 0.0f, 0.0f);
    if (const float turnY = cue(TURN_Y)) glRotatef(turnY, 0.0f, 1.0f, 0.0f);
    const int T = getTime();
    rot = static_cast<float>(T) / 300.0f;
    // Motion runs in fixed steps of scene time, so the paths are the same at every frame rate. A frame
    // again at the same time (paused) keeps its field: the pass before it would be its own.
    if (T != lastPassMs) {
        beveg(&baller, T, Clock::ticks() > 79999, [this](int ms) { return static_cast<float>(cueAt(DRIFT, ms)); });
        regnfelt(&baller);
        lastPassMs = T;
    }
    tegngrid();

    // The overlay is lit, with the last normal of the blobs, and depth-tested.
    overlay(ting, OVERLAY, cue(OVERLAY_ALPHA), true);

    if (T <= 999) fade(1.0f - static_cast<float>(getTime()) / 1000.0f);
    const int fadeOutFrom = cueInt(FADE_OUT_FROM);
    if (getTime() > fadeOutFrom) fade(static_cast<float>(getTime() - fadeOutFrom) / 1000.0f);}
