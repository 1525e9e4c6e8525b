// Cel shading: the grey ramp texture and the three passes (fill, silhouette, wireframe).
#include "CelShader.h"

#include "Raster.h"
#include "Scene.h"

float CelShader::rampLevel(int texel) {
    if (texel < 5) return 0.2f;
    if (texel < 15) return 0.5f;
    return 1.0f;
}

void CelShader::fillRamp(float shaderData[RAMP_SIZE][3]) {
    for (int i = 0; i < RAMP_SIZE; ++i)
        for (int c = 0; c < 3; ++c) shaderData[i][c] = rampLevel(i);
}

void CelShader::createRamp(float shaderData[RAMP_SIZE][3], GLuint shaderTexture[1]) {
    fillRamp(shaderData);
    // A scene started again fills the name its first start made.
    if (!shaderTexture[0]) glGenTextures(1, shaderTexture);
    glBindTexture(GL_TEXTURE_1D, shaderTexture[0]);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    // No wrap mode: the default repeat sends a shade of exactly 1.0 back to texel 0.
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, RAMP_SIZE, 0, GL_RGB, GL_FLOAT, shaderData);
}

void CelShader::prepare() {
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDisable(GL_LINE_SMOOTH);
    glEnable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_1D);
}

float CelShader::shade(const float* modelview, const float normal[3], Vector3d lightAngle) {
    const Vector3d tmpVector(normal[0], normal[1], normal[2]);
    Vector3d tmpNormal;
    tmpNormal.rotate(modelview, tmpVector);
    tmpNormal.normalize();
    float tmpShade = tmpNormal.dotProduct(lightAngle);
    if (tmpShade < 0) tmpShade = 0;
    return tmpShade;
}

void CelShader::draw(Scene& scene, const Mesh& mesh, const Style& style, bool outlineSmooth,
                     float outlineWidth, Vector3d lightAngle, const GLuint shaderTexture[1], float spin) {
    if (outlineSmooth)
        glEnable(GL_LINE_SMOOTH);
    else
        glDisable(GL_LINE_SMOOTH);

    if (style.translate) glTranslatef(0.0f, 0.0f, -2.0f);
    // At 50 degrees a second this is exactly the time / 20 the star has always turned by.
    glRotatef(static_cast<GLfloat>(scene.getTime() * static_cast<double>(spin) / 1000.0), 0.1f, 0.2f, 0.3f);

    float tmpMatrix[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, tmpMatrix);
    glBindTexture(GL_TEXTURE_1D, shaderTexture[0]);
    if (style.setFillColour) glColor3fv(style.fillColour);

    // Shaded per face corner, not per vertex, so that nothing is kept between frames.
    glBegin(GL_TRIANGLES);
    for (int f = 0; f < mesh.numberFaces; ++f) {
        for (int corner = 0; corner < 3; ++corner) {
            const int v = mesh.faces[f][corner];
            glTexCoord1f(shade(tmpMatrix, mesh.normals[v], lightAngle));
            glVertex3fv(mesh.vertices[v]);
        }
    }
    glEnd();

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // Back faces as thick lines with the front faces culled: what shows is the outline and the creases.
    glPolygonMode(GL_BACK, GL_LINE);
    Raster::lineWidth(outlineWidth);
    glCullFace(GL_FRONT);
    glDepthFunc(GL_LEQUAL);
    if (style.setSilhouetteColour) glColor3fv(style.silhouetteColour);
    glBegin(GL_TRIANGLES);
    for (int f = 0; f < mesh.numberFaces; ++f)
        for (int corner = 0; corner < 3; ++corner) glVertex3fv(mesh.vertices[mesh.faces[f][corner]]);
    glEnd();

    glCullFace(GL_BACK);
    glPolygonMode(GL_FRONT, GL_LINE);
    Raster::lineWidth(1.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, style.wireframeAlpha);
    if (style.wireframeFadeFrom >= 0 && scene.getTime() <= style.wireframeFadeFrom + 2000)
        glColor4f(0.0f, 0.0f, 0.0f, static_cast<GLfloat>((scene.getTime() - style.wireframeFadeFrom) / 2000.0));

    // Slightly enlarged so the lines lie just outside the filled surface.
    glScalef(1.01f, 1.01f, 1.01f);
    glBegin(GL_TRIANGLES);
    for (int f = 0; f < mesh.numberFaces; ++f)
        for (int corner = 0; corner < 3; ++corner) glVertex3fv(mesh.vertices[mesh.faces[f][corner]]);
    glEnd();

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDepthFunc(GL_LESS);
    glPolygonMode(GL_BACK, GL_FILL);
    if (style.keepBlending) {
        glBindTexture(GL_TEXTURE_1D, 0);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }
}
