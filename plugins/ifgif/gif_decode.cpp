#include "plugins/ifgif/gif_decode.h"

#include <string.h>

#include <gif_lib.h>

namespace {

// Where each of the four passes of an interlaced frame starts, and its step.
const int PASS_START[4] = {0, 4, 2, 1};
const int PASS_STEP[4] = {8, 8, 4, 2};

struct GIF_READER_T {
    const uint8_t *data;
    size_t size;
    size_t at;
};

int readFromMemory(GifFileType *gif, GifByteType *into, int length) {
    GIF_READER_T *reader = static_cast<GIF_READER_T *>(gif->UserData);
    size_t left = reader->size - reader->at;
    size_t count = length < 0 ? 0u : static_cast<size_t>(length);
    if (count > left) {
        count = left;
    }
    memcpy(into, reader->data + reader->at, count);
    reader->at += count;
    return static_cast<int>(count);
}

int codeOfGifError(int error) {
    switch (error) {
        case D_GIF_ERR_NOT_GIF_FILE:
            return PLUGIN_ERR_UNKNOWN_FORMAT;
        case D_GIF_ERR_NOT_ENOUGH_MEM:
            return PLUGIN_ERR_NO_MEMORY;
        default:
            return PLUGIN_ERR_BROKEN_DATA;
    }
}

// An open file, read up to the first frame's descriptor.
struct GIF_FRAME_T {
    GIF_READER_T reader;
    GifFileType *gif;
    int transparent;  // palette index shown as white, or -1
    int64_t canvasWidth;
    int64_t canvasHeight;
};

void closeGif(GIF_FRAME_T *frame) {
    if (frame->gif != nullptr) {
        int error = 0;
        DGifCloseFile(frame->gif, &error);
        frame->gif = nullptr;
    }
}

int skipExtension(GIF_FRAME_T *frame) {
    int code = 0;
    GifByteType *block = nullptr;
    if (DGifGetExtension(frame->gif, &code, &block) == GIF_ERROR) {
        return codeOfGifError(frame->gif->Error);
    }
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
        frame->transparent = (block[1] & 1u) ? block[4] : -1;
    }
    while (block != nullptr) {
        if (DGifGetExtensionNext(frame->gif, &block) == GIF_ERROR) {
            return codeOfGifError(frame->gif->Error);
        }
    }
    return PLUGIN_OK;
}

int openFirstFrame(const uint8_t *data, size_t size, GIF_FRAME_T *frame) {
    frame->reader = GIF_READER_T{data, size, 0};
    frame->transparent = -1;
    int error = 0;
    frame->gif = DGifOpen(&frame->reader, readFromMemory, &error);
    if (frame->gif == nullptr) {
        return codeOfGifError(error);
    }
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(frame->gif, &type) == GIF_ERROR) {
            return codeOfGifError(frame->gif->Error);
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int result = skipExtension(frame);
            if (result != PLUGIN_OK) {
                return result;
            }
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            break;
        } else {
            return PLUGIN_ERR_BROKEN_DATA;  // no frame at all
        }
    }
    if (DGifGetImageDesc(frame->gif) == GIF_ERROR) {
        return codeOfGifError(frame->gif->Error);
    }
    const GifImageDesc &image = frame->gif->Image;
    if (image.Width <= 0 || image.Height <= 0 || image.Left < 0 || image.Top < 0) {
        return PLUGIN_ERR_BROKEN_DATA;
    }
    // A frame that sticks out of the screen widens the picture rather than being cut.
    int64_t right = static_cast<int64_t>(image.Left) + image.Width;
    int64_t bottom = static_cast<int64_t>(image.Top) + image.Height;
    frame->canvasWidth = right > frame->gif->SWidth ? right : frame->gif->SWidth;
    frame->canvasHeight = bottom > frame->gif->SHeight ? bottom : frame->gif->SHeight;
    return PLUGIN_OK;
}

