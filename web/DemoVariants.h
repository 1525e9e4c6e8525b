// The GL layer's shader variants the demo draws with (the loading bar and every scene), handed to
// moriqgl::load so that they are compiled behind the loading, not in the middle of a scene.
#pragma once

#include "moriqgl/moriqgl.h"

#include <vector>

// Found by playing the whole timeline through the layer: moriqgl::compiledVariants stays as load left it
// (tests/gles checks it).
const std::vector<moriqgl::Variant>& demoVariants();
