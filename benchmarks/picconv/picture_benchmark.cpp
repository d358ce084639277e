// The converter's per-picture work (resample, dither and pack) on a 4000 x 3000 24-bit source,
// reported as time per output pixel (the per_pixel counter): the fast path the converter runs,
// whole-pixel (1:1, 10:1) and fractional (2.7:1) steps, and the literal steps it must equal.
// Wall-clock time: the fast path samples on a second thread.
#include <stdint.h>

#include <benchmark/benchmark.h>

#include "SDL.h"

#include "picconv/imaging/fast_resample.h"
#include "picconv/imaging/packed_picture.h"
#include "picconv/imaging/pixel_access.h"
#include "picconv/imaging/resample.h"
#include "platform/process.h"

namespace {

SDL_Surface *makeSource() {
    SDL_Surface *s = SDL_CreateRGBSurface(0, 4000, 3000, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    uint32_t state = 12345;
    for (int y = 0; y < s->h; y++) {
        for (int x = 0; x < s->w; x++) {
            state = state * 1103515245u + 12345u;
            putPixel(s, x, y, state >> 8);
        }
    }
    return s;
}

SDL_Surface *g_source = nullptr;

// Output size from the arguments; the whole picture is the source rectangle.
void convert(benchmark::State &state,
             SDL_Surface *(*resample)(const SDL_Surface *, const QUAD_T *, const QUAD_T *),
             int (*write)(const SDL_Surface *, const char *)) {
    const QUAD_T rect = {0, 0, 4000, 3000};
    const QUAD_T size = {0, 0, static_cast<uint16_t>(state.range(0)),
                         static_cast<uint16_t>(state.range(1))};
    for (auto _ : state) {
        SDL_Surface *out = resample(g_source, &rect, &size);
        benchmark::DoNotOptimize(write(out, "/dev/null"));
        SDL_FreeSurface(out);
    }
    const double pixels = static_cast<double>(size.w) * size.h;
    state.counters["per_pixel"] = benchmark::Counter(
        pixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void fastPath(benchmark::State &state) {
    convert(state, resampleRotated, writePackedPicture);
}

void literalSteps(benchmark::State &state) {
    convert(state, resampleRotatedLiteral, writePackedPictureLiteral);
}

BENCHMARK(fastPath)
    ->Args({4000, 3000})
    ->Args({400, 300})
    ->Args({1481, 1111})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

BENCHMARK(literalSteps)
    ->Args({400, 300})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

}  // namespace

int main(int argc, char **argv) {
    setEnvironmentDefault("SDL_VIDEODRIVER", "dummy");
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        return 2;
    }
    g_source = makeSource();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SDL_FreeSurface(g_source);
    SDL_Quit();
    return 0;
}
