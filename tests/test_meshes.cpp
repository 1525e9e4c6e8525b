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
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <type_traits>
#include <vector>

// The drawing code indexes these through pointers; exact types keep sizes and constness honest.
static_assert(std::is_same_v<decltype(spikeThingie_vertices), const float[114][3]> &&
              std::is_same_v<decltype(spikeThingie_normals), const float[114][3]> &&
              std::is_same_v<decltype(spikeThingie_faces), const int[224][3]> &&
              std::is_same_v<decltype(spikeThingie_numberFaces), const int>);
static_assert(std::is_same_v<decltype(spikeThingie2_vertices), const float[429][3]> &&
              std::is_same_v<decltype(spikeThingie2_normals), const float[429][3]> &&
              std::is_same_v<decltype(spikeThingie2_faces), const int[728][3]> &&
              std::is_same_v<decltype(spikeThingie2_numberVertices), const int>);

namespace {

using V3 = std::array<double, 3>;
using Key = std::array<float, 3>;

V3 sub(const V3& a, const V3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double degreesOf(double y, double x) {
    const double d = std::atan2(y, x) * 180.0 / M_PI;
    return d < -1e-6 ? d + 360.0 : d;
}

struct Mesh {
    int numberVertices, numberFaces;
    const float (*vertices)[3];
    const float (*normals)[3];
    const int (*faces)[3];

    V3 v(int i) const { return {vertices[i][0], vertices[i][1], vertices[i][2]}; }
    Key key(int i) const { return {vertices[i][0], vertices[i][1], vertices[i][2]}; }
    V3 faceNormal(int f) const {
        const V3 p = v(faces[f][0]), a = sub(v(faces[f][1]), p), b = sub(v(faces[f][2]), p);
        return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    }
    // Undirected edge -> number of faces using it.
    std::map<std::pair<int, int>, int> edges() const {
        std::map<std::pair<int, int>, int> count;
        for (int f = 0; f < numberFaces; ++f)
            for (int c = 0; c < 3; ++c) {
                const int a = faces[f][c], b = faces[f][(c + 1) % 3];
                ++count[{std::min(a, b), std::max(a, b)}];
            }
        return count;
    }
    size_t distinctPositions() const {
        std::set<Key> seen;
        for (int i = 0; i < numberVertices; ++i) seen.insert(key(i));
        return seen.size();
    }
    // Lowest and highest x, y and z: the expected {lo, hi} pairs must match exactly.
    void expectBounds(const std::array<float, 6>& want) const {
        for (int k = 0; k < 3; ++k) {
            float lo = 1e9f, hi = -1e9f;
            for (int i = 0; i < numberVertices; ++i) lo = std::min(lo, vertices[i][k]), hi = std::max(hi, vertices[i][k]);
            EXPECT_FLOAT_EQ(lo, want[2 * k]) << "axis " << k;
            EXPECT_FLOAT_EQ(hi, want[2 * k + 1]) << "axis " << k;
        }
    }
};

const Mesh ball{spikeThingie_numberVertices, spikeThingie_numberFaces, spikeThingie_vertices,
                spikeThingie_normals, spikeThingie_faces};
const Mesh star{spikeThingie2_numberVertices, spikeThingie2_numberFaces, spikeThingie2_vertices,
                spikeThingie2_normals, spikeThingie2_faces};

void expectRow(const float (*rows)[3], int i, std::array<float, 3> want) {
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(rows[i][k], want[k]) << "row " << i;
}
void expectFace(const int (*faces)[3], int i, std::array<int, 3> want) {
    EXPECT_EQ((std::array<int, 3>{faces[i][0], faces[i][1], faces[i][2]}), want) << "face " << i;
}

// Everything the drawing code relies on: indices in range, every vertex used, no degenerate face,
// unit normals, and counter-clockwise winding seen from where the corners' normals point.
void expectInvariants(const Mesh& m) {
    std::vector<int> uses(m.numberVertices, 0);
    for (int f = 0; f < m.numberFaces; ++f) {
        const int* c = m.faces[f];
        for (int k = 0; k < 3; ++k) ASSERT_TRUE(c[k] >= 0 && c[k] < m.numberVertices) << "face " << f;
        for (int k = 0; k < 3; ++k) ++uses[c[k]];
        EXPECT_TRUE(c[0] != c[1] && c[1] != c[2] && c[0] != c[2]) << "face " << f;
        V3 sum{0, 0, 0};
        for (int k = 0; k < 3; ++k)
            for (int d = 0; d < 3; ++d) sum[d] += m.normals[c[k]][d];
        EXPECT_GT(dot(m.faceNormal(f), sum), 0) << "face " << f << " is wound the wrong way";
    }
    for (int i = 0; i < m.numberVertices; ++i) {
        EXPECT_GT(uses[i], 0) << "vertex " << i << " unused";
        const float* n = m.normals[i];
        EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0f, 4e-5f) << "normal " << i;
    }
}

}  // namespace

