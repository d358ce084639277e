// libpng reports errors by longjmp, so everything that lives across a png_* call here is a
// plain pointer in a record the caller frees; no object with a destructor is in between.
#include "plugins/ifpng/png_decode.h"

#include <setjmp.h>
#include <stdlib.h>
#include <string.h>

#include <png.h>

namespace {

enum PNG_MODE_T { PNG_INDICES, PNG_GREY_ALPHA, PNG_BGR, PNG_BGRA };

struct PNG_JOB_T {
    const uint8_t *data;
    size_t size;
    size_t at;
    png_structp png;
    png_infop info;
    png_bytep rows;  // one row, or the whole picture when interlaced
    int failure;     // the code to return after a longjmp
};

void readFromMemory(png_structp png, png_bytep into, size_t length) {
    PNG_JOB_T *job = static_cast<PNG_JOB_T *>(png_get_io_ptr(png));
    if (job->size - job->at < length) {
        png_error(png, "truncated");
    }
    memcpy(into, job->data + job->at, length);
    job->at += length;
}

void failQuietly(png_structp png, png_const_charp message) {
    if (strstr(message, "emory") != nullptr) {
        static_cast<PNG_JOB_T *>(png_get_error_ptr(png))->failure = PLUGIN_ERR_NO_MEMORY;
    }
    png_longjmp(png, 1);
}

void warnQuietly(png_structp /* png */, png_const_charp /* message */) {}

// Sets the transforms that bring every kind of PNG to one of the modes above.
PNG_MODE_T chooseTransforms(png_structp png, png_infop info) {
    int colourType = png_get_color_type(png, info);
    int depth = png_get_bit_depth(png, info);
    bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_set_scale_16(png);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_packing(png);
        return PNG_INDICES;
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && !transparency) {
        png_set_packing(png);
        return PNG_INDICES;
    }
    if (depth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (transparency) {
        png_set_tRNS_to_alpha(png);
    }
    if (colourType & PNG_COLOR_MASK_COLOR) {
        png_set_bgr(png);
        return (colourType & PNG_COLOR_MASK_ALPHA) || transparency ? PNG_BGRA : PNG_BGR;
    }
    return PNG_GREY_ALPHA;
}

// sourceDepth: the bit depth before the transforms widened it.
void setPngPalette(png_structp png, png_infop info, int sourceDepth, OUTPUT_BITMAP_T *out) {
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE) {
        int depth = sourceDepth;
        setGreyPalette(out, depth < 8 ? 1 << depth : 256);
        return;
    }
    png_colorp palette = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &palette, &count);
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_get_tRNS(png, info, &alphas, &alphaCount, nullptr);
    }
    for (int i = 0; i < count && i < 256; i++) {
        unsigned alpha = i < alphaCount ? alphas[i] : 255u;
        setPaletteEntry(out, i, overWhite(palette[i].red, alpha),
                        overWhite(palette[i].green, alpha), overWhite(palette[i].blue, alpha));
    }
}

void convertRow(PNG_MODE_T mode, const png_byte *in, int32_t width, uint8_t *row) {
    switch (mode) {
        case PNG_INDICES:
            memcpy(row, in, static_cast<size_t>(width));
            break;
        case PNG_GREY_ALPHA:
            for (int32_t x = 0; x < width; x++) {
                row[x] = overWhite(in[2 * x], in[2 * x + 1]);
            }
            break;
        case PNG_BGR:
            memcpy(row, in, 3 * static_cast<size_t>(width));
            break;
        case PNG_BGRA:
            for (int32_t x = 0; x < width; x++) {
                for (int c = 0; c < 3; c++) {
                    row[3 * x + c] = overWhite(in[4 * x + c], in[4 * x + 3]);
                }
            }
            break;
    }
}

