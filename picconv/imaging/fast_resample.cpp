// The converter's resampler: the same samples, noise, levels and palette entries as
// resampleRotatedLiteral, computed from tables and per-row and per-column parts.
#include "picconv/imaging/fast_resample.h"

#include <math.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "picconv/imaging/dither_noise.h"
#include "picconv/imaging/fast_source.h"
#include "picconv/imaging/four_level_surface.h"
#include "picconv/imaging/limit_int.h"
#include "picconv/imaging/resample.h"
#include "platform/process.h"

namespace {

enum { CHANNEL_COUNT = 3 };

// Output rows sampled together. An output row takes a source column, so a block reads its
// columns row by row of the source (neighbouring bytes, not one page per pixel) into planes,
// one per column and channel, along which the samples of an output row then run; a row reads two
// columns, hence BLOCK_COLUMNS. 64 rows is the most whose planes stay in the 2 MiB L2 cache of a
// core (of the development machine) for a 3000-sample output at 1:1 (about 65 columns x 6 planes x
// 3001 bytes, 1.2 MB; 2.3 MB at 128 rows). Measured on one thread, 4000 x 3000 at 1:1: 137 to 160
// ms of CPU from 8 to 64 rows, 190 to 197 ms at 128 and 256 rows (best of 11). Fewer rows gain
// nothing there and hand the sampling thread more blocks.
enum { BLOCK_ROWS = 64, BLOCK_COLUMNS = 2 * BLOCK_ROWS };

// Fewer rows make a block when its planes could outgrow this, as they do for outputs more than
// about 5460 samples tall. Measured on one thread, median CPU of 7 runs, 1000 x 16000 and
// 4000 x 8000 from 4000 x 3000: 1027 and 1547 ms at 1 MiB (blocks of few rows read every source
// row again for few columns), 882 to 1009 and 1175 to 1250 ms from 2 to 16 MiB. 4 MiB lies in
// that flat stretch, and the two blocks alive at once hold at most 8 MiB of planes.
const size_t PLANE_BUDGET = 4u << 20;

// From this many output pixels on, the sampling thread samples the next block while the
// dithering, which must run in order, works through the current one. Below it a line takes
// under about 2 ms on one core, and the thread gains little against handing it each block (3 to
// 4 us here, more when a busy machine must first wake the thread): best of 41 runs, 1.95 against
// 2.03 ms without the thread at 256 x 256 (this minimum), a loss at 128 x 256 (1.57 against
// 1.36 ms).
const size_t THREAD_MINIMUM = 1u << 16;

// trunc() for the running totals, whose size stays far below 2^31. A zero may lose its sign,
// which no later step can see.
double truncateTotal(double total) {
    return static_cast<double>(static_cast<int>(total));
}

// A distance part |k - s| that makes whole-number weights: a multiple of 1/128. Then every
// weight, product and sum is exact in double arithmetic, and integers give the same totals.
bool wholeWeightPart(double part, int *scaled) {
    const double times128 = part * 128.0;
    *scaled = static_cast<int>(times128);
    return static_cast<double>(*scaled) == times128;
}

// Per sample along the source's y axis (the output's columns), for the whole picture.
struct ROWS_T {
    size_t count;
    std::vector<double> upperPart;  // |cy - sy|
    std::vector<double> lowerPart;  // |cy + 1 - sy|
    std::vector<int> upperScaled;   // the same times 128, when wholeRows
    std::vector<int> lowerScaled;
    std::vector<ptrdiff_t> upperOffset;  // byte offsets of the rows read, clamped to the picture
    std::vector<ptrdiff_t> lowerOffset;
    bool wholeRows;  // every part a multiple of 1/128
    bool unitRows;   // every sample on a whole row: distances 0 and 1
    bool chained;    // every sample's lower row is the next one's upper row
};

// Per output row of a block: its two source columns among the block's distinct ones.
struct BLOCK_T {
    int rows;
    int columnCount;
    int xs[BLOCK_COLUMNS];  // distinct columns read, ascending
    int leftSlot[BLOCK_ROWS];
    int rightSlot[BLOCK_ROWS];
    double leftPart[BLOCK_ROWS];  // |cx - sx|
    double rightPart[BLOCK_ROWS];
    int leftScaled[BLOCK_ROWS];
    int rightScaled[BLOCK_ROWS];
    bool whole[BLOCK_ROWS];
    bool unit[BLOCK_ROWS];
};

// The source colours of a block: for each distinct column and channel, a plane of the upper
// rows' values (count + 1 of them, the last one the last sample's lower row) and, unless the
// rows are chained, a plane of the lower rows' values.
enum { PLANE_UPPER = 0, PLANE_LOWER = CHANNEL_COUNT, PLANES_PER_COLUMN = 2 * CHANNEL_COUNT };

struct PLANES_T {
    size_t length;
    bool chained;
    std::vector<uint8_t> store;
};

uint8_t *upperPlane(PLANES_T *planes, int slot, int channel) {
    return planes->store.data() +
           (static_cast<size_t>(slot) * PLANES_PER_COLUMN + PLANE_UPPER + channel) * planes->length;
}

uint8_t *lowerPlane(PLANES_T *planes, int slot, int channel) {
    if (planes->chained) {
        return upperPlane(planes, slot, channel) + 1;
    }
    return planes->store.data() +
           (static_cast<size_t>(slot) * PLANES_PER_COLUMN + PLANE_LOWER + channel) * planes->length;
}

void planRows(const SDL_Surface *source, const QUAD_T *sourceQuad, double stepY, ROWS_T *rows) {
    const size_t count = rows->count;
    rows->upperPart.resize(count);
    rows->lowerPart.resize(count);
    rows->upperScaled.resize(count);
    rows->lowerScaled.resize(count);
    rows->upperOffset.resize(count);
    rows->lowerOffset.resize(count);
    rows->wholeRows = true;
    rows->unitRows = true;
    rows->chained = true;
    const int lastRow = source->h > 0 ? source->h - 1 : 0;
    for (size_t j = 0; j < count; j++) {
        const double sy = sourceQuad->y + stepY * static_cast<int>(j);
        const int cy = static_cast<int>(sy);
        rows->upperPart[j] = fabs(cy - sy);
        rows->lowerPart[j] = fabs((cy + 1) - sy);
        const bool upperWhole = wholeWeightPart(rows->upperPart[j], &rows->upperScaled[j]);
        const bool lowerWhole = wholeWeightPart(rows->lowerPart[j], &rows->lowerScaled[j]);
        rows->wholeRows = rows->wholeRows && upperWhole && lowerWhole;
        rows->unitRows = rows->unitRows && rows->upperPart[j] == 0.0 && rows->lowerPart[j] == 1.0;
        rows->upperOffset[j] = static_cast<ptrdiff_t>(limitInt(cy, 0, lastRow)) * source->pitch;
        rows->lowerOffset[j] = static_cast<ptrdiff_t>(limitInt(cy + 1, 0, lastRow)) * source->pitch;
        if (j > 0 && rows->upperOffset[j] != rows->lowerOffset[j - 1]) {
            rows->chained = false;
        }
    }
}

void planBlock(const SDL_Surface *source, const QUAD_T *sourceQuad, double stepX,
               const ROWS_T *rows, int first, int count, BLOCK_T *block) {
    const int lastColumn = source->w > 0 ? source->w - 1 : 0;
    int wanted[BLOCK_COLUMNS];
    block->rows = count;
    for (int b = 0; b < count; b++) {
        const double sx = sourceQuad->x + stepX * (first + b);
        const int cx = static_cast<int>(sx);
        block->leftPart[b] = fabs(cx - sx);
        block->rightPart[b] = fabs((cx + 1) - sx);
        const bool leftWhole = wholeWeightPart(block->leftPart[b], &block->leftScaled[b]);
        const bool rightWhole = wholeWeightPart(block->rightPart[b], &block->rightScaled[b]);
        block->whole[b] = rows->wholeRows && leftWhole && rightWhole;
        block->unit[b] = rows->unitRows && block->leftPart[b] == 0.0 && block->rightPart[b] == 1.0;
        wanted[2 * b] = limitInt(cx, 0, lastColumn);
        wanted[2 * b + 1] = limitInt(cx + 1, 0, lastColumn);
    }
    std::copy(wanted, wanted + 2 * count, block->xs);
    std::sort(block->xs, block->xs + 2 * count);
    int *const end = std::unique(block->xs, block->xs + 2 * count);
    block->columnCount = static_cast<int>(end - block->xs);
    for (int b = 0; b < count; b++) {
        block->leftSlot[b] =
            static_cast<int>(std::lower_bound(block->xs, end, wanted[2 * b]) - block->xs);
        block->rightSlot[b] =
            static_cast<int>(std::lower_bound(block->xs, end, wanted[2 * b + 1]) - block->xs);
    }
}

// Reads the block's columns, source row by source row, into the planes.
void readBlock(const SOURCE_COLOURS_T *colours, const SDL_Surface *source, const ROWS_T *rows,
               const BLOCK_T *block, PLANES_T *planes) {
    const size_t stride = PLANES_PER_COLUMN * planes->length;
    for (size_t j = 0; j < rows->count; j++) {
        readSourcePixels(colours, source, rows->upperOffset[j], block->xs, block->columnCount,
                         upperPlane(planes, 0, 0) + j, upperPlane(planes, 0, 1) + j,
                         upperPlane(planes, 0, 2) + j, stride);
        if (!planes->chained) {
            readSourcePixels(colours, source, rows->lowerOffset[j], block->xs, block->columnCount,
                             lowerPlane(planes, 0, 0) + j, lowerPlane(planes, 0, 1) + j,
                             lowerPlane(planes, 0, 2) + j, stride);
        }
    }
    if (planes->chained) {
        const size_t last = rows->count - 1;
        readSourcePixels(colours, source, rows->lowerOffset[last], block->xs, block->columnCount,
                         lowerPlane(planes, 0, 0) + last, lowerPlane(planes, 0, 1) + last,
                         lowerPlane(planes, 0, 2) + last, stride);
    }
}

// The colours of one output row's four neighbours, per channel, along the samples.
struct NEIGHBOURS_T {
    const uint8_t *a[CHANNEL_COUNT];  // (0, 0)
    const uint8_t *b[CHANNEL_COUNT];  // (0, 1)
    const uint8_t *c[CHANNEL_COUNT];  // (1, 0)
    const uint8_t *d[CHANNEL_COUNT];  // (1, 1)
};

// Samples on whole pixels: weights 256, 128, 128 and 0, so (2 a + b + c) / 4.
void sampleUnit(const NEIGHBOURS_T *n, size_t count, uint8_t *const out[CHANNEL_COUNT]) {
    for (int k = 0; k < CHANNEL_COUNT; k++) {
        const uint8_t *a = n->a[k];
        const uint8_t *b = n->b[k];
        const uint8_t *c = n->c[k];
        uint8_t *result = out[k];
        for (size_t j = 0; j < count; j++) {
            result[j] = static_cast<uint8_t>((2 * a[j] + b[j] + c[j]) >> 2);
        }
    }
}

void sampleWhole(const NEIGHBOURS_T *n, const ROWS_T *rows, int leftScaled, int rightScaled,
                 uint8_t *const out[CHANNEL_COUNT]) {
    const int *upper = rows->upperScaled.data();
    const int *lower = rows->lowerScaled.data();
    const int left = 256 - leftScaled;
    const int right = 256 - rightScaled;
    for (int k = 0; k < CHANNEL_COUNT; k++) {
        const uint8_t *a = n->a[k];
        const uint8_t *b = n->b[k];
        const uint8_t *c = n->c[k];
        const uint8_t *d = n->d[k];
        uint8_t *result = out[k];
        for (size_t j = 0; j < rows->count; j++) {
            const int total = a[j] * (left - upper[j]) + b[j] * (left - lower[j]) +
                              c[j] * (right - upper[j]) + d[j] * (right - lower[j]);
            result[j] = static_cast<uint8_t>(channelOfTotal(total));
        }
    }
}

// Step by step as sampleWeighted: weights in double arithmetic, the running total truncated
// after each neighbour, in neighbour order. The weights of the row come first, into weights
// (four planes of count), so that each channel's loop runs on whole vectors.
void sampleExact(const NEIGHBOURS_T *n, const ROWS_T *rows, double leftPart, double rightPart,
                 double *weights, uint8_t *const out[CHANNEL_COUNT]) {
    const size_t count = rows->count;
    const double *upper = rows->upperPart.data();
    const double *lower = rows->lowerPart.data();
    double *w0 = weights;
    double *w1 = weights + count;
    double *w2 = weights + 2 * count;
    double *w3 = weights + 3 * count;
    for (size_t j = 0; j < count; j++) {
        w0[j] = (2.0 - (leftPart + upper[j])) * 0.5 * 256.0;
        w1[j] = (2.0 - (leftPart + lower[j])) * 0.5 * 256.0;
        w2[j] = (2.0 - (rightPart + upper[j])) * 0.5 * 256.0;
        w3[j] = (2.0 - (rightPart + lower[j])) * 0.5 * 256.0;
    }
    for (int k = 0; k < CHANNEL_COUNT; k++) {
        const uint8_t *a = n->a[k];
        const uint8_t *b = n->b[k];
        const uint8_t *c = n->c[k];
        const uint8_t *d = n->d[k];
        uint8_t *result = out[k];
        for (size_t j = 0; j < count; j++) {
            double total = truncateTotal(a[j] * w0[j]);
            total = truncateTotal(total + b[j] * w1[j]);
            total = truncateTotal(total + c[j] * w2[j]);
            total = truncateTotal(total + d[j] * w3[j]);
            result[j] = static_cast<uint8_t>(channelOfTotal(static_cast<int>(total)));
        }
    }
}

// The noise of count channels, in the order ditherChannel draws it, as ditherChannel turns
// each value into -32 to 31 (-95 to 31 for any int a substituted source returns).
void drawNoise(int *offsets, size_t count) {
    if (g_dither_random == nextNoise) {
        fillNoiseOffsets(offsets, count);
        return;
    }
    for (size_t k = 0; k < count; k++) {
        offsets[k] = ((g_dither_random() >> 8) % 64) - 32;
    }
}

// One block's sampling, which may run on a second thread: it only reads what the picture shares
// and writes its own block, planes and samples. The noise, drawn in order, stays with the
// dithering.
struct JOB_T {
    const SOURCE_COLOURS_T *colours;
    const SDL_Surface *source;
    const QUAD_T *sourceQuad;
    double stepX;
    const ROWS_T *rows;
    int first;  // the block's first output row, counted as i
    int count;
    BLOCK_T block;
    PLANES_T planes;
    std::vector<uint8_t> samples;  // per row of the block: red, green and blue planes
    std::vector<double> weights;   // one row's four weights per sample, when not whole
};

void sampleJob(void *context) {
    JOB_T *job = static_cast<JOB_T *>(context);
    const ROWS_T *rows = job->rows;
    const size_t count = rows->count;
    BLOCK_T *block = &job->block;
    planBlock(job->source, job->sourceQuad, job->stepX, rows, job->first, job->count, block);
    job->planes.store.resize(static_cast<size_t>(block->columnCount) * PLANES_PER_COLUMN *
                             job->planes.length);
    readBlock(job->colours, job->source, rows, block, &job->planes);
    for (int b = 0; b < block->rows; b++) {
        uint8_t *const row = job->samples.data() + b * CHANNEL_COUNT * count;
        uint8_t *const samples[CHANNEL_COUNT] = {row, row + count, row + 2 * count};
        NEIGHBOURS_T n;
        for (int k = 0; k < CHANNEL_COUNT; k++) {
            n.a[k] = upperPlane(&job->planes, block->leftSlot[b], k);
            n.b[k] = lowerPlane(&job->planes, block->leftSlot[b], k);
            n.c[k] = upperPlane(&job->planes, block->rightSlot[b], k);
            n.d[k] = lowerPlane(&job->planes, block->rightSlot[b], k);
        }
        if (block->unit[b]) {
            sampleUnit(&n, count, samples);
        } else if (block->whole[b]) {
            sampleWhole(&n, rows, block->leftScaled[b], block->rightScaled[b], samples);
        } else {
            sampleExact(&n, rows, block->leftPart[b], block->rightPart[b], job->weights.data(),
                        samples);
        }
    }
}

// ditherChannel's level for every sum t of value, noise and carried error: t limited to 0..255
// with its low six bits cleared, at levels[t + LEVEL_BIAS]. Values 0..255, noise -95..31 (any
// int a substituted noise source returns) and the error that follows keep t inside.
enum { LEVEL_BIAS = 512, LEVEL_COUNT = 1536 };

void planLevels(uint8_t levels[LEVEL_COUNT]) {
    for (int t = -LEVEL_BIAS; t < LEVEL_COUNT - LEVEL_BIAS; t++) {
        levels[t + LEVEL_BIAS] = static_cast<uint8_t>(limitInt(t, 0, 255) & ~63);
    }
}

// One output row from its samples (red, green and blue planes) and noise (three offsets per
// sample), with the error carried from the rows before it: ditherChannel's steps.
void ditherRow(const uint8_t *samples, const int *noise, size_t count,
               const uint8_t levels[LEVEL_COUNT], const uint8_t entry[64], int error[CHANNEL_COUNT],
               uint8_t *row) {
    const uint8_t *level = levels + LEVEL_BIAS;
    int errorR = error[0];
    int errorG = error[1];
    int errorB = error[2];
    for (size_t j = 0; j < count; j++) {
        const int red = samples[j] + noise[3 * j];
        const int green = samples[count + j] + noise[3 * j + 1];
        const int blue = samples[2 * count + j] + noise[3 * j + 2];
        const int levelR = level[red + errorR];
        const int levelG = level[green + errorG];
        const int levelB = level[blue + errorB];
        errorR = red - levelR;
        errorG = green - levelG;
        errorB = blue - levelB;
        row[j] = entry[(levelR >> 2) | (levelG >> 4) | (levelB >> 6)];
    }
    error[0] = errorR;
    error[1] = errorG;
    error[2] = errorB;
}

// The palette entry of every level triple, index r/64 * 16 + g/64 * 4 + b/64, as SDL_MapRGB
// answers on the output's own format. Its answers depend on nothing but the palette, the same
// for every picture, so they are asked once and kept while the palette stays the same.
struct ENTRY_CACHE_T {
    bool valid;
    int colourCount;
    SDL_Color colours[256];
    uint8_t entry[64];
};

ENTRY_CACHE_T g_entry_cache = {};

// The process's one sampling thread, started on first need (null until then, or while none can
// be started), and the blocks it has sampled.
TASK_THREAD_T *g_sampling_thread = nullptr;
uint64_t g_sampling_thread_blocks = 0;

// sampleJob on the sampling thread. The count is read only after waitForTask.
void sampleOnSamplingThread(void *context) {
    sampleJob(context);
    g_sampling_thread_blocks++;
}

void planEntries(const SDL_Surface *output, uint8_t entry[64]) {
    const SDL_Palette *palette = output->format->palette;
    const bool keyable = palette != nullptr && palette->ncolors >= 0 && palette->ncolors <= 256;
    if (keyable && g_entry_cache.valid && g_entry_cache.colourCount == palette->ncolors &&
        memcmp(g_entry_cache.colours, palette->colors, palette->ncolors * sizeof(SDL_Color)) == 0) {
        memcpy(entry, g_entry_cache.entry, sizeof g_entry_cache.entry);
        return;
    }
    for (int r = 0; r < 4; r++) {
        for (int g = 0; g < 4; g++) {
            for (int b = 0; b < 4; b++) {
                entry[r * 16 + g * 4 + b] = static_cast<uint8_t>(
                    SDL_MapRGB(output->format, static_cast<Uint8>(r * 64),
                               static_cast<Uint8>(g * 64), static_cast<Uint8>(b * 64)));
            }
        }
    }
    g_entry_cache.valid = keyable;
    if (keyable) {
        g_entry_cache.colourCount = palette->ncolors;
        memcpy(g_entry_cache.colours, palette->colors, palette->ncolors * sizeof(SDL_Color));
        memcpy(g_entry_cache.entry, entry, sizeof g_entry_cache.entry);
    }
}

}  // namespace

