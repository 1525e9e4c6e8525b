// The two static meshes as the scenes see them: counts and fixed rows, the invariants the cel-shading
// code relies on, their shapes, the header text, and how each one draws.
#include "models/spikeThingie.h"
#include "models/spikeThingie2.h"

#include "Clock.h"
#include "GLTest.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

// The drawing code indexes these through pointers; exact types keep sizes and constness honest.
static_assert(std::is_same_v<decltype(spikeThingie_vertices), const float[114][3]>);
static_assert(std::is_same_v<decltype(spikeThingie_normals), const float[114][3]>);
static_assert(std::is_same_v<decltype(spikeThingie_faces), const int[224][3]>);
static_assert(std::is_same_v<decltype(spikeThingie_numberFaces), const int>);
static_assert(std::is_same_v<decltype(spikeThingie2_vertices), const float[429][3]>);
static_assert(std::is_same_v<decltype(spikeThingie2_normals), const float[429][3]>);
static_assert(std::is_same_v<decltype(spikeThingie2_faces), const int[728][3]>);
static_assert(std::is_same_v<decltype(spikeThingie2_numberVertices), const int>);

namespace {

using V3 = std::array<double, 3>;

V3 sub(const V3& a, const V3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 cross(const V3& a, const V3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double len(const V3& a) { return std::sqrt(dot(a, a)); }
double degreesOf(double y, double x) {
    double d = std::atan2(y, x) * 180.0 / M_PI;
    return d < -1e-6 ? d + 360.0 : d;
}

struct Mesh {
    int numberVertices, numberFaces;
    const float (*vertices)[3];
    const float (*normals)[3];
    const int (*faces)[3];

    V3 v(int i) const { return {vertices[i][0], vertices[i][1], vertices[i][2]}; }
    V3 n(int i) const { return {normals[i][0], normals[i][1], normals[i][2]}; }
    V3 faceNormal(int f) const {
        const V3 p = v(faces[f][0]);
        return cross(sub(v(faces[f][1]), p), sub(v(faces[f][2]), p));
    }
    // Undirected edge -> number of faces using it.
    std::map<std::pair<int, int>, int> edges() const {
        std::map<std::pair<int, int>, int> count;
        for (int f = 0; f < numberFaces; ++f)
            for (int c = 0; c < 3; ++c) {
                int a = faces[f][c], b = faces[f][(c + 1) % 3];
                ++count[{std::min(a, b), std::max(a, b)}];
            }
        return count;
    }
    size_t distinctPositions() const {
        std::set<std::array<float, 3>> seen;
        for (int i = 0; i < numberVertices; ++i) seen.insert({vertices[i][0], vertices[i][1], vertices[i][2]});
        return seen.size();
    }
};

const Mesh ball{spikeThingie_numberVertices, spikeThingie_numberFaces, spikeThingie_vertices,
                spikeThingie_normals, spikeThingie_faces};
const Mesh star{spikeThingie2_numberVertices, spikeThingie2_numberFaces, spikeThingie2_vertices,
                spikeThingie2_normals, spikeThingie2_faces};

void expectRow(const float (*rows)[3], int i, V3 want) {
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(rows[i][k], static_cast<float>(want[k])) << "row " << i;
}
void expectFace(const int (*faces)[3], int i, std::array<int, 3> want) {
    EXPECT_EQ((std::array<int, 3>{faces[i][0], faces[i][1], faces[i][2]}), want) << "face " << i;
}

// Everything the drawing code relies on. `across` lists vertices whose stored normal is known not
// to follow the surface (they still must not flip a face's winding).
void expectInvariants(const Mesh& m, std::set<int> across = {}) {
    std::vector<int> uses(m.numberVertices, 0);
    int badIndex = 0, repeated = 0, badWinding = 0;
    for (int f = 0; f < m.numberFaces; ++f) {
        const int* c = m.faces[f];
        for (int k = 0; k < 3; ++k) {
            if (c[k] < 0 || c[k] >= m.numberVertices) ++badIndex;
            else ++uses[c[k]];
        }
        if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) ++repeated;
        if (badIndex) continue;
        // Counter-clockwise seen from where the normals point.
        V3 sum{0, 0, 0};
        for (int k = 0; k < 3; ++k)
            for (int d = 0; d < 3; ++d) sum[d] += m.normals[c[k]][d];
        if (!(dot(m.faceNormal(f), sum) > 0)) ++badWinding;
    }
    ASSERT_EQ(badIndex, 0);
    EXPECT_EQ(repeated, 0);
    EXPECT_EQ(badWinding, 0);
    for (int i = 0; i < m.numberVertices; ++i) EXPECT_GT(uses[i], 0) << "vertex " << i << " unused";

    for (int i = 0; i < m.numberVertices; ++i) {
        const float* n = m.normals[i];
        const float mag = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        EXPECT_GE(mag, 0.99996f) << "normal " << i;
        EXPECT_LE(mag, 1.0f) << "normal " << i;
    }

    // Smooth normals lean the way of every face around them; a flipped or stale one does not.
    for (int f = 0; f < m.numberFaces; ++f)
        for (int k = 0; k < 3; ++k) {
            const int i = m.faces[f][k];
            if (!across.count(i)) {
                EXPECT_GT(dot(m.n(i), m.faceNormal(f)), 0) << "vertex " << i << " face " << f;
            }
        }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// ------------------------------------------------------------------------------------------ ball

TEST(SpikeThingie, CountsAndStoredRows) {
    EXPECT_EQ(spikeThingie_numberVertices, 114);
    EXPECT_EQ(spikeThingie_numberFaces, 224);
    expectRow(spikeThingie_vertices, 0, {0.0, 0.0, -0.650539});
    expectRow(spikeThingie_normals, 0, {0.0, -1.0, 0.0});
    expectRow(spikeThingie_vertices, 1, {0.1, -0.041421, 0.261312});
    expectRow(spikeThingie_normals, 1, {0.733665, -0.303873, 0.607746});
    expectRow(spikeThingie_vertices, 113, {0.108239, 0.0, 0.261312});
    expectRow(spikeThingie_normals, 113, {0.794092, 0.0, 0.607746});
    expectFace(spikeThingie_faces, 0, {29, 1, 113});
    expectFace(spikeThingie_faces, 1, {7, 0, 107});  // index 0 is vertex 0, the -z tip
    expectFace(spikeThingie_faces, 223, {100, 112, 101});
}

TEST(SpikeThingie, IndexNormalAndWindingInvariants) {
    // Vertex 0's stored normal lies across its spike: it joins the winding check but not the
    // follows-the-surface one.
    expectInvariants(ball, {0});
    int highest = 0;
    for (int f = 0; f < ball.numberFaces; ++f)
        for (int k = 0; k < 3; ++k) highest = std::max(highest, ball.faces[f][k]);
    EXPECT_EQ(highest, 113);
}

TEST(SpikeThingie, ClosedSphereWithTenSpikes) {
    EXPECT_EQ(ball.distinctPositions(), 114u);
    const auto edges = ball.edges();
    EXPECT_EQ(edges.size(), 336u);
    for (const auto& [edge, faces] : edges) EXPECT_EQ(faces, 2) << edge.first << "-" << edge.second;

    const double radius = 0.282842, spike = 0.565685;
    const std::vector<double> ringZ{-0.261312, -0.2, -0.108239, 0.0, 0.108239, 0.2, 0.261312};
    std::map<int, std::set<int>> ringAngles;  // ring -> angles in 22.5-degree steps
    int poles = 0, pulled = 0;
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    for (int i = 0; i < ball.numberVertices; ++i) {
        const V3 p = ball.v(i);
        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
        if (std::hypot(p[0], p[1]) < 1e-6) {
            ++poles;
            EXPECT_TRUE(std::fabs(p[2] + 0.650539) < 1e-6 || std::fabs(p[2] - 0.650538) < 1e-6) << i;
            continue;
        }
        int ring = -1;
        for (size_t r = 0; r < ringZ.size(); ++r)
            if (std::fabs(p[2] - ringZ[r]) < 2e-6) ring = static_cast<int>(r);
        ASSERT_GE(ring, 0) << "vertex " << i << " at z " << p[2] << " is on no ring";
        const double angle = degreesOf(p[1], p[0]);
        const double steps = angle / 22.5;
        EXPECT_NEAR(steps, std::round(steps), 1e-4) << "vertex " << i;
        const int step = static_cast<int>(std::lround(steps)) % 16;
        ringAngles[ring].insert(step);
        const bool spikePoint = ring == 3 && step % 2 == 1;  // 22.5, 67.5, ..., 337.5 degrees
        pulled += spikePoint;
        EXPECT_NEAR(len(p), spikePoint ? spike : radius, 2e-6) << "vertex " << i;
    }
    EXPECT_EQ(poles, 2);
    EXPECT_EQ(pulled, 8);
    ASSERT_EQ(ringAngles.size(), 7u);
    for (const auto& [ring, steps] : ringAngles) EXPECT_EQ(steps.size(), 16u) << "ring " << ring;
    EXPECT_FLOAT_EQ(lo[0], -0.522625f);
    EXPECT_FLOAT_EQ(hi[0], 0.522625f);
    EXPECT_FLOAT_EQ(lo[1], -0.522625f);
    EXPECT_FLOAT_EQ(hi[1], 0.522625f);
    EXPECT_FLOAT_EQ(lo[2], -0.650539f);
    EXPECT_FLOAT_EQ(hi[2], 0.650538f);

    // Normals point away from the centre, and the plain sphere points lean less than 40 degrees off it.
    for (int i = 1; i < ball.numberVertices; ++i) {
        const V3 p = ball.v(i), n = ball.n(i);
        EXPECT_GT(dot(p, n), 0) << "vertex " << i;
        if (std::fabs(len(p) - radius) < 1e-5) {
            EXPECT_GT(dot(p, n) / len(p), std::cos(40 * M_PI / 180)) << "vertex " << i;
        }
    }
}

// ------------------------------------------------------------------------------------------ star

TEST(SpikeThingie2, CountsAndStoredRows) {
    EXPECT_EQ(spikeThingie2_numberVertices, 429);
    EXPECT_EQ(spikeThingie2_numberFaces, 728);
    expectRow(spikeThingie2_vertices, 0, {-0.8, 0.0, -0.033941});
    expectRow(spikeThingie2_normals, 0, {0.004761, 0.0, -0.999969});
    expectRow(spikeThingie2_vertices, 428, {0.108239, 0.0, 0.052263});
    expectRow(spikeThingie2_normals, 428, {0.09769, 0.0, 0.995209});
    expectFace(spikeThingie2_faces, 0, {8, 9, 7});
    expectFace(spikeThingie2_faces, 1, {15, 0, 1});
    expectFace(spikeThingie2_faces, 727, {415, 427, 416});
}

TEST(SpikeThingie2, IndexNormalAndWindingInvariants) {
    expectInvariants(star);
    int highest = 0;
    for (int f = 0; f < star.numberFaces; ++f)
        for (int k = 0; k < 3; ++k) highest = std::max(highest, star.faces[f][k]);
    EXPECT_EQ(highest, 428);
}

// Splits the mesh into pieces that share no vertex.
std::vector<std::vector<int>> pieces(const Mesh& m, std::vector<int>& pieceOfFace) {
    std::vector<int> parent(m.numberVertices);
    for (int i = 0; i < m.numberVertices; ++i) parent[i] = i;
    auto root = [&](int i) {
        while (parent[i] != i) i = parent[i] = parent[parent[i]];
        return i;
    };
    for (int f = 0; f < m.numberFaces; ++f)
        for (int k = 1; k < 3; ++k) parent[root(m.faces[f][k])] = root(m.faces[f][0]);
    std::map<int, int> id;
    std::vector<std::vector<int>> out;
    for (int i = 0; i < m.numberVertices; ++i) {
        auto [it, fresh] = id.emplace(root(i), static_cast<int>(out.size()));
        if (fresh) out.emplace_back();
        out[it->second].push_back(i);
    }
    pieceOfFace.assign(m.numberFaces, -1);
    for (int f = 0; f < m.numberFaces; ++f) pieceOfFace[f] = id[root(m.faces[f][0])];
    return out;
}

TEST(SpikeThingie2, FlatStarOfSeparatePieces) {
    EXPECT_EQ(star.distinctPositions(), 387u);
    int open = 0;
    for (const auto& [edge, faces] : star.edges()) {
        EXPECT_LE(faces, 2);
        open += faces == 1;
    }
    EXPECT_EQ(open, 112);

    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    for (int i = 0; i < star.numberVertices; ++i)
        for (int k = 0; k < 3; ++k) lo[k] = std::min<double>(lo[k], star.vertices[i][k]),
                                    hi[k] = std::max<double>(hi[k], star.vertices[i][k]);
    EXPECT_FLOAT_EQ(lo[0], -0.969706f);
    EXPECT_FLOAT_EQ(hi[0], 0.969706f);
    EXPECT_FLOAT_EQ(lo[1], -0.856743f);
    EXPECT_FLOAT_EQ(hi[1], 0.856743f);
    EXPECT_FLOAT_EQ(lo[2], -0.056569f);
    EXPECT_FLOAT_EQ(hi[2], 0.056569f);

    std::vector<int> pieceOfFace;
    const auto parts = pieces(star, pieceOfFace);
    ASSERT_EQ(parts.size(), 8u);
    std::vector<int> facesOf(parts.size(), 0);
    for (int p : pieceOfFace) ++facesOf[p];

    std::multiset<int> directions;
    std::map<int, std::vector<int>> spikesAt;
    for (size_t p = 0; p < parts.size(); ++p) {
        double rMin = 1e9, rMax = 0, cx = 0, cy = 0;
        for (int i : parts[p]) {
            const double r = std::hypot(star.vertices[i][0], star.vertices[i][1]);
            rMin = std::min(rMin, r), rMax = std::max(rMax, r);
            cx += star.vertices[i][0], cy += star.vertices[i][1];
        }
        if (parts[p].size() == 58) {  // the body: a closed, squashed sphere in the middle
            EXPECT_EQ(facesOf[p], 112);
            EXPECT_LE(rMax, 0.283);
            EXPECT_NEAR(std::hypot(cx, cy) / 58, 0.0, 1e-6);
            continue;
        }
        EXPECT_EQ(parts[p].size(), 53u) << "piece " << p;
        EXPECT_EQ(facesOf[p], 88) << "piece " << p;
        EXPECT_NEAR(rMin, 0.35, 1e-6) << "piece " << p;
        EXPECT_NEAR(rMax, 0.97, 2e-3) << "piece " << p;
        const int direction = static_cast<int>(std::lround(degreesOf(cy, cx))) % 360;
        EXPECT_EQ(direction % 60, 0) << "piece " << p << " points at " << direction;
        directions.insert(direction);
        spikesAt[direction].push_back(static_cast<int>(p));
    }
    EXPECT_EQ(directions, (std::multiset<int>{0, 60, 120, 180, 180, 240, 300}));

    // The two 180-degree copies overlap: they share most positions but are not the same spike.
    ASSERT_EQ(spikesAt[180].size(), 2u);
    std::set<std::array<float, 3>> first, both;
    for (int i : parts[spikesAt[180][0]]) first.insert({star.vertices[i][0], star.vertices[i][1], star.vertices[i][2]});
    for (int i : parts[spikesAt[180][1]])
        if (first.count({star.vertices[i][0], star.vertices[i][1], star.vertices[i][2]}))
            both.insert({star.vertices[i][0], star.vertices[i][1], star.vertices[i][2]});
    EXPECT_GT(both.size(), 26u);
    EXPECT_LT(both.size(), 53u);
}

TEST(SpikeThingie2, NormalsGiveTheCelBandsAViewerExpects) {
    // Seen face-on, as the cel scene shows it before it turns, the shade is the normal's z:
    // the broad top and bottom fall in the bright band, the rim and the tip edge in the dark one.
    for (int i = 0; i < star.numberVertices; ++i) {
        const float z = star.vertices[i][2], shade = star.normals[i][2];
        if (z > 0.03f) {
            EXPECT_GT(shade, 0.469f) << "vertex " << i;
        } else if (z < -0.03f) {
            EXPECT_LT(shade, -0.469f) << "vertex " << i;
        } else if (z == 0.0f) {
            EXPECT_LT(std::fabs(shade), 0.156f) << "vertex " << i;
        }
    }
}

// ------------------------------------------------------------------------------------------ headers

TEST(MeshHeaders, WrittenByTheGeneratorWithSixDigits) {
    for (const std::string name : {"spikeThingie", "spikeThingie2"}) {
        const std::string text = readFile(moriqtest::sourcePath("models/" + name + ".h"));
        ASSERT_FALSE(text.empty()) << name;
        const size_t pragma = text.find("#pragma once");
        ASSERT_NE(pragma, std::string::npos) << name;
        const std::string intro = text.substr(0, pragma);
        EXPECT_EQ(intro.rfind("// ", 0), 0u) << name;
        EXPECT_NE(intro.find(name + ":"), std::string::npos) << name;
        EXPECT_NE(intro.find("tools/make_meshes.py"), std::string::npos) << name;

        // Every number with a point in it, anywhere in the file, has exactly six digits after it.
        const std::regex decimal(R"([-+]?\d*\.\d+([eE][-+]?\d+)?f?)");
        const std::regex sixDigits(R"(-?\d+\.\d{6}f?)");
        int literals = 0;
        const std::string body = text.substr(pragma);
        for (auto it = std::sregex_iterator(body.begin(), body.end(), decimal); it != std::sregex_iterator(); ++it) {
            ++literals;
            EXPECT_TRUE(std::regex_match(it->str(), sixDigits)) << name << ": " << it->str();
        }
        const int vertices = name == "spikeThingie" ? 114 : 429;
        EXPECT_EQ(literals, 2 * 3 * vertices) << name;
    }
}

// ------------------------------------------------------------------------------------------ drawing

// One drawing of a mesh at the cel scenes' distance with their projection, and where model points land.
struct Drawing {
    moriqtest::Frame frame;
    GLdouble modelview[16], projection[16];
    GLint viewport[4];

    // Pixel (top-left origin) of a model point.
    std::pair<int, int> pixel(const V3& p) const {
        GLdouble x, y, z;
        gluProject(p[0], p[1], p[2], modelview, projection, viewport, &x, &y, &z);
        return {static_cast<int>(std::lround(x)), 479 - static_cast<int>(std::lround(y))};
    }
    RGB at(const V3& p) const {
        const auto [x, y] = pixel(p);
        return frame.at(x, y);
    }
};

// Back faces red, front faces white: a covered pixel is white where the nearest surface faces the viewer.
// With celBands, front faces only, each corner in the grey of its cel band (0.2, 0.5, 1.0) as the
// cel shader picks it from the eye-space normal's z.
Drawing draw(const Mesh& m, float tiltX, float turnZ, bool celBands = false) {
    moriqtest::ensureGL();
    Drawing d;
    d.frame = moriqtest::grabFrame([&] {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glViewport(0, 0, 640, 480);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, 640.0 / 480.0, 0.1, 100.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(0.0f, 0.0f, -2.0f);
        glRotatef(tiltX, 1.0f, 0.0f, 0.0f);
        glRotatef(turnZ, 0.0f, 0.0f, 1.0f);
        glGetDoublev(GL_MODELVIEW_MATRIX, d.modelview);
        glGetDoublev(GL_PROJECTION_MATRIX, d.projection);
        glGetIntegerv(GL_VIEWPORT, d.viewport);
        glDisable(GL_TEXTURE_1D);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glDisable(GL_BLEND);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        for (GLenum culled : {GL_FRONT, GL_BACK}) {
            if (celBands && culled == GL_FRONT) continue;
            glCullFace(culled);
            if (culled == GL_FRONT) {
                glColor3f(1, 0, 0);
            } else {
                glColor3f(1, 1, 1);
            }
            glBegin(GL_TRIANGLES);
            for (int f = 0; f < m.numberFaces; ++f)
                for (int k = 0; k < 3; ++k) {
                    const int i = m.faces[f][k];
                    if (celBands) {
                        const GLdouble* r = d.modelview;
                        const double z = r[2] * m.normals[i][0] + r[6] * m.normals[i][1] + r[10] * m.normals[i][2];
                        const float grey = z < 5 / 32.0 ? 0.2f : z < 15 / 32.0 ? 0.5f : 1.0f;
                        glColor3f(grey, grey, grey);
                    }
                    glVertex3fv(m.vertices[i]);
                }
            glEnd();
        }
        glPopAttrib();
        Clock::swapBuffers();
    });
    return d;
}

bool front(RGB c) { return c.r > 200 && c.g > 200 && c.b > 200; }
bool back(RGB c) { return c.r > 200 && c.g < 100; }
bool empty(RGB c) { return c.r < 30 && c.g < 30 && c.b < 30; }

int count(const moriqtest::Frame& frame, bool (*what)(RGB)) {
    int n = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) n += what(frame.at(x, y));
    return n;
}

TEST(MeshDrawing, BallShowsTenSpikesFacingOut) {
    // Tipped back so that the equator spikes spread into a ring and the tips point up and down.
    const Drawing d = draw(ball, -30.0f, 10.0f);
    d.frame.savePng(moriqtest::outputPath("mesh_spikeThingie.png"));
    EXPECT_TRUE(front(d.at({0, 0, 0})));
    for (int step = 0; step < 16; ++step) {
        const double a = step * 22.5 * M_PI / 180;
        if (step % 2 == 1) {  // a point on each equator spike, short of its tip
            EXPECT_FALSE(empty(d.at({0.45 * std::cos(a), 0.45 * std::sin(a), 0}))) << "spike at step " << step;
        } else if (step % 8 != 4) {  // halfway between two spikes, off the sphere (+-y lie behind the tips)
            EXPECT_TRUE(empty(d.at({0.45 * std::cos(a), 0.45 * std::sin(a), 0}))) << "between, step " << step;
        }
    }
    EXPECT_TRUE(front(d.at({0, 0, 0.55}))) << "north tip";
    EXPECT_FALSE(empty(d.at({0, 0, -0.55}))) << "south tip";
    for (auto [x, y] : {std::pair{5, 5}, {634, 5}, {5, 474}, {634, 474}})
        EXPECT_TRUE(empty(d.frame.at(x, y))) << x << "," << y;
    // Closed and wound counter-clockwise outside: no back face is ever the nearest surface.
    EXPECT_EQ(count(d.frame, back), 0);
    EXPECT_GT(count(d.frame, front), 20000);
}

TEST(MeshDrawing, StarShowsSixPointsAroundAFreeBody) {
    const Drawing d = draw(star, 0.0f, 0.0f);  // face-on, as the cel scene starts
    d.frame.savePng(moriqtest::outputPath("mesh_spikeThingie2.png"));
    EXPECT_TRUE(front(d.at({0, 0, 0.056569})));
    for (int a = 0; a < 360; a += 60) {
        const double t = a * M_PI / 180, gap = (a + 30) * M_PI / 180;
        EXPECT_TRUE(front(d.at({0.9 * std::cos(t), 0.9 * std::sin(t), 0.0}))) << "spike at " << a;
        EXPECT_TRUE(empty(d.at({0.7 * std::cos(gap), 0.7 * std::sin(gap), 0}))) << "between spikes at " << a + 30;
        EXPECT_TRUE(empty(d.at({0.315 * std::cos(t), 0.315 * std::sin(t), 0}))) << "body and spike " << a << " touch";
    }
    for (auto [x, y] : {std::pair{5, 5}, {634, 5}, {5, 474}, {634, 474}})
        EXPECT_TRUE(empty(d.frame.at(x, y))) << x << "," << y;
    // Only the inside of a spike's open base may show, in thin slivers.
    EXPECT_LT(count(d.frame, back), count(d.frame, front) / 50);
}

int grey(RGB c) { return (c.r + c.g + c.b) / 3; }

TEST(MeshDrawing, CelBandsFallOnTheFacesTurnedToTheViewer) {
    // Face-on, the star's broad faces look at the viewer: bright, and nothing of it dark.
    const Drawing flat = draw(star, 0.0f, 0.0f, true);
    flat.frame.savePng(moriqtest::outputPath("mesh_spikeThingie2_bands.png"));
    EXPECT_GT(grey(flat.at({0, 0, 0.056569})), 240);
    for (int a = 0; a < 360; a += 60)
        EXPECT_GT(grey(flat.at({0.6 * std::cos(a * M_PI / 180), 0.6 * std::sin(a * M_PI / 180), 0.0339})), 240) << a;

    // The ball: bright where the sphere faces the viewer, darker toward its outline.
    const Drawing round = draw(ball, -30.0f, 10.0f, true);
    round.frame.savePng(moriqtest::outputPath("mesh_spikeThingie_bands.png"));
    EXPECT_GT(grey(round.at({0, -0.2, 0.1})), 240);
    int bright = 0, middle = 0, dark = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const int g = grey(round.frame.at(x, y));
            bright += g > 200, middle += g > 100 && g <= 150, dark += g > 30 && g <= 70;
        }
    EXPECT_GT(bright, middle);
    EXPECT_GT(middle, 0);
    EXPECT_GT(dark, 0);
}

}  // namespace