// Starts reading: signature and every chunk up to the pixels.
void startPng(PNG_JOB_T *job) {
    png_set_read_fn(job->png, job, readFromMemory);
    png_set_user_limits(job->png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_benign_errors(job->png, 1);
    png_read_info(job->png, job->info);
}

int runFacts(PNG_JOB_T *job, PICTURE_FACTS_T *facts) {
    if (setjmp(png_jmpbuf(job->png))) {
        return job->failure;
    }
    startPng(job);
    facts->width = png_get_image_width(job->png, job->info);
    facts->height = png_get_image_height(job->png, job->info);
    facts->colorDepth =
        png_get_bit_depth(job->png, job->info) * png_get_channels(job->png, job->info);
    png_uint_32 xRes = 0, yRes = 0;
    int unit = 0;
    if (png_get_pHYs(job->png, job->info, &xRes, &yRes, &unit) && unit == PNG_RESOLUTION_METER) {
        facts->xDensity = dotsPerInchFromMetre(xRes);
        facts->yDensity = dotsPerInchFromMetre(yRes);
    }
    return PLUGIN_OK;
}

int runDecode(PNG_JOB_T *job, OUTPUT_BITMAP_T *out, PROGRESS_T *progress) {
    if (setjmp(png_jmpbuf(job->png))) {
        return job->failure;
    }
    startPng(job);
    png_structp png = job->png;
    png_infop info = job->info;
    int64_t width = png_get_image_width(png, info);
    int64_t height = png_get_image_height(png, info);
    int result = checkPictureSize(width, height);
    if (result != PLUGIN_OK) {
        return result;
    }
    int sourceDepth = png_get_bit_depth(png, info);
    PNG_MODE_T mode = chooseTransforms(png, info);
    int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    size_t rowBytes = png_get_rowbytes(png, info);
    size_t rowsKept = passes > 1 ? static_cast<size_t>(height) : 1u;
    if (rowBytes == 0 || rowBytes > SIZE_MAX / rowsKept) {
        return PLUGIN_ERR_NO_MEMORY;
    }
    job->rows = static_cast<png_bytep>(calloc(rowsKept, rowBytes));
    if (job->rows == nullptr) {
        return PLUGIN_ERR_NO_MEMORY;
    }
    result = startOutputBitmap(out, width, height, mode == PNG_BGR || mode == PNG_BGRA ? 24 : 8);
    if (result != PLUGIN_OK) {
        return result;
    }
    if (mode == PNG_INDICES || mode == PNG_GREY_ALPHA) {
        setPngPalette(png, info, mode == PNG_GREY_ALPHA ? 8 : sourceDepth, out);
    }
    progress->total = out->height * passes;
    for (int pass = 0; pass < passes; pass++) {
        for (int32_t y = 0; y < out->height; y++) {
            png_bytep row = job->rows + (passes > 1 ? static_cast<size_t>(y) * rowBytes : 0u);
            png_read_row(png, row, nullptr);
            if (passes == 1) {
                convertRow(mode, row, out->width, outputRow(out, y));
            }
            if (progressRowDone(progress)) {
                return PLUGIN_ERR_ABORTED;
            }
        }
    }
    if (passes > 1) {
        for (int32_t y = 0; y < out->height; y++) {
            convertRow(mode, job->rows + static_cast<size_t>(y) * rowBytes, out->width,
                       outputRow(out, y));
        }
    }
    // The rest of the file must be sound too: a cut-off end is a broken file.
    png_read_end(png, nullptr);
    return PLUGIN_OK;
}

bool createJob(PNG_JOB_T *job, const uint8_t *data, size_t size) {
    memset(job, 0, sizeof *job);
    job->data = data;
    job->size = size;
    job->failure = PLUGIN_ERR_BROKEN_DATA;
    job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, failQuietly, warnQuietly);
    if (job->png == nullptr) {
        return false;
    }
    job->info = png_create_info_struct(job->png);
    return job->info != nullptr;
}

void destroyJob(PNG_JOB_T *job) {
    if (job->png != nullptr) {
        png_destroy_read_struct(&job->png, job->info != nullptr ? &job->info : nullptr, nullptr);
    }
    free(job->rows);
}

}  // namespace

bool isPngHead(const uint8_t *data, size_t size) {
    return size >= 8 && png_sig_cmp(data, 0, 8) == 0;
}

int readPngFacts(const uint8_t *data, size_t size, PICTURE_FACTS_T *facts) {
    PNG_JOB_T job;
    int result = createJob(&job, data, size) ? runFacts(&job, facts) : PLUGIN_ERR_NO_MEMORY;
    destroyJob(&job);
    return result;
}

int decodePng(const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out, PROGRESS_T *progress) {
    PNG_JOB_T job;
    int result =
        createJob(&job, data, size) ? runDecode(&job, out, progress) : PLUGIN_ERR_NO_MEMORY;
    destroyJob(&job);
    return result;
}
