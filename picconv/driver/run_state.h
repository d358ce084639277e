// --state FILE: what each written output was made from, so that a later run skips a line whose
// plug-in, picture, rectangles, noise position and output are all as they were.
//
// A file is recognised by its stamp (device, file number, size, modification and change time),
// as version-control indexes do: a write, a rename over it or a restored modification time
// moves the change time, which no user can set. A stamp that is not older than the state file
// itself may have been taken in the same clock tick as a later write, so it is not trusted
// (an output is then compared by its SHA-256, a picture or plug-in counts as changed).
#ifndef PICCONV_DRIVER_RUN_STATE_H
#define PICCONV_DRIVER_RUN_STATE_H

#include <stdint.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "common/sha256.h"
#include "picconv/driver/line_outcome.h"
#include "platform/files.h"

struct STATE_ENTRY_T {
    std::string text;     // the line as read
    uint64_t position;    // the noise position before it
    uint64_t draws;       // the noise values it drew
    std::string picture;  // the path its picture was read from
    FILE_STAMP_T pictureStamp;
    std::string pluginFile;   // the plug-in file, as the run noted it
    std::string pluginFound;  // the same as found without loading it, which identifies it
    FILE_STAMP_T pluginStamp;
    std::string output;  // the output path as written
    FILE_STAMP_T outputStamp;
    uint8_t outputHash[SHA256_DIGEST_SIZE];
};

// What a picture and plug-in were when a line started, to be remembered if it writes.
struct STATE_INPUTS_T {
    bool known;
    std::string picture;
    FILE_STAMP_T pictureStamp;
    std::string pluginFound;
    FILE_STAMP_T pluginStamp;
};

struct RUN_STATE_T {
    const char *path;        // null when no --state was given
    bool trusted;            // the file was read and is this program's, on this system
    int64_t writtenSeconds;  // when it was written, by the file system's clock
    int64_t writtenNanoseconds;
    std::vector<STATE_ENTRY_T> entries;
    std::unordered_multimap<std::string, size_t> byText;
    std::vector<STATE_ENTRY_T> next;  // this run's, written at its end
    // The temporary bitmap as a run left it: the line whose decode it held, and its stamp.
    bool temporaryKnown;
    std::string temporaryText;
    uint64_t temporaryPosition;
    FILE_STAMP_T temporaryStamp;
};

// Whether the temporary bitmap still holds what the last run left there: the decode of the
// line text at position.
bool temporaryStillHolds(const RUN_STATE_T *state, const std::string &text, uint64_t position);

// What this run leaves in the temporary bitmap: the decode of the line text at position.
void rememberTemporary(RUN_STATE_T *state, const std::string &text, uint64_t position);

// Reads path (null: no state); a file that is missing, damaged, of another version or system
// is not trusted, with one warning, and every line is converted.
void loadRunState(const char *path, RUN_STATE_T *state);

// What the line's picture and plug-in are now (fields as in the record).
STATE_INPUTS_T stateInputsOf(const char *pictureField, const char *pluginField);

// The entry that lets the line at this noise position be skipped, or null: same text, same
// position, picture and plug-in as they were, and the output still what was written.
const STATE_ENTRY_T *findSkippable(RUN_STATE_T *state, const std::string &text, uint64_t position,
                                   const STATE_INPUTS_T &inputs);

// Remembers a committed line that wrote or kept its output (its bytes hashed), or was skipped.
void rememberLine(RUN_STATE_T *state, const std::string &text, uint64_t position,
                  const STATE_INPUTS_T &inputs, const LINE_OUTCOME_T &outcome,
                  const uint8_t outputHash[SHA256_DIGEST_SIZE]);
void rememberSkipped(RUN_STATE_T *state, const STATE_ENTRY_T &entry);

// Writes this run's entries in place of the file, atomically; 1 when done.
int saveRunState(RUN_STATE_T *state);

#endif