TEST(SpikeThingie, CountsRowsAndInvariants) {
    EXPECT_EQ(spikeThingie_numberVertices, 114);
    EXPECT_EQ(spikeThingie_numberFaces, 224);
    expectRow(spikeThingie_vertices, 0, {0.0f, 0.0f, -0.650539f});
    expectRow(spikeThingie_normals, 0, {0.0f, -1.0f, 0.0f});
    expectRow(spikeThingie_vertices, 1, {0.1f, -0.041421f, 0.261312f});
    expectRow(spikeThingie_normals, 1, {0.733665f, -0.303873f, 0.607746f});
    expectRow(spikeThingie_vertices, 113, {0.108239f, 0.0f, 0.261312f});
    expectRow(spikeThingie_normals, 113, {0.794092f, 0.0f, 0.607746f});
    expectFace(spikeThingie_faces, 0, {29, 1, 113});
    expectFace(spikeThingie_faces, 1, {7, 0, 107});  // index 0 is vertex 0, the -z tip
    expectFace(spikeThingie_faces, 223, {100, 112, 101});
    expectInvariants(ball);
}

TEST(SpikeThingie, ClosedSphereWithTenSpikes) {
    EXPECT_EQ(ball.distinctPositions(), 114u);
    const auto edges = ball.edges();
    EXPECT_EQ(edges.size(), 336u);
    for (const auto& [edge, faces] : edges) EXPECT_EQ(faces, 2) << edge.first << "-" << edge.second;
    ball.expectBounds({-0.522625f, 0.522625f, -0.522625f, 0.522625f, -0.650539f, 0.650538f});

    // Seven rings of 16 points 22.5 degrees apart, the two poles, and every second equator point pulled out.
    std::map<long, std::set<long>> rings;  // z in millionths -> angles in 22.5-degree steps
    int poles = 0, spikes = 0;
    for (int i = 0; i < ball.numberVertices; ++i) {
        const V3 p = ball.v(i);
        if (std::hypot(p[0], p[1]) < 1e-6) {
            ++poles;
            continue;
        }
        const double steps = degreesOf(p[1], p[0]) / 22.5;
        EXPECT_NEAR(steps, std::round(steps), 1e-4) << "vertex " << i;
        rings[std::lround(p[2] * 1e6)].insert(std::lround(steps) % 16);
        const bool spike = p[2] == 0.0 && std::lround(steps) % 2 == 1;
        spikes += spike;
        EXPECT_NEAR(std::sqrt(dot(p, p)), spike ? 0.565685 : 0.282842, 2e-6) << "vertex " << i;
    }
    EXPECT_EQ(poles, 2);
    EXPECT_EQ(spikes, 8);
    const std::vector<long> ringZ{-261312, -200000, -108239, 0, 108239, 200000, 261312};
    ASSERT_EQ(rings.size(), ringZ.size());
    for (long z : ringZ) EXPECT_EQ(rings[z].size(), 16u) << "ring at z " << z;
}

TEST(SpikeThingie2, CountsRowsAndInvariants) {
    EXPECT_EQ(spikeThingie2_numberVertices, 429);
    EXPECT_EQ(spikeThingie2_numberFaces, 728);
    expectRow(spikeThingie2_vertices, 0, {-0.8f, 0.0f, -0.033941f});
    expectRow(spikeThingie2_normals, 0, {0.004761f, 0.0f, -0.999969f});
    expectRow(spikeThingie2_vertices, 428, {0.108239f, 0.0f, 0.052263f});
    expectRow(spikeThingie2_normals, 428, {0.09769f, 0.0f, 0.995209f});
    expectFace(spikeThingie2_faces, 0, {8, 9, 7});
    expectFace(spikeThingie2_faces, 727, {415, 427, 416});
    expectInvariants(star);
}

