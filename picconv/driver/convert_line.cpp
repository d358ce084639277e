#include "picconv/driver/convert_line.h"

#include <stdlib.h>
#include <string.h>

#include "SDL.h"

#include "picconv/diagnostics/diagnostics.h"
#include "picconv/driver/bitmap_load.h"
#include "picconv/driver/command_record.h"
#include "picconv/imaging/packed_picture.h"
#include "picconv/imaging/resample.h"
#include "picconv/plugin/temp_bitmap.h"

namespace {

// SDL makes no surface 16384 or more pixels wide, and the output's width is its h rounded up
// to a multiple of 8.
const unsigned MAX_OUTPUT_WIDTH = 16376;

// The source picture loaded from the temporary bitmap, kept while the decode it came from is
// reused, so that many cuts of one picture load it once.
SDL_Surface *g_kept_source = nullptr;

// Decode, load, resample and write; 1 when the output file was written.
int convertRecord(char *fields[FIELD_COUNT]) {
    const QUAD_T sourceQuad = parseQuad(fields[FIELD_SOURCE_QUAD]);
    const QUAD_T outputQuad = parseQuad(fields[FIELD_OUTPUT_QUAD]);
    if (outputQuad.h > MAX_OUTPUT_WIDTH) {
        reportOutputTooWide(outputQuad.h, MAX_OUTPUT_WIDTH);
        return 0;
    }
    int fresh = 1;
    const char *bitmapName =
        decodeToTempBitmap(fields[FIELD_PICTURE], fields[FIELD_PLUGIN], &fresh);
    if (bitmapName == nullptr) {
        releaseKeptSource();
        return 0;
    }
    if (fresh || g_kept_source == nullptr) {
        releaseKeptSource();
        g_kept_source = loadBitmapNoFollow(bitmapName);
    }
    if (g_kept_source == nullptr) {
        return 0;
    }
    SDL_Surface *result = resampleRotated(g_kept_source, &sourceQuad, &outputQuad);
    if (result == nullptr) {
        return 0;
    }
    const int written = writePackedPicture(result, fields[FIELD_OUTPUT]);
    SDL_FreeSurface(result);
    return written;
}

}  // namespace

LINE_RESULT_T convertLine(const char *line, long lineNumber) {
    const size_t length = strlen(line);
    char *copy = static_cast<char *>(malloc(length + 1));
    if (copy == nullptr) {
        return LINE_NOT_A_RECORD;
    }
    memcpy(copy, line, length + 1);
    LINE_RESULT_T result = LINE_NOT_A_RECORD;
    char *fields[FIELD_COUNT];
    if (splitCommandRecord(copy, fields)) {
        result = convertRecord(fields) ? LINE_WRITTEN : LINE_NO_OUTPUT;
        if (result == LINE_NO_OUTPUT) {
            removeStalePackedPicture(fields[FIELD_OUTPUT]);
            reportNoOutput(lineNumber, fields[FIELD_OUTPUT]);
        }
    }
    free(copy);
    return result;
}

void releaseKeptSource(void) {
    SDL_FreeSurface(g_kept_source);
    g_kept_source = nullptr;
}
