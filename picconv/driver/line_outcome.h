// What became of one command-file line: made by the per-line pipeline, in this process or in a
// worker, and committed (output written or left alone, stale file removed, reports) in line order.
#ifndef PICCONV_DRIVER_LINE_OUTCOME_H
#define PICCONV_DRIVER_LINE_OUTCOME_H

#include <stdint.h>

#include <string>
#include <vector>

enum LINE_STATUS_T {
    LINE_NOT_A_RECORD = 0,  // fewer than five fields: skipped silently
    LINE_WRITTEN,           // the output file was written
    LINE_UNCHANGED,         // the output file already held these bytes and was left alone
    LINE_SKIPPED,           // the state file shows nothing it was made from has changed
    LINE_NO_OUTPUT,         // a full record whose output file was not written; reported
    LINE_FATAL              // the run stops here (a plug-in that cannot be loaded, without -k)
};

struct LINE_OUTCOME_T {
    // Before the commit: LINE_WRITTEN means the bytes below are ready to be put in place.
    LINE_STATUS_T status;
    std::string output;          // the output path as written in the record
    std::vector<uint8_t> bytes;  // the "PMBP" file, for a line with output
    std::string problem;         // the reason noted for the line, in words; may be empty
    bool mayRemove;              // a failed line may remove an earlier "PMBP" file at output
    uint64_t draws;              // noise values the line drew: none unless it made its surface
    bool pictureNoted;           // the picture was to be read (a run input)
    std::string picture;         // the picture's path as read
    std::string pluginFile;      // the plug-in file current after the decode; empty when none
    bool usedTemporary;          // the temporary bitmap holds this line's decode afterwards
    std::string proofPictures;   // the proof sheet's pictures of the line, when one is made
};

// An outcome for a line that has not run yet.
inline LINE_OUTCOME_T emptyOutcome() {
    LINE_OUTCOME_T outcome;
    outcome.status = LINE_NOT_A_RECORD;
    outcome.mayRemove = true;
    outcome.draws = 0;
    outcome.pictureNoted = false;
    outcome.usedTemporary = false;
    return outcome;
}

#endif
