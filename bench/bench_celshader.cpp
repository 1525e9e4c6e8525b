// The CPU side of a cel-shaded frame (one shade per face corner of the star, 2184 in all) and the
// terrain's noise table, which is built once while the loading bar shows.
#include "CelShader.h"
#include "Heightfield.h"
#include "models/spikeThingie2.h"

#include <benchmark/benchmark.h>

static void BM_ShadeStarCorners(benchmark::State& state) {
    const float modelview[16] = {0.8f, 0.5f, -0.3f, 0, -0.4f, 0.8f, 0.4f, 0, 0.4f, -0.2f, 0.9f, 0, 0, 0, -2, 1};
    const Vector3d light(0, 0, 1);
    for (auto _ : state) {
        float sum = 0;
        for (int f = 0; f < spikeThingie2_numberFaces; ++f)
            for (int corner = 0; corner < 3; ++corner)
                sum += CelShader::shade(modelview, spikeThingie2_normals[spikeThingie2_faces[f][corner]], light);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * spikeThingie2_numberFaces * 3);
}
BENCHMARK(BM_ShadeStarCorners);

static void BM_HeightTable(benchmark::State& state) {
    for (auto _ : state)
        for (int i = 0; i < terrain::MAP_SIZE; ++i) benchmark::DoNotOptimize(terrain::noise(float(i), float(i + 242)));
}
BENCHMARK(BM_HeightTable);