TEST(SpikeThingie2, FlatStarOfABodyAndSevenSeparateSpikes) {
    EXPECT_EQ(star.distinctPositions(), 387u);
    int open = 0;
    for (const auto& [edge, faces] : star.edges()) {
        EXPECT_LE(faces, 2);
        open += faces == 1;
    }
    EXPECT_EQ(open, 112);
    star.expectBounds({-0.969706f, 0.969706f, -0.856743f, 0.856743f, -0.056569f, 0.056569f});

    // Pieces that share no vertex, by union-find over the faces.
    std::vector<int> parent(star.numberVertices);
    for (int i = 0; i < star.numberVertices; ++i) parent[i] = i;
    auto root = [&](int i) {
        while (parent[i] != i) i = parent[i] = parent[parent[i]];
        return i;
    };
    for (int f = 0; f < star.numberFaces; ++f)
        for (int k = 1; k < 3; ++k) parent[root(star.faces[f][k])] = root(star.faces[f][0]);
    std::map<int, std::vector<int>> pieces;
    for (int i = 0; i < star.numberVertices; ++i) pieces[root(i)].push_back(i);
    std::map<int, int> facesOf;
    for (int f = 0; f < star.numberFaces; ++f) ++facesOf[root(star.faces[f][0])];
    ASSERT_EQ(pieces.size(), 8u);

    std::map<int, std::vector<int>> spikesAt;  // direction in degrees -> piece roots
    for (const auto& [id, vertices] : pieces) {
        double rMin = 1e9, cx = 0, cy = 0;
        for (int i : vertices) {
            rMin = std::min<double>(rMin, std::hypot(star.vertices[i][0], star.vertices[i][1]));
            cx += star.vertices[i][0], cy += star.vertices[i][1];
        }
        if (vertices.size() == 58) {  // the body: a closed, squashed sphere in the middle
            EXPECT_EQ(facesOf[id], 112);
            continue;
        }
        EXPECT_TRUE(vertices.size() == 53u && facesOf[id] == 88) << vertices.size() << " " << facesOf[id];
        EXPECT_NEAR(rMin, 0.35, 1e-6) << "a spike touches the body";
        spikesAt[static_cast<int>(std::lround(degreesOf(cy, cx))) % 360].push_back(id);
    }
    std::map<int, size_t> directions;
    for (const auto& [direction, ids] : spikesAt) directions[direction] = ids.size();
    EXPECT_EQ(directions, (std::map<int, size_t>{{0, 1}, {60, 1}, {120, 1}, {180, 2}, {240, 1}, {300, 1}}));

    // The two 180-degree copies overlap: they share most positions but are not the same spike.
    ASSERT_EQ(spikesAt[180].size(), 2u);
    std::set<Key> first;
    size_t both = 0;
    for (int i : pieces[spikesAt[180][0]]) first.insert(star.key(i));
    for (int i : pieces[spikesAt[180][1]]) both += first.count(star.key(i));
    EXPECT_GT(both, 26u);
    EXPECT_LT(both, 53u);
}

TEST(MeshHeaders, EveryDecimalHasSixDigits) {
    for (const std::string name : {"spikeThingie", "spikeThingie2"}) {
        std::ifstream in(moriqtest::sourcePath("models/" + name + ".h"));
        std::stringstream text;
        text << in.rdbuf();
        const std::string body = text.str().substr(text.str().find("#pragma once"));
        const std::regex decimal(R"([-+]?\d*\.\d+([eE][-+]?\d+)?f?)"), sixDigits(R"(-?\d+\.\d{6}f?)");
        int literals = 0;
        for (auto it = std::sregex_iterator(body.begin(), body.end(), decimal); it != std::sregex_iterator(); ++it) {
            ++literals;
            EXPECT_TRUE(std::regex_match(it->str(), sixDigits)) << name << ": " << it->str();
        }
        EXPECT_EQ(literals, 2 * 3 * (name == "spikeThingie" ? 114 : 429)) << name;
    }
}

