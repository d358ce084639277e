#include "picconv/proof/proof_pictures.h"

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "common/pmbp_picture.h"
#include "picconv/imaging/fast_source.h"

namespace {

// A reduced picture averages at most this many samples a side of each of its pixels: enough for
// a preview, and the scaled-down source of a large picture costs a few milliseconds.
const uint32_t MOST_SAMPLES = 2;

// The scaled-down source of the last line, kept for the next cut of the same surface, with the
// way its colours are read (the converter's own fast reading).
struct KEPT_THUMB_T {
    const SDL_Surface *surface;
    std::string picture;
    PICTURE_REF_T ref;
    bool written;
    SOURCE_COLOURS_T colours;
};

KEPT_THUMB_T g_kept_thumb = {nullptr, std::string(), noPicture(), false, SOURCE_COLOURS_T()};

uint32_t divideUp(uint64_t value, uint64_t divisor) {
    return static_cast<uint32_t>((value + divisor - 1) / divisor);
}

int clampTo(int64_t value, int size) {
    return value < 0 ? 0 : (value >= size ? size - 1 : static_cast<int>(value));
}

// The mean colour of the source's area [x0, x1) x [y0, y1), from at most MOST_SAMPLES^2 pixels;
// coordinates outside the picture take its edge, as the converter's resampler does.
void meanColour(const SDL_Surface *source, const SOURCE_COLOURS_T *colours, int64_t x0, int64_t x1,
                int64_t y0, int64_t y1, uint8_t *out) {
    const int64_t stepsX = x1 - x0 < MOST_SAMPLES ? x1 - x0 : MOST_SAMPLES;
    const int64_t stepsY = y1 - y0 < MOST_SAMPLES ? y1 - y0 : MOST_SAMPLES;
    uint32_t total[3] = {0, 0, 0};
    for (int64_t j = 0; j < stepsY; j++) {
        // Each sample in the middle of its share of the area.
        const int64_t y = y0 + (y1 - y0) * (2 * j + 1) / (2 * stepsY);
        const int row = clampTo(y, source->h);
        for (int64_t i = 0; i < stepsX; i++) {
            const int64_t x = x0 + (x1 - x0) * (2 * i + 1) / (2 * stepsX);
            const int column = clampTo(x, source->w);
            uint8_t rgb[3];
            readSourcePixels(colours, source, static_cast<ptrdiff_t>(row) * source->pitch, &column,
                             1, &rgb[0], &rgb[1], &rgb[2], 1);
            for (int c = 0; c < 3; c++) {
                total[c] += rgb[c];
            }
        }
    }
    const uint32_t count = static_cast<uint32_t>(stepsX * stepsY);
    for (int c = 0; c < 3; c++) {
        out[c] = static_cast<uint8_t>((total[c] + count / 2) / count);
    }
}

// The area x0..x0+w, y0..y0+h of source in width x height pixels.
RASTER_T reducedColour(const SDL_Surface *source, const SOURCE_COLOURS_T *colours, int64_t x0,
                       int64_t y0, uint64_t w, uint64_t h, uint32_t width, uint32_t height) {
    RASTER_T raster = {PNG_RGB, width, height, std::vector<uint8_t>()};
    raster.samples.resize(static_cast<size_t>(width) * height * 3);
    uint8_t *out = raster.samples.data();
    if (width == w && height == h) {
        // Pixel for pixel, the common case of a cut: no means to take, a row at a time.
        std::vector<int> columns(width);
        for (uint32_t i = 0; i < width; i++) {
            columns[i] = clampTo(x0 + i, source->w);
        }
        for (uint32_t j = 0; j < height; j++, out += 3 * static_cast<size_t>(width)) {
            const ptrdiff_t row =
                static_cast<ptrdiff_t>(clampTo(y0 + j, source->h)) * source->pitch;
            readSourcePixels(colours, source, row, columns.data(), width, &out[0], &out[1], &out[2],
                             3);
        }
        return raster;
    }
    for (uint32_t j = 0; j < height; j++) {
        const int64_t top = y0 + static_cast<int64_t>(h * j / height);
        const int64_t bottom = y0 + static_cast<int64_t>(h * (j + 1) / height);
        for (uint32_t i = 0; i < width; i++) {
            const int64_t left = x0 + static_cast<int64_t>(w * i / width);
            const int64_t right = x0 + static_cast<int64_t>(w * (i + 1) / width);
            meanColour(source, colours, left, right > left ? right : left + 1, top,
                       bottom > top ? bottom : top + 1, out);
            out += 3;
        }
    }
    return raster;
}

bool makeThumb(const char *folder, const SDL_Surface *source, const char *picture,
               PROOF_PICTURES_T *pictures) {
    pictures->sourceWidth = static_cast<uint32_t>(source->w);
    pictures->sourceHeight = static_cast<uint32_t>(source->h);
    KEPT_THUMB_T &kept = g_kept_thumb;
    if (kept.surface != source || kept.picture != picture) {
        prepareSourceColours(source, &kept.colours);
        const uint32_t side = pictures->sourceWidth > pictures->sourceHeight
                                  ? pictures->sourceWidth
                                  : pictures->sourceHeight;
        uint32_t width = pictures->sourceWidth;
        uint32_t height = pictures->sourceHeight;
        if (side > PROOF_SOURCE_SIDE) {
            width = divideUp(static_cast<uint64_t>(width) * PROOF_SOURCE_SIDE, side);
            height = divideUp(static_cast<uint64_t>(height) * PROOF_SOURCE_SIDE, side);
        }
        const RASTER_T raster = reducedColour(source, &kept.colours, 0, 0, pictures->sourceWidth,
                                              pictures->sourceHeight, width, height);
        kept.surface = source;
        kept.picture = picture;
        kept.ref = noPicture();
        kept.ref.fileWidth = kept.ref.width = width;
        kept.ref.fileHeight = kept.ref.height = height;
        kept.written = storeRaster(folder, raster, &kept.ref.file);
        if (!kept.written) {
            kept.ref.file.clear();
        }
    }
    pictures->source = kept.ref;
    return kept.written;
}

RASTER_T cutRaster(const SDL_Surface *source, const SOURCE_COLOURS_T *colours,
                   PROOF_PICTURES_T *pictures) {
    const uint32_t side = pictures->w > pictures->h ? pictures->w : pictures->h;
    pictures->cutStep = side > PROOF_PICTURE_SIDE ? divideUp(side, PROOF_PICTURE_SIDE) : 1;
    return reducedColour(source, colours, pictures->x, pictures->y, pictures->w, pictures->h,
                         divideUp(pictures->w, pictures->cutStep),
                         divideUp(pictures->h, pictures->cutStep));
}

RASTER_T outputRaster(const uint8_t *output, size_t size, PROOF_PICTURES_T *pictures) {
    RASTER_T raster = {PNG_GREY_2BIT, 0, 0, std::vector<uint8_t>()};
    PMBP_PICTURE_T picture;
    if (!pmbpPictureOf(output, size, &picture)) {
        return raster;
    }
    pictures->storedWidth = picture.header.width;
    pictures->storedHeight = picture.header.height;
    // Upright, the stored rows become columns.
    const uint32_t width = picture.header.height;
    const uint32_t height = picture.header.width;
    const uint32_t side = width > height ? width : height;
    const uint32_t step = side > PROOF_PICTURE_SIDE ? divideUp(side, PROOF_PICTURE_SIDE) : 1;
    pictures->outputStep = step;
    raster.width = divideUp(width, step);
    raster.height = divideUp(height, step);
    raster.samples.resize(static_cast<size_t>(raster.width) * raster.height);
    uint8_t *out = raster.samples.data();
    for (uint32_t j = 0; j < raster.height; j++) {
        for (uint32_t i = 0; i < raster.width; i++) {
            // Two-bit grey 3 is white, code 0.
            *out++ = static_cast<uint8_t>(3 - viewCode(picture, true, i * step, j * step));
        }
    }
    return raster;
}

}  // namespace

