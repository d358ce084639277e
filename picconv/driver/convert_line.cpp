#include "picconv/driver/convert_line.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "SDL.h"

#include "common/output_file.h"
#include "picconv/diagnostics/diagnostics.h"
#include "picconv/diagnostics/stage_times.h"
#include "picconv/driver/bitmap_load.h"
#include "picconv/driver/command_record.h"
#include "picconv/driver/input_paths.h"
#include "picconv/driver/output_clash.h"
#include "picconv/driver/run_files.h"
#include "picconv/imaging/dither_noise.h"
#include "picconv/imaging/fast_resample.h"
#include "picconv/imaging/four_level_surface.h"
#include "picconv/imaging/packed_picture.h"
#include "picconv/plugin/plugin_entries.h"
#include "picconv/plugin/temp_bitmap.h"
#include "picconv/proof/proof.h"

namespace {

// The source picture loaded from the temporary bitmap, kept while the decode it came from is
// reused, so that many cuts of one picture load it once.
SDL_Surface *g_kept_source = nullptr;

// Whether output names a file the run needs; the line then fails and must not remove it.
bool refuseClash(const char *output, const char *picture, const char *commandFile,
                 LINE_OUTCOME_T *outcome) {
    const char *clash = outputClash(output, picture, commandFile, true);
    if (clash == nullptr) {
        return false;
    }
    noteLineProblem("%s", clash);
    outcome->mayRemove = false;
    return true;
}

// Decode, load, resample and pack; true when outcome->bytes hold the output file.
bool prepareRecord(char *fields[FIELD_COUNT], const char *commandFile, PLACE_NOISE_T placeNoise,
                   void *context, LINE_OUTCOME_T *outcome) {
    const QUAD_T sourceQuad = parseQuad(fields[FIELD_SOURCE_QUAD]);
    const QUAD_T outputQuad = parseQuad(fields[FIELD_OUTPUT_QUAD]);
    const char *output = fields[FIELD_OUTPUT];
    if (outputQuad.h > MAX_OUTPUT_WIDTH) {
        noteLineProblem("output width %u (the h of the output size) is over the limit of %u",
                        outputQuad.h, MAX_OUTPUT_WIDTH);
        return false;
    }
    outcome->picture = picturePathOf(fields[FIELD_PICTURE]);
    outcome->pictureNoted = true;
    const char *picture = outcome->picture.c_str();
    // Before the decode as well, so that a line failing there never removes its own picture.
    if (refuseClash(output, picture, commandFile, outcome)) {
        return false;
    }
    const std::string plugin = pluginPathOf(fields[FIELD_PLUGIN]);
    int fresh = 1;
    const char *bitmapName = decodeToTempBitmap(picture, plugin.c_str(), &fresh);
    const char *pluginFile = currentPluginFile();
    outcome->pluginFile = pluginFile != nullptr ? pluginFile : "";
    outcome->usedTemporary = temporaryBitmapUsed();
    if (bitmapName == nullptr) {
        releaseKeptSource();
        return false;
    }
    if (fresh || g_kept_source == nullptr) {
        releaseKeptSource();
        const uint64_t loading = stageClock();
        g_kept_source = loadBitmapNoFollow(bitmapName);
        addStageTime(STAGE_BITMAP_LOAD, loading);
    }
    if (g_kept_source == nullptr) {
        noteLineProblem("SDL cannot load the decoded picture: %s", SDL_GetError());
        return false;
    }
    // The decode may just have made the temporary bitmap that the output names.
    if (refuseClash(output, picture, commandFile, outcome)) {
        return false;
    }
    const uint64_t resampling = stageClock();
    SDL_Surface *result = createOutputSurface(&outputQuad);
    if (result == nullptr) {
        noteLineProblem("cannot make the %u x %u output picture: %s", outputQuad.h, outputQuad.w,
                        SDL_GetError());
        return false;
    }
    const uint64_t made = stageClock();
    outcome->draws = noiseDrawsOf(&outputQuad);
    if (placeNoise != nullptr) {
        placeNoise(context, outcome->draws);
    }
    const uint64_t placed = stageClock();
    resampleRotatedInto(result, g_kept_source, &sourceQuad, &outputQuad);
    // Waiting to learn where the noise starts is no part of the work.
    addStageTime(STAGE_RESAMPLE, placed - (made - resampling));
    const uint64_t packing = stageClock();
    size_t size = 0;
    uint8_t *file = encodePackedPicture(result, &size);
    SDL_FreeSurface(result);
    addStageWork(STAGE_OUTPUT, packing);
    if (file == nullptr) {
        noteLineProblem("cannot write it: %s", strerror(ENOMEM));
        return false;
    }
    outcome->bytes.assign(file, file + size);
    free(file);
    if (proofFolder() != nullptr) {
        outcome->proofPictures =
            makeProofPictures(g_kept_source, picture, &sourceQuad, outcome->bytes.data(), size);
    }
    return true;
}

}  // namespace

