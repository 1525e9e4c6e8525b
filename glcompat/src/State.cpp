// Attribute groups of glPopAttrib.
#include "State.h"

#include <cmath>
#include <cstring>

namespace moriqgl {

void restoreGroups(ServerState& s, const ServerState& o, GLbitfield mask) {
    if (mask & GL_CURRENT_BIT) {
        std::memcpy(s.color, o.color, sizeof s.color);
        std::memcpy(s.normal, o.normal, sizeof s.normal);
        std::memcpy(s.texCoord, o.texCoord, sizeof s.texCoord);
    }
    if (mask & GL_ENABLE_BIT) {
        s.blend = o.blend;
        s.depthTest = o.depthTest;
        s.cullFace = o.cullFace;
        s.lighting = o.lighting;
        s.light0 = o.light0;
        s.normalize = o.normalize;
        s.colorMaterial = o.colorMaterial;
        s.lineSmooth = o.lineSmooth;
        s.texture1D = o.texture1D;
        s.texture2D = o.texture2D;
        s.texGenS = o.texGenS;
        s.texGenT = o.texGenT;
        s.scissorTest = o.scissorTest;
    }
    if (mask & GL_SCISSOR_BIT) {
        s.scissorTest = o.scissorTest;
        std::memcpy(s.scissor, o.scissor, sizeof s.scissor);
    }
    if (mask & GL_TEXTURE_BIT) {
        s.texture1D = o.texture1D;
        s.texture2D = o.texture2D;
        s.texGenS = o.texGenS;
        s.texGenT = o.texGenT;
        s.bound1D = o.bound1D;
        s.bound2D = o.bound2D;
        s.genModeS = o.genModeS;
        s.genModeT = o.genModeT;
    }
    if (mask & GL_POLYGON_BIT) {
        s.cullFace = o.cullFace;
        s.polygonFront = o.polygonFront;
        s.polygonBack = o.polygonBack;
        s.cullMode = o.cullMode;
        s.frontFace = o.frontFace;
    }
    if (mask & GL_LINE_BIT) {
        s.lineSmooth = o.lineSmooth;
        s.lineWidth = o.lineWidth;
    }
    if (mask & GL_COLOR_BUFFER_BIT) {
        s.blend = o.blend;
        s.blendSrc = o.blendSrc;
        s.blendDst = o.blendDst;
        std::memcpy(s.clearColor, o.clearColor, sizeof s.clearColor);
        std::memcpy(s.colorMask, o.colorMask, sizeof s.colorMask);
    }
    if (mask & GL_DEPTH_BUFFER_BIT) {
        s.depthTest = o.depthTest;
        s.clearDepth = o.clearDepth;
        s.depthFunc = o.depthFunc;
        s.depthMask = o.depthMask;
    }
    if (mask & GL_LIGHTING_BIT) {
        s.lighting = o.lighting;
        s.light0 = o.light0;
        s.colorMaterial = o.colorMaterial;
        s.light = o.light;
        s.material[0] = o.material[0];
        s.material[1] = o.material[1];
        std::memcpy(s.modelAmbient, o.modelAmbient, sizeof s.modelAmbient);
        s.twoSide = o.twoSide;
    }
    if (mask & GL_TRANSFORM_BIT) {
        s.matrixMode = o.matrixMode;
        s.normalize = o.normalize;
    }
    if (mask & GL_VIEWPORT_BIT) std::memcpy(s.viewport, o.viewport, sizeof s.viewport);
}

uint8_t toByte(float value) {
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return 255;
    return static_cast<uint8_t>(std::lrint(value * 255.0f));
}

}  // namespace moriqgl
