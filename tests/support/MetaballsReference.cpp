// The plain metaball field and polygoniser (see MetaballsReference.h).
#include "MetaballsReference.h"

namespace moriqtest {

namespace {

const int N = Metaballs::NSAMPLES;

float lerp(float a, float b, long double t) {
    return static_cast<float>(a + t * (static_cast<long double>(b) - a));
}

}  // namespace

ReferenceMetaballs::ReferenceMetaballs(const Metaballs::metaballer& set)
    : skalarfelt(N), threshold(set.threshold) {
    for (int z = 0; z < 40; ++z)
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                skalarfelt[x + 40 * y + 1600 * z].pos =
                    Vector3d(set.wxstart + x * set.d.x, set.wystart + y * set.d.y, set.wzstart + z * set.d.z);
            }
}

void ReferenceMetaballs::regnfelt(const Metaballs::metaballer& set) {
    std::vector<Metaballs::sfelt>& s = skalarfelt;
    for (int i = 0; i < N; ++i) {
        double f = 0.0;
        for (int j = 0; j < set.nballer; ++j) {
            const Vector3d avstand = set.baller[j].pos - s[i].pos;
            double d2 = double(avstand.x) * avstand.x + double(avstand.y) * avstand.y + double(avstand.z) * avstand.z;
            if (d2 < 1e-12) d2 = 1e-12;
            f += set.baller[j].kraft * set.baller[j].kraft / d2;
        }
        s[i].kraft = f;
        auto at = [&](int m) { return m >= 0 && m < N ? s[m].kraft : s[i].kraft; };
        s[i].normal = Vector3d(float(at(i - 1) - at(i + 1)), float(at(i - 40) - at(i + 40)),
                               float(at(i - 1600) - at(i + 1600)));
        s[i].inni = s[i].kraft > threshold ? 1 : 0;
    }
}

void ReferenceMetaballs::tegngrid(Metaballs::TriangleSink& sink) const {
    static const int corner[8] = {40 + 1600, 40 + 1600 + 1, 40 + 1, 40, 1600, 1600 + 1, 1, 0};
    static const int edge[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                    {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    for (int z = 0; z < 39; ++z)
        for (int x = 0; x < 39; ++x)
            for (int y = 0; y < 39; ++y) {
                const int base = x + 40 * y + 1600 * z;
                int lookup = 0;
                for (int n = 0; n < 8; ++n) lookup |= skalarfelt[base + corner[n]].inni << n;
                if (lookup == 0 || lookup == 255) continue;
                Metaballs::sfelt v[12];
                for (int e = 0; e < 12; ++e) {
                    const int a = edge[e][0], b = edge[e][1];
                    if (((lookup >> a) & 1) == ((lookup >> b) & 1)) continue;
                    const Metaballs::sfelt& p = skalarfelt[base + corner[a]];
                    const Metaballs::sfelt& q = skalarfelt[base + corner[b]];
                    const long double t = (threshold - (long double)p.kraft) / ((long double)q.kraft - p.kraft);
                    v[e].kraft = (p.kraft + q.kraft) * 0.5;
                    v[e].normal = Vector3d(lerp(p.normal.x, q.normal.x, t), lerp(p.normal.y, q.normal.y, t),
                                           lerp(p.normal.z, q.normal.z, t));
                    v[e].pos = Vector3d(lerp(p.pos.x, q.pos.x, t), lerp(p.pos.y, q.pos.y, t),
                                        lerp(p.pos.z, q.pos.z, t));
                }
                const int* row = Metaballs::triangel[lookup];
                for (int n = 0; row[n] != -1; n += 3) sink.triangle(v[row[n]], v[row[n + 1]], v[row[n + 2]]);
            }
}

}  // namespace moriqtest