void prepareLine(const char *line, const char *commandFile, long lineNumber,
                 PLACE_NOISE_T placeNoise, void *context, LINE_OUTCOME_T *outcome) {
    *outcome = emptyOutcome();
    setReportLine(commandFile, lineNumber);
    char *copy = nullptr;
    char *fields[FIELD_COUNT];
    switch (copyCommandRecord(line, &copy, fields)) {
        case RECORD_SHORT:
            return;
        case RECORD_NO_MEMORY:
            outcome->status = LINE_NO_OUTPUT;
            outcome->problem = "out of memory: the line was not converted";
            outcome->mayRemove = false;
            return;
        default:
            break;
    }
    outcome->output = fields[FIELD_OUTPUT];
    const bool prepared = prepareRecord(fields, commandFile, placeNoise, context, outcome);
    outcome->status = prepared ? LINE_WRITTEN : LINE_NO_OUTPUT;
    outcome->problem = lineProblem();
    free(copy);
}

void commitLine(const char *commandFile, long lineNumber, LINE_OUTCOME_T *outcome) {
    if (outcome->status == LINE_NOT_A_RECORD || outcome->status == LINE_FATAL) {
        return;
    }
    setReportLine(commandFile, lineNumber);
    if (!outcome->problem.empty()) {
        noteLineProblem("%s", outcome->problem.c_str());
    }
    if (outcome->output.empty() && outcome->status == LINE_NO_OUTPUT && !outcome->mayRemove) {
        // The line could not even be read into memory.
        reportLineOutOfMemory();
        return;
    }
    const char *output = outcome->output.c_str();
    noteRunOutput(output);
    if (outcome->pictureNoted) {
        noteRunInput(outcome->picture.c_str());
    }
    if (!outcome->pluginFile.empty()) {
        noteRunInput(outcome->pluginFile.c_str());
    }
    if (outcome->status == LINE_SKIPPED) {
        return;
    }
    if (outcome->status == LINE_WRITTEN) {
        errno = 0;
        const uint64_t writing = stageClock();
        const OUTPUT_WRITE_T written =
            writeOutputFile(output, outcome->bytes.data(), outcome->bytes.size());
        addStageTime(STAGE_OUTPUT, writing);
        if (written == OUTPUT_FAILED) {
            noteLineProblem("cannot write it: %s", errno != 0 ? strerror(errno) : "write failed");
            outcome->status = LINE_NO_OUTPUT;
        } else if (written == OUTPUT_UNCHANGED) {
            outcome->status = LINE_UNCHANGED;
        }
    }
    if (outcome->status == LINE_NO_OUTPUT) {
        if (outcome->mayRemove) {
            removeStalePackedPicture(output);
        }
        reportNoOutput(output);
    } else {
        finishLineReports();
    }
    outcome->problem = lineProblem();
}

LINE_STATUS_T convertLine(const char *line, const char *commandFile, long lineNumber) {
    LINE_OUTCOME_T outcome;
    prepareLine(line, commandFile, lineNumber, nullptr, nullptr, &outcome);
    commitLine(commandFile, lineNumber, &outcome);
    return outcome.status;
}

void releaseKeptSource(void) {
    SDL_FreeSurface(g_kept_source);
    g_kept_source = nullptr;
}
