#include "picconv/driver/convert_line.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "SDL.h"

#include "picconv/diagnostics/diagnostics.h"
#include "picconv/driver/bitmap_load.h"
#include "picconv/driver/command_record.h"
#include "picconv/driver/input_paths.h"
#include "picconv/driver/output_clash.h"
#include "picconv/driver/run_files.h"
#include "picconv/imaging/packed_picture.h"
#include "picconv/imaging/resample.h"
#include "picconv/plugin/plugin_entries.h"
#include "picconv/plugin/temp_bitmap.h"

namespace {

// SDL makes no surface 16384 or more pixels wide, and the output's width is its h rounded up
// to a multiple of 8.
const unsigned MAX_OUTPUT_WIDTH = 16376;

// The source picture loaded from the temporary bitmap, kept while the decode it came from is
// reused, so that many cuts of one picture load it once.
SDL_Surface *g_kept_source = nullptr;

bool refuseClash(const char *output, const char *picture, const char *commandFile,
                 bool *mayRemove) {
    const char *clash = outputClash(output, picture, commandFile, false);
    if (clash == nullptr) {
        return false;
    }
    noteLineProblem("%s", clash);
    *mayRemove = false;
    return true;
}

// Decode, load, resample and write; 1 when the output file was written. *mayRemove is cleared
// when the output path names a file the run needs, which a failed line must not remove either.
int convertRecord(char *fields[FIELD_COUNT], const char *commandFile, bool *mayRemove) {
    const QUAD_T sourceQuad = parseQuad(fields[FIELD_SOURCE_QUAD]);
    const QUAD_T outputQuad = parseQuad(fields[FIELD_OUTPUT_QUAD]);
    const char *output = fields[FIELD_OUTPUT];
    noteRunOutput(output);
    if (outputQuad.h > MAX_OUTPUT_WIDTH) {
        noteLineProblem("output width %u (the h of the output size) is over the limit of %u",
                        outputQuad.h, MAX_OUTPUT_WIDTH);
        return 0;
    }
    const std::string picture = picturePathOf(fields[FIELD_PICTURE]);
    const std::string plugin = pluginPathOf(fields[FIELD_PLUGIN]);
    noteRunInput(picture.c_str());
    // Before the decode as well, so that a line failing there never removes its own picture.
    if (refuseClash(output, picture.c_str(), commandFile, mayRemove)) {
        return 0;
    }
    int fresh = 1;
    const char *bitmapName = decodeToTempBitmap(picture.c_str(), plugin.c_str(), &fresh);
    const char *pluginFile = currentPluginFile();
    if (pluginFile != nullptr) {
        noteRunInput(pluginFile);
    }
    if (bitmapName == nullptr) {
        releaseKeptSource();
        return 0;
    }
    if (fresh || g_kept_source == nullptr) {
        releaseKeptSource();
        g_kept_source = loadBitmapNoFollow(bitmapName);
    }
    if (g_kept_source == nullptr) {
        noteLineProblem("SDL cannot load the decoded picture: %s", SDL_GetError());
        return 0;
    }
    // The decode may just have made the temporary bitmap that the output names.
    if (refuseClash(output, picture.c_str(), commandFile, mayRemove)) {
        return 0;
    }
    SDL_Surface *result = resampleRotated(g_kept_source, &sourceQuad, &outputQuad);
    if (result == nullptr) {
        noteLineProblem("cannot make the %u x %u output picture: %s", outputQuad.h, outputQuad.w,
                        SDL_GetError());
        return 0;
    }
    errno = 0;
    const int written = writePackedPicture(result, output);
    if (!written) {
        noteLineProblem("cannot write it: %s", errno != 0 ? strerror(errno) : "write failed");
    }
    SDL_FreeSurface(result);
    return written;
}

}  // namespace

LINE_RESULT_T convertLine(const char *line, const char *commandFile, long lineNumber) {
    setReportLine(commandFile, lineNumber);
    char *copy = nullptr;
    char *fields[FIELD_COUNT];
    switch (copyCommandRecord(line, &copy, fields)) {
        case RECORD_SHORT:
            return LINE_NOT_A_RECORD;
        case RECORD_NO_MEMORY:
            reportLineOutOfMemory();
            return LINE_NO_OUTPUT;
        default:
            break;
    }
    bool mayRemove = true;
    const LINE_RESULT_T result =
        convertRecord(fields, commandFile, &mayRemove) ? LINE_WRITTEN : LINE_NO_OUTPUT;
    if (result == LINE_NO_OUTPUT) {
        if (mayRemove) {
            removeStalePackedPicture(fields[FIELD_OUTPUT]);
        }
        reportNoOutput(fields[FIELD_OUTPUT]);
    } else {
        finishLineReports();
    }
    free(copy);
    return result;
}

void releaseKeptSource(void) {
    SDL_FreeSurface(g_kept_source);
    g_kept_source = nullptr;
}
