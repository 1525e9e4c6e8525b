// The demo's shader variants (see DemoVariants.h).
#include "DemoVariants.h"

namespace {

moriqgl::Variant variant(moriqgl::Variant::Texture texture, moriqgl::Variant::Lines lines = moriqgl::Variant::PLAIN,
                         bool lit = false, bool sphereMapped = false) {
    moriqgl::Variant v;
    v.texture = texture;
    v.lines = lines;
    // The scenes that light draw two-sided with GL_NORMALIZE, as the sphere map does.
    v.lighting = v.light0 = v.twoSide = lit;
    v.normalize = lit || sphereMapped;
    v.sphereS = v.sphereT = sphereMapped;
    return v;
}

}  // namespace

const std::vector<moriqgl::Variant>& demoVariants() {
    using V = moriqgl::Variant;
    static const std::vector<V> list = {
        variant(V::NO_TEXTURE),                         // flat colour: the loading bar, fades
        variant(V::TEXTURE_2D),                         // pictures
        variant(V::TEXTURE_1D),                         // the cel shading's ramp
        variant(V::TEXTURE_2D, V::PLAIN, true),         // lit, textured two-sided surfaces
        variant(V::TEXTURE_2D, V::PLAIN, true, true),   // sphere-mapped surfaces
        variant(V::NO_TEXTURE, V::WIDE_LINES),          // wide lines
        variant(V::NO_TEXTURE, V::SMOOTH_LINES),        // smooth lines
        variant(V::TEXTURE_1D, V::SMOOTH_LINES),        // smooth lines over the cel ramp
        variant(V::TEXTURE_2D, V::SMOOTH_LINES, true, true),  // the sphere-mapped wireframe
    };
    return list;
}
