// Test support: the metaball field and polygoniser done the plain way, sample by sample in one sweep
// and cube by cube with every cut edge interpolated, to hold the scene's fast version against.
#pragma once

#include "Metaballs.h"

#include <vector>

namespace moriqtest {

class ReferenceMetaballs {
public:
    // Takes the set's grid; every sample starts at field 0, outside.
    explicit ReferenceMetaballs(const Metaballs::metaballer& set);

    // One pass over the grid with the set's balls as they are now.
    void regnfelt(const Metaballs::metaballer& set);
    void tegngrid(Metaballs::TriangleSink& sink) const;

    std::vector<Metaballs::sfelt> skalarfelt;
    double threshold;
};

// A recorded triangle stream.
struct Recorder : Metaballs::TriangleSink {
    std::vector<Metaballs::sfelt> corners;
    void triangle(const Metaballs::sfelt& a, const Metaballs::sfelt& b, const Metaballs::sfelt& c) override {
        corners.push_back(a);
        corners.push_back(b);
        corners.push_back(c);
    }
};

}  // namespace moriqtest