PROOF_PICTURES_T noProofPictures() {
    PROOF_PICTURES_T pictures;
    pictures.source = pictures.cut = pictures.output = noPicture();
    pictures.sourceWidth = pictures.sourceHeight = 0;
    pictures.x = pictures.y = 0;
    pictures.w = pictures.h = 0;
    pictures.cutStep = pictures.outputStep = 1;
    pictures.storedWidth = pictures.storedHeight = 0;
    pictures.complete = true;
    return pictures;
}

std::string makeProofPicturesText(const char *folder, const SDL_Surface *source,
                                  const char *picture, const QUAD_T *sourceQuad,
                                  const uint8_t *output, size_t size) {
    PROOF_PICTURES_T p = noProofPictures();
    p.x = sourceQuad->x;
    p.y = sourceQuad->y;
    p.w = sourceQuad->w;
    p.h = sourceQuad->h;
    p.complete = makeThumb(folder, source, picture, &p);
    // makeThumb prepared how the surface's colours are read.
    const RASTER_T cut = cutRaster(source, &g_kept_thumb.colours, &p);
    const RASTER_T upright = outputRaster(output, size, &p);
    char head[512];
    snprintf(head, sizeof head, "%s %u %u %u %u %ld %ld %u %u %u %u %u %u %u %u %u %u %d\n",
             p.source.file.empty() ? "-" : p.source.file.c_str(), p.source.width, p.source.height,
             p.sourceWidth, p.sourceHeight, static_cast<long>(p.x), static_cast<long>(p.y), p.w,
             p.h, cut.width, cut.height, p.cutStep, upright.width, upright.height, p.outputStep,
             p.storedWidth, p.storedHeight, p.complete ? 1 : 0);
    std::string text = head;
    text.append(cut.samples.begin(), cut.samples.end());
    text.append(upright.samples.begin(), upright.samples.end());
    return text;
}

