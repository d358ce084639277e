// Resample, dither and pack of one picture from a 4000 x 3000 24-bit source, reported as
// time per output pixel (the per_pixel counter).
#include <stdlib.h>

#include <benchmark/benchmark.h>

#include "SDL.h"
#include "picconv/imaging/packed_picture.h"
#include "picconv/imaging/pixel_access.h"
#include "picconv/imaging/resample.h"

namespace {

SDL_Surface *makeSource() {
    SDL_Surface *s = SDL_CreateRGBSurface(0, 4000, 3000, 24, 0xFF, 0xFF00, 0xFF0000, 0);
    uint32_t state = 12345;
    for (int y = 0; y < s->h; y++) {
        for (int x = 0; x < s->w; x++) {
            state = state * 1103515245u + 12345u;
            putPixel(s, x, y, state >> 8);
        }
    }
    return s;
}

void convertPicture(benchmark::State &state) {
    static SDL_Surface *source = makeSource();
    const QUAD_T rect = {0, 0, 4000, 3000};
    const QUAD_T size = {0, 0, static_cast<uint16_t>(state.range(0)),
                         static_cast<uint16_t>(state.range(1))};
    for (auto _ : state) {
        SDL_Surface *out = resampleRotated(source, &rect, &size);
        benchmark::DoNotOptimize(writePackedPicture(out, "/dev/null"));
        SDL_FreeSurface(out);
    }
    const double pixels = static_cast<double>(size.w) * size.h;
    state.counters["per_pixel"] = benchmark::Counter(
        pixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(convertPicture)
    ->Args({4000, 3000})
    ->Args({320, 240})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace

int main(int argc, char **argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SDL_Quit();
    return 0;
}