namespace {

// Draws a mesh at the cel scenes' distance with their projection, front faces white and back faces
// red, and tells the colour under model points: white wherever the nearest surface faces the viewer.
struct Drawing {
    moriqtest::Frame frame;
    GLdouble modelview[16], projection[16];
    GLint viewport[4];

    Drawing(const Mesh& m, float tiltX, float turnZ) {
        moriqtest::ensureGL();
        frame = moriqtest::grabFrame([&] {
            glPushAttrib(GL_ALL_ATTRIB_BITS);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            gluPerspective(45.0, 640.0 / 480.0, 0.1, 100.0);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glTranslatef(0.0f, 0.0f, -2.0f);
            glRotatef(tiltX, 1.0f, 0.0f, 0.0f);
            glRotatef(turnZ, 0.0f, 0.0f, 1.0f);
            glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
            glGetDoublev(GL_PROJECTION_MATRIX, projection);
            glGetIntegerv(GL_VIEWPORT, viewport);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glEnable(GL_DEPTH_TEST);
            glEnable(GL_CULL_FACE);
            for (GLenum culled : {GL_FRONT, GL_BACK}) {
                glCullFace(culled);
                glColor3f(1, culled == GL_BACK, culled == GL_BACK);
                glBegin(GL_TRIANGLES);
                for (int f = 0; f < m.numberFaces; ++f)
                    for (int k = 0; k < 3; ++k) glVertex3fv(m.vertices[m.faces[f][k]]);
                glEnd();
            }
            glPopAttrib();
            Clock::swapBuffers();
        });
    }
    RGB at(double x, double y, double z) const {
        GLdouble wx, wy, wz;
        gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
        return frame.at(static_cast<int>(std::lround(wx)), 479 - static_cast<int>(std::lround(wy)));
    }
    int count(bool (*what)(RGB)) const {
        int n = 0;
        for (size_t i = 0; i < frame.rgb.size(); i += 3) n += what(RGB{frame.rgb[i], frame.rgb[i + 1], frame.rgb[i + 2]});
        return n;
    }
};

bool front(RGB c) { return c.r > 200 && c.g > 200 && c.b > 200; }
bool back(RGB c) { return c.r > 200 && c.g < 100; }
bool empty(RGB c) { return c.r < 30 && c.g < 30 && c.b < 30; }

}  // namespace

TEST(MeshDrawing, BallAndStarDrawClosedAndFacingOut) {
    // The ball tipped back so that its equator spikes spread into a ring and its tips point up and down.
    const Drawing b(ball, -30.0f, 10.0f);
    b.frame.savePng(moriqtest::outputPath("mesh_spikeThingie.png"));
    EXPECT_TRUE(front(b.at(0, 0, 0)) && front(b.at(0, 0, 0.55)) && !empty(b.at(0, 0, -0.55)));
    for (int step = 1; step < 16; step += 2)  // a point on each equator spike, short of its tip
        EXPECT_FALSE(empty(b.at(0.45 * std::cos(step * M_PI / 8), 0.45 * std::sin(step * M_PI / 8), 0))) << step;
    EXPECT_TRUE(empty(b.at(0.45, 0, 0))) << "between two spikes";
    // Closed and wound counter-clockwise outside: no back face is ever the nearest surface.
    EXPECT_EQ(b.count(back), 0);
    EXPECT_GT(b.count(front), 20000);

    const Drawing s(star, 0.0f, 0.0f);  // face-on, as the cel scene starts
    s.frame.savePng(moriqtest::outputPath("mesh_spikeThingie2.png"));
    EXPECT_TRUE(front(s.at(0, 0, 0.056569)));
    for (int a = 0; a < 360; a += 60) {
        const double t = a * M_PI / 180, gap = (a + 30) * M_PI / 180;
        EXPECT_TRUE(front(s.at(0.9 * std::cos(t), 0.9 * std::sin(t), 0))) << "spike at " << a;
        EXPECT_TRUE(empty(s.at(0.7 * std::cos(gap), 0.7 * std::sin(gap), 0))) << "between spikes at " << a + 30;
        EXPECT_TRUE(empty(s.at(0.315 * std::cos(t), 0.315 * std::sin(t), 0))) << "body and spike " << a << " touch";
    }
    // Only the inside of a spike's open base may show, in thin slivers.
    EXPECT_LT(s.count(back), s.count(front) / 50);
}
