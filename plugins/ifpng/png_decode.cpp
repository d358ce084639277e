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
    png_bytep rows;  // one row as libpng delivers it
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

void warnQuietly(png_structp png, png_const_charp message) {
    // A 32-bit libpng refuses, as invalid, a width whose rows it cannot address: too large, not
    // broken, as the same picture is elsewhere.
    if (strstr(message, "too large for this architecture") != nullptr) {
        static_cast<PNG_JOB_T *>(png_get_error_ptr(png))->failure = PLUGIN_ERR_NO_MEMORY;
    }
}

// Sets the transforms that bring every kind of PNG to 8-bit samples. Returns the bit depth of
// the grey levels should the picture come out as one grey channel (low depths stay packed).
int setTransforms(png_structp png, png_infop info) {
    int colourType = png_get_color_type(png, info);
    int depth = png_get_bit_depth(png, info);
    bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_set_scale_16(png);
    if (colourType == PNG_COLOR_TYPE_PALETTE ||
        (colourType == PNG_COLOR_TYPE_GRAY && !transparency)) {
        png_set_packing(png);
        return depth;
    }
    if (depth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (transparency) {
        png_set_tRNS_to_alpha(png);
    }
    if (colourType & PNG_COLOR_MASK_COLOR) {
        png_set_bgr(png);
    }
    return 8;
}

// The layout libpng delivers once its transforms are set, as it reports it: a tRNS chunk it
// has set aside (one before PLTE, say) adds no alpha channel, whatever the plug-in expected.
bool modeOf(png_structp png, png_infop info, PNG_MODE_T *mode) {
    if (png_get_bit_depth(png, info) != 8) {
        return false;
    }
    int channels = png_get_channels(png, info);
    switch (png_get_color_type(png, info)) {
        case PNG_COLOR_TYPE_PALETTE:
        case PNG_COLOR_TYPE_GRAY:
            *mode = PNG_INDICES;
            return channels == 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            *mode = PNG_GREY_ALPHA;
            return channels == 2;
        case PNG_COLOR_TYPE_RGB:
            *mode = PNG_BGR;
            return channels == 3;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            *mode = PNG_BGRA;
            return channels == 4;
        default:
            return false;
    }
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

// Puts count pixels of a row as libpng delivered it at columns firstX, firstX + step, ... of
// an output row.
void convertPixels(PNG_MODE_T mode, const png_byte *in, uint32_t count, uint8_t *row,
                   uint32_t firstX, uint32_t step) {
    for (uint32_t i = 0, x = firstX; i < count; i++, x += step) {
        switch (mode) {
            case PNG_INDICES:
                row[x] = in[i];
                break;
            case PNG_GREY_ALPHA:
                row[x] = overWhite(in[2 * i], in[2 * i + 1]);
                break;
            case PNG_BGR:
                for (int c = 0; c < 3; c++) {
                    row[3 * x + c] = in[3 * i + c];
                }
                break;
            case PNG_BGRA:
                for (int c = 0; c < 3; c++) {
                    row[3 * x + c] = overWhite(in[4 * i + c], in[4 * i + 3]);
                }
                break;
        }
    }
}

// Rows libpng delivers: every row once, or, interlaced, the rows of each pass that has pixels.
int rowsToRead(uint32_t width, uint32_t height, bool interlaced) {
    if (!interlaced) {
        return static_cast<int>(height);
    }
    int rows = 0;
    for (int pass = 0; pass < 7; pass++) {
        if (PNG_PASS_COLS(width, pass) != 0) {
            rows += static_cast<int>(PNG_PASS_ROWS(height, pass));
        }
    }
    return rows;
}

// Compressed chunks the plug-in has no use for: it shows no text and applies no colour
// profile. Skipped unread, their hostile contents never reach libpng's inflate state, which
// the pixels share (a cut-off one there has been a use-after-free in libpng).
const png_byte SKIPPED_CHUNKS[] = "iCCP\0iTXt\0zTXt";

// Starts reading: signature and every chunk up to the pixels.
void startPng(PNG_JOB_T *job) {
    png_set_read_fn(job->png, job, readFromMemory);
    png_set_user_limits(job->png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_benign_errors(job->png, 1);
    png_set_keep_unknown_chunks(job->png, PNG_HANDLE_CHUNK_NEVER, SKIPPED_CHUNKS, 3);
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
    int greyDepth = setTransforms(png, info);
    // No interlace handling: libpng would want the whole picture as a second buffer. The
    // passes' pixels go straight to their places in the output instead.
    bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    png_read_update_info(png, info);
    PNG_MODE_T mode = PNG_INDICES;
    size_t rowBytes = png_get_rowbytes(png, info);
    if (!modeOf(png, info, &mode) ||
        rowBytes < static_cast<size_t>(width) * png_get_channels(png, info)) {
        return PLUGIN_ERR_BROKEN_DATA;
    }
    job->rows = static_cast<png_bytep>(malloc(rowBytes));
    if (job->rows == nullptr) {
        return PLUGIN_ERR_NO_MEMORY;
    }
    result = startOutputBitmap(out, width, height, mode == PNG_BGR || mode == PNG_BGRA ? 24 : 8);
    if (result != PLUGIN_OK) {
        return result;
    }
    if (mode == PNG_INDICES || mode == PNG_GREY_ALPHA) {
        setPngPalette(png, info, mode == PNG_GREY_ALPHA ? 8 : greyDepth, out);
    }
    uint32_t fullWidth = static_cast<uint32_t>(width);
    uint32_t fullHeight = static_cast<uint32_t>(height);
    progress->total = rowsToRead(fullWidth, fullHeight, interlaced);
    // Whole rows of indices or of blue, green and red are already the output's rows: libpng
    // writes them in place, a copy per pixel fewer.
    const bool direct = !interlaced && (mode == PNG_INDICES || mode == PNG_BGR) &&
                        rowBytes == static_cast<size_t>(width) * png_get_channels(png, info);
    for (int pass = 0; pass < (interlaced ? 7 : 1); pass++) {
        uint32_t columns = interlaced ? PNG_PASS_COLS(fullWidth, pass) : fullWidth;
        uint32_t rows = interlaced ? PNG_PASS_ROWS(fullHeight, pass) : fullHeight;
        if (columns == 0) {
            continue;  // libpng skips a pass without pixels
        }
        uint32_t firstX = interlaced ? PNG_PASS_START_COL(pass) : 0;
        uint32_t step = interlaced ? 1u << PNG_PASS_COL_SHIFT(pass) : 1;
        for (uint32_t r = 0; r < rows; r++) {
            uint32_t y = interlaced ? PNG_ROW_FROM_PASS_ROW(r, pass) : r;
            uint8_t *row = outputRow(out, static_cast<int32_t>(y));
            if (direct) {
                png_read_row(png, row, nullptr);
            } else {
                png_read_row(png, job->rows, nullptr);
                convertPixels(mode, job->rows, columns, row, firstX, step);
            }
            if (progressRowDone(progress)) {
                return PLUGIN_ERR_ABORTED;
            }
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