bool parseProofPicturesText(const std::string &text, PROOF_PICTURES_T *p, RASTER_T *cut,
                            RASTER_T *output) {
    *p = noProofPictures();
    *cut = RASTER_T{PNG_RGB, 0, 0, std::vector<uint8_t>()};
    *output = RASTER_T{PNG_GREY_2BIT, 0, 0, std::vector<uint8_t>()};
    const size_t end = text.find('\n');
    if (end == std::string::npos || end > 400) {
        return false;
    }
    const std::string head = text.substr(0, end);
    char source[64];
    long x = 0;
    long y = 0;
    int complete = 0;
    int consumed = 0;
    const int read = sscanf(
        head.c_str(), "%63s %u %u %u %u %ld %ld %u %u %u %u %u %u %u %u %u %u %d%n", source,
        &p->source.width, &p->source.height, &p->sourceWidth, &p->sourceHeight, &x, &y, &p->w,
        &p->h, &cut->width, &cut->height, &p->cutStep, &output->width, &output->height,
        &p->outputStep, &p->storedWidth, &p->storedHeight, &complete, &consumed);
    const uint64_t cutBytes = 3ull * cut->width * cut->height;
    const uint64_t outputBytes = static_cast<uint64_t>(output->width) * output->height;
    if (read != 18 || static_cast<size_t>(consumed) != head.size() ||
        (strcmp(source, "-") != 0 && !isProofPictureName(source)) ||
        text.size() - end - 1 != cutBytes + outputBytes) {
        *p = noProofPictures();
        return false;
    }
    if (strcmp(source, "-") != 0) {
        p->source.file = source;
        p->source.fileWidth = p->source.width;
        p->source.fileHeight = p->source.height;
    }
    p->x = static_cast<int32_t>(x);
    p->y = static_cast<int32_t>(y);
    p->complete = complete != 0;
    const char *samples = text.data() + end + 1;
    cut->samples.assign(samples, samples + cutBytes);
    output->samples.assign(samples + cutBytes, samples + cutBytes + outputBytes);
    return true;
}
