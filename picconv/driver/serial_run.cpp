#include "picconv/driver/serial_run.h"

#include <errno.h>
#include <stdlib.h>

#include <string>

#include "picconv/diagnostics/diagnostics.h"
#include "picconv/driver/command_file.h"
#include "picconv/driver/command_record.h"
#include "picconv/driver/convert_line.h"
#include "picconv/driver/input_paths.h"
#include "picconv/driver/proof_lines.h"
#include "picconv/imaging/dither_noise.h"
#include "picconv/plugin/plugin_entries.h"
#include "picconv/plugin/temp_bitmap.h"

namespace {

struct SERIAL_T {
    const char *commandFile;
    RUN_STATE_T *state;
    long withoutOutput;
    long lines;
    // The last line whose decode the temporary bitmap holds, and whether it was skipped.
    bool haveLast;
    bool lastSkipped;
    std::string lastText;
    uint64_t lastPosition;
    std::string lastPicture;
    std::string lastPlugin;
};

void noteLast(SERIAL_T *run, const char *line, uint64_t position, bool skipped,
              const std::string &picture, const std::string &plugin) {
    run->haveLast = true;
    run->lastSkipped = skipped;
    run->lastText = line;
    run->lastPosition = position;
    run->lastPicture = picture;
    run->lastPlugin = plugin;
}

// With a state, the line is skipped when nothing it was made from has changed.
bool skipLine(SERIAL_T *run, const char *line, long lineNumber, uint64_t position,
              STATE_INPUTS_T *inputs) {
    char *copy = nullptr;
    char *fields[FIELD_COUNT];
    if (copyCommandRecord(line, &copy, fields) != RECORD_COMPLETE) {
        return false;
    }
    *inputs = stateInputsOf(fields[FIELD_PICTURE], fields[FIELD_PLUGIN]);
    const std::string plugin = pluginPathOf(fields[FIELD_PLUGIN]);
    free(copy);
    const STATE_ENTRY_T *entry = findSkippable(run->state, line, position, *inputs);
    if (entry == nullptr) {
        return false;
    }
    LINE_OUTCOME_T outcome = emptyOutcome();
    outcome.status = LINE_SKIPPED;
    outcome.output = entry->output;
    outcome.pictureNoted = true;
    outcome.picture = entry->picture;
    outcome.pluginFile = entry->pluginFile;
    commitLine(run->commandFile, lineNumber, &outcome);
    noteProof(lineNumber, line, outcome, *entry);
    seekNoise(position + entry->draws);
    rememberSkipped(run->state, *entry);
    noteLast(run, line, position, true, entry->picture, plugin);
    return true;
}

void runLine(const char *line, long lineNumber, void *context) {
    SERIAL_T *run = static_cast<SERIAL_T *>(context);
    run->lines++;
    const bool stated = run->state->path != nullptr;
    const uint64_t position = stated ? noisePosition() : 0;
    STATE_INPUTS_T inputs;
    inputs.known = false;
    if (stated && skipLine(run, line, lineNumber, position, &inputs)) {
        return;
    }
    LINE_OUTCOME_T outcome;
    prepareLine(line, run->commandFile, lineNumber, nullptr, nullptr, &outcome);
    commitLine(run->commandFile, lineNumber, &outcome);
    if (outcome.status == LINE_NO_OUTPUT) {
        run->withoutOutput++;
    }
    noteProof(lineNumber, line, outcome, STATE_ENTRY_T());
    if (!stated) {
        return;
    }
    uint8_t hash[SHA256_DIGEST_SIZE];
    sha256Of(outcome.bytes.data(), outcome.bytes.size(), hash);
    rememberLine(run->state, line, position, inputs, outcome, hash);
    if (outcome.usedTemporary) {
        noteLast(run, line, position, false, std::string(), std::string());
    }
}

// A skipped line decodes nothing: the temporary bitmap is made to hold what a run that
// converted every line leaves there.
void finishTemporaryBitmap(SERIAL_T *run) {
    if (!run->haveLast) {
        return;
    }
    if (run->lastSkipped && !temporaryStillHolds(run->state, run->lastText, run->lastPosition)) {
        silenceReports(true);
        setReportLine(nullptr, 0);
        setKeepGoing(1);
        int fresh = 0;
        decodeToTempBitmap(run->lastPicture.c_str(), run->lastPlugin.c_str(), &fresh);
        silenceReports(false);
    }
    rememberTemporary(run->state, run->lastText, run->lastPosition);
}

}  // namespace

SERIAL_RESULT_T runSerial(const char *commandFile, FILE *file, RUN_STATE_T *state) {
    SERIAL_T run;
    run.commandFile = commandFile;
    run.state = state;
    run.withoutOutput = 0;
    run.lines = 0;
    run.haveLast = false;
    run.lastSkipped = false;
    run.lastPosition = 0;
    SERIAL_RESULT_T result;
    result.read = forEachCommandLine(file, runLine, &run);
    result.error = errno;
    releaseKeptSource();
    if (state->path != nullptr) {
        finishTemporaryBitmap(&run);
    }
    result.withoutOutput = run.withoutOutput;
    result.lines = run.lines;
    return result;
}