SDL_Surface *resampleRotated(const SDL_Surface *source, const QUAD_T *sourceQuad,
                             const QUAD_T *outputQuad) {
    SDL_Surface *output = createOutputSurface(outputQuad);
    if (output != nullptr) {
        resampleRotatedInto(output, source, sourceQuad, outputQuad);
    }
    return output;
}

void resampleRotatedInto(SDL_Surface *output, const SDL_Surface *source, const QUAD_T *sourceQuad,
                         const QUAD_T *outputQuad) {
    if (outputQuad->w == 0 || outputQuad->h == 0) {
        return;
    }
    if (output->format->BytesPerPixel != 1) {
        // Not the surface the tables are made for; nothing has been drawn yet.
        resampleRotatedLiteralInto(output, source, sourceQuad, outputQuad);
        return;
    }
    SOURCE_COLOURS_T colours;
    prepareSourceColours(source, &colours);
    uint8_t entry[64];
    planEntries(output, entry);
    uint8_t levels[LEVEL_COUNT];
    planLevels(levels);
    ROWS_T rows;
    rows.count = outputQuad->h;
    planRows(source, sourceQuad, static_cast<double>(sourceQuad->h) / outputQuad->h, &rows);
    const int blockRows = static_cast<int>(std::min<size_t>(
        BLOCK_ROWS,
        std::max<size_t>(1, PLANE_BUDGET / (2 * PLANES_PER_COLUMN * (rows.count + 1)))));
    JOB_T jobs[2];
    for (JOB_T &job : jobs) {
        job.colours = &colours;
        job.source = source;
        job.sourceQuad = sourceQuad;
        job.stepX = static_cast<double>(sourceQuad->w) / outputQuad->w;
        job.rows = &rows;
        job.planes.length = rows.count + 1;
        job.planes.chained = rows.chained;
        job.samples.resize(static_cast<size_t>(blockRows) * CHANNEL_COUNT * rows.count);
        job.weights.resize(4 * rows.count);
    }
    // SDL itself is called from this thread only.
    const bool threaded = colours.read != SOURCE_READ_PER_PIXEL &&
                          static_cast<size_t>(outputQuad->w) * rows.count >= THREAD_MINIMUM;
    if (threaded && g_sampling_thread == nullptr) {
        g_sampling_thread = startTaskThread();
    }
    TASK_THREAD_T *const helper = threaded ? g_sampling_thread : nullptr;
    std::vector<int> noise(CHANNEL_COUNT * rows.count);
    int error[CHANNEL_COUNT] = {0, 0, 0};
    jobs[0].first = 0;
    jobs[0].count = std::min<int>(blockRows, outputQuad->w);
    sampleJob(&jobs[0]);
    for (int k = 0; jobs[k % 2].first < outputQuad->w; k++) {
        const JOB_T *current = &jobs[k % 2];
        JOB_T *next = &jobs[(k + 1) % 2];
        next->first = current->first + current->count;
        next->count = std::min<int>(blockRows, outputQuad->w - next->first);
        // Every block handed is waited for before the next is handed or the call returns: the
        // thread never works on this call's data after it.
        const bool handed = next->count > 0 && helper != nullptr;
        if (handed) {
            handTask(helper, sampleOnSamplingThread, next);
        }
        for (int b = 0; b < current->count; b++) {
            uint8_t *row =
                static_cast<uint8_t *>(output->pixels) +
                static_cast<ptrdiff_t>(outputQuad->w - 1 - (current->first + b)) * output->pitch;
            drawNoise(noise.data(), noise.size());
            ditherRow(current->samples.data() + static_cast<size_t>(b) * CHANNEL_COUNT * rows.count,
                      noise.data(), rows.count, levels, entry, error, row);
        }
        if (handed) {
            waitForTask(helper);
        } else if (next->count > 0) {
            sampleJob(next);
        }
    }
}

uint64_t samplingThreadBlocks(void) {
    return g_sampling_thread_blocks;
}