// The palette, and the index that fills the screen outside the frame (-1: none needed).
int setGifPalette(const GIF_FRAME_T *frame, bool needsBackground, OUTPUT_BITMAP_T *out) {
    const ColorMapObject *map =
        frame->gif->Image.ColorMap != nullptr ? frame->gif->Image.ColorMap : frame->gif->SColorMap;
    int count = 0;
    if (map != nullptr) {
        count = map->ColorCount < 256 ? map->ColorCount : 256;
        for (int i = 0; i < count; i++) {
            setPaletteEntry(out, i, map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
        }
    } else {
        count = 256;
        setGreyPalette(out, count);
    }
    if (frame->transparent >= 0) {
        setPaletteEntry(out, frame->transparent, 255, 255, 255);
        return frame->transparent;
    }
    if (!needsBackground) {
        return -1;
    }
    if (count < 256) {
        setPaletteEntry(out, count, 255, 255, 255);
        return count;
    }
    int lightest = 0;
    for (int i = 1; i < count; i++) {
        if (out->palette[i][0] + out->palette[i][1] + out->palette[i][2] >
            out->palette[lightest][0] + out->palette[lightest][1] + out->palette[lightest][2]) {
            lightest = i;
        }
    }
    return lightest;
}

int readFrameRows(GIF_FRAME_T *frame, OUTPUT_BITMAP_T *out, PROGRESS_T *progress) {
    const GifImageDesc &image = frame->gif->Image;
    int passes = image.Interlace ? 4 : 1;
    progress->total = image.Height;
    for (int pass = 0; pass < passes; pass++) {
        int start = image.Interlace ? PASS_START[pass] : 0;
        int step = image.Interlace ? PASS_STEP[pass] : 1;
        for (int y = start; y < image.Height; y += step) {
            GifPixelType *row = outputRow(out, image.Top + y) + image.Left;
            if (DGifGetLine(frame->gif, row, image.Width) == GIF_ERROR) {
                return codeOfGifError(frame->gif->Error);
            }
            if (progressRowDone(progress)) {
                return PLUGIN_ERR_ABORTED;
            }
        }
    }
    return PLUGIN_OK;
}

int decodeFrame(GIF_FRAME_T *frame, OUTPUT_BITMAP_T *out, PROGRESS_T *progress) {
    int result = startOutputBitmap(out, frame->canvasWidth, frame->canvasHeight, 8);
    if (result != PLUGIN_OK) {
        return result;
    }
    const GifImageDesc &image = frame->gif->Image;
    bool needsBackground = image.Width < out->width || image.Height < out->height;
    int background = setGifPalette(frame, needsBackground, out);
    if (needsBackground && background != 0) {
        for (int32_t y = 0; y < out->height; y++) {
            memset(outputRow(out, y), background, static_cast<size_t>(out->width));
        }
    }
    return readFrameRows(frame, out, progress);
}

}  // namespace

bool isGifHead(const uint8_t *data, size_t size) {
    return size >= 6 && (memcmp(data, "GIF87a", 6) == 0 || memcmp(data, "GIF89a", 6) == 0);
}

int readGifFacts(const uint8_t *data, size_t size, PICTURE_FACTS_T *facts) {
    GIF_FRAME_T frame = {};
    int result = openFirstFrame(data, size, &frame);
    if (result == PLUGIN_OK) {
        facts->width = frame.canvasWidth;
        facts->height = frame.canvasHeight;
        const ColorMapObject *map =
            frame.gif->Image.ColorMap != nullptr ? frame.gif->Image.ColorMap : frame.gif->SColorMap;
        facts->colorDepth = map != nullptr ? map->BitsPerPixel : 8;
    }
    closeGif(&frame);
    return result;
}

int decodeGif(const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out, PROGRESS_T *progress) {
    GIF_FRAME_T frame = {};
    int result = openFirstFrame(data, size, &frame);
    if (result == PLUGIN_OK) {
        result = decodeFrame(&frame, out, progress);
    }
    closeGif(&frame);
    return result;
}
