// The two static meshes keep what the cel-shading code relies on: indices in range, every vertex used,
// unit normals, faces wound counter-clockwise seen from where their normals point, and the ball closed.
// (tools/make_meshes.py --check holds the files to their generator byte for byte.)
#include "models/spikeThingie.h"
#include "models/spikeThingie2.h"

#include "Vector3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

namespace {

void expectInvariants(int numberVertices, int numberFaces, const float (*vertices)[3], const float (*normals)[3],
                      const int (*faces)[3], bool closed) {
    auto v = [&](int i) { return Vector3d(vertices[i][0], vertices[i][1], vertices[i][2]); };
    std::vector<int> uses(numberVertices, 0);
    std::map<std::pair<int, int>, int> edges;
    for (int f = 0; f < numberFaces; ++f) {
        const int* c = faces[f];
        Vector3d sum;
        for (int k = 0; k < 3; ++k) {
            ASSERT_TRUE(c[k] >= 0 && c[k] < numberVertices) << "face " << f;
            ++uses[c[k]];
            ++edges[{std::min(c[k], c[(k + 1) % 3]), std::max(c[k], c[(k + 1) % 3])}];
            sum = sum + Vector3d(normals[c[k]][0], normals[c[k]][1], normals[c[k]][2]);
        }
        EXPECT_GT((v(c[1]) - v(c[0])).crossProduct(v(c[2]) - v(c[0])).dotProduct(sum), 0) << "face " << f;
    }
    for (int i = 0; i < numberVertices; ++i) {
        EXPECT_GT(uses[i], 0) << "vertex " << i;
        EXPECT_NEAR(Vector3d(normals[i][0], normals[i][1], normals[i][2]).magnitude(), 1.0f, 4e-5f) << i;
    }
    for (const auto& [edge, count] : edges) EXPECT_TRUE(closed ? count == 2 : count <= 2) << edge.first;
}

}  // namespace

TEST(Meshes, BallAndStarKeepTheInvariantsTheShadingNeeds) {
    expectInvariants(spikeThingie_numberVertices, spikeThingie_numberFaces, spikeThingie_vertices,
                     spikeThingie_normals, spikeThingie_faces, true);
    expectInvariants(spikeThingie2_numberVertices, spikeThingie2_numberFaces, spikeThingie2_vertices,
                     spikeThingie2_normals, spikeThingie2_faces, false);
}
