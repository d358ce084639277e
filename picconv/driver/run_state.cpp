#include "picconv/driver/run_state.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/safe_file.h"
#include "picconv/driver/input_paths.h"
#include "picconv/imaging/dither_noise.h"
#include "picconv/plugin/plugin_entries.h"
#include "picconv/plugin/temp_bitmap.h"
#include "platform/process.h"

namespace {

const char STATE_MAGIC[] = "picconv state\n";
const uint64_t STATE_FORMAT = 2;
// The state ends with a checksum of all before it: damage is told from a whole file. Not a
// safeguard against forgery (a state only ever makes picconv skip work it could redo), so a
// quick one: the state is read and written on every run.
enum { CHECKSUM_SIZE = 8 };
// Room for a path the loader resolves.
enum { FOUND_PATH_SIZE = 4096 };

// The state is a list of fields: numbers as 8 little-endian bytes, texts as a number and that
// many bytes, and at its end the SHA-256 of all that comes before.
struct WRITER_T {
    std::string bytes;
};

struct READER_T {
    const std::string *bytes;
    size_t at;
    bool damaged;
};

void putNumber(WRITER_T *writer, uint64_t value) {
    for (int i = 0; i < 8; i++) {
        writer->bytes.push_back(static_cast<char>(value >> (8 * i)));
    }
}

void putText(WRITER_T *writer, const std::string &text) {
    putNumber(writer, text.size());
    writer->bytes += text;
}

void putStamp(WRITER_T *writer, const FILE_STAMP_T &stamp) {
    putNumber(writer, stamp.device);
    putNumber(writer, stamp.inode);
    putNumber(writer, stamp.size);
    putNumber(writer, static_cast<uint64_t>(stamp.modifiedSeconds));
    putNumber(writer, static_cast<uint64_t>(stamp.modifiedNanoseconds));
    putNumber(writer, static_cast<uint64_t>(stamp.changedSeconds));
    putNumber(writer, static_cast<uint64_t>(stamp.changedNanoseconds));
}

uint64_t takeNumber(READER_T *reader) {
    if (reader->damaged || reader->bytes->size() - reader->at < 8) {
        reader->damaged = true;
        return 0;
    }
    uint64_t value = 0;
    for (int i = 0; i < 8; i++) {
        value |= static_cast<uint64_t>(static_cast<uint8_t>((*reader->bytes)[reader->at + i]))
                 << (8 * i);
    }
    reader->at += 8;
    return value;
}

std::string takeText(READER_T *reader) {
    const uint64_t size = takeNumber(reader);
    if (reader->damaged || reader->bytes->size() - reader->at < size) {
        reader->damaged = true;
        return std::string();
    }
    const std::string text = reader->bytes->substr(reader->at, static_cast<size_t>(size));
    reader->at += static_cast<size_t>(size);
    return text;
}

FILE_STAMP_T takeStamp(READER_T *reader) {
    FILE_STAMP_T stamp = {};
    stamp.device = takeNumber(reader);
    stamp.inode = takeNumber(reader);
    stamp.size = takeNumber(reader);
    stamp.modifiedSeconds = static_cast<int64_t>(takeNumber(reader));
    stamp.modifiedNanoseconds = static_cast<int64_t>(takeNumber(reader));
    stamp.changedSeconds = static_cast<int64_t>(takeNumber(reader));
    stamp.changedNanoseconds = static_cast<int64_t>(takeNumber(reader));
    return stamp;
}

// Which program and system wrote a state: anything else is never trusted.
std::string programIdentity() {
    std::string identity = std::string(TOOLS_VERSION) + " " + platformName() + " noise " +
                           std::to_string(static_cast<int>(platformNoiseSequence()));
    char *program = runningProgramPath();
    FILE_STAMP_T stamp = {};
    if (program != nullptr && takeFileStamp(program, &stamp)) {
        // A rebuilt program may convert differently under the same version.
        identity += " " + std::to_string(stamp.size) + " " + std::to_string(stamp.modifiedSeconds) +
                    "." + std::to_string(stamp.modifiedNanoseconds);
    }
    free(program);
    return identity;
}

bool sameStamp(const FILE_STAMP_T &a, const FILE_STAMP_T &b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.modifiedSeconds == b.modifiedSeconds &&
           a.modifiedNanoseconds == b.modifiedNanoseconds && a.changedSeconds == b.changedSeconds &&
           a.changedNanoseconds == b.changedNanoseconds;
}

bool olderThan(int64_t seconds, int64_t nanoseconds, const RUN_STATE_T *state) {
    return seconds < state->writtenSeconds ||
           (seconds == state->writtenSeconds && nanoseconds < state->writtenNanoseconds);
}

// Whether a file stamped now is still the one the recorded stamp was taken of, as far as stamps
// can tell.
bool stampMatches(const RUN_STATE_T *state, const FILE_STAMP_T &now, const FILE_STAMP_T &recorded) {
    return sameStamp(now, recorded) &&
           olderThan(recorded.modifiedSeconds, recorded.modifiedNanoseconds, state) &&
           olderThan(recorded.changedSeconds, recorded.changedNanoseconds, state);
}

bool stampHolds(const RUN_STATE_T *state, const char *path, const FILE_STAMP_T &recorded) {
    FILE_STAMP_T now;
    return takeFileStamp(path, &now) && stampMatches(state, now, recorded);
}

// 64-bit FNV-1a.
uint64_t checksumOf(const char *bytes, size_t size) {
    uint64_t sum = 14695981039346656037ull;
    for (size_t i = 0; i < size; i++) {
        sum = (sum ^ static_cast<uint8_t>(bytes[i])) * 1099511628211ull;
    }
    return sum;
}

// A plug-in field's file and stamp, looked up once a run: hundreds of lines name one plug-in.
struct PLUGIN_FOUND_T {
    bool found;
    std::string path;
    FILE_STAMP_T stamp;
};

std::unordered_map<std::string, PLUGIN_FOUND_T> g_plugins_found;

const PLUGIN_FOUND_T &pluginFoundFor(const std::string &plugin) {
    std::unordered_map<std::string, PLUGIN_FOUND_T> &known = g_plugins_found;
    const auto cached = known.find(plugin);
    if (cached != known.end()) {
        return cached->second;
    }
    PLUGIN_FOUND_T entry;
    char found[FOUND_PATH_SIZE];
    entry.found =
        findPluginFile(plugin.c_str(), found, sizeof found) && takeFileStamp(found, &entry.stamp);
    if (entry.found) {
        entry.path = found;
    }
    return known.emplace(plugin, entry).first->second;
}

void warnUntrusted(const char *path, const char *why) {
    fprintf(stderr, "picconv: %s: %s; every line is converted\n", path, why);
}

void writeEntry(WRITER_T *writer, const STATE_ENTRY_T &entry) {
    putText(writer, entry.text);
    putNumber(writer, entry.position);
    putNumber(writer, entry.draws);
    putText(writer, entry.picture);
    putStamp(writer, entry.pictureStamp);
    putText(writer, entry.pluginFile);
    putText(writer, entry.pluginFound);
    putStamp(writer, entry.pluginStamp);
    putText(writer, entry.output);
    putStamp(writer, entry.outputStamp);
    writer->bytes.append(reinterpret_cast<const char *>(entry.outputHash), SHA256_DIGEST_SIZE);
}

STATE_ENTRY_T readEntry(READER_T *reader) {
    STATE_ENTRY_T entry;
    entry.text = takeText(reader);
    entry.position = takeNumber(reader);
    entry.draws = takeNumber(reader);
    entry.picture = takeText(reader);
    entry.pictureStamp = takeStamp(reader);
    entry.pluginFile = takeText(reader);
    entry.pluginFound = takeText(reader);
    entry.pluginStamp = takeStamp(reader);
    entry.output = takeText(reader);
    entry.outputStamp = takeStamp(reader);
    if (reader->damaged || reader->bytes->size() - reader->at < SHA256_DIGEST_SIZE) {
        reader->damaged = true;
        memset(entry.outputHash, 0, sizeof entry.outputHash);
    } else {
        memcpy(entry.outputHash, reader->bytes->data() + reader->at, SHA256_DIGEST_SIZE);
        reader->at += SHA256_DIGEST_SIZE;
    }
    return entry;
}

bool readWhole(const char *path, std::string *bytes) {
    if (!isRegularFile(path)) {
        errno = pathExists(path) ? EINVAL : ENOENT;
        return false;
    }
    FILE *file = fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes->append(buffer, got);
    }
    const bool read = ferror(file) == 0;
    fclose(file);
    return read;
}

}  // namespace

void loadRunState(const char *path, RUN_STATE_T *state) {
    state->path = path;
    state->trusted = false;
    state->temporaryKnown = false;
    state->temporaryPosition = 0;
    state->temporaryStamp = FILE_STAMP_T{};
    state->writtenSeconds = state->writtenNanoseconds = 0;
    if (path == nullptr) {
        return;
    }
    std::string bytes;
    FILE_STAMP_T written;
    if (!takeFileStamp(path, &written) || !readWhole(path, &bytes)) {
        warnUntrusted(path, errno == ENOENT ? "no state yet" : strerror(errno));
        return;
    }
    const size_t magicSize = sizeof STATE_MAGIC - 1;
    if (bytes.size() < magicSize + CHECKSUM_SIZE || bytes.compare(0, magicSize, STATE_MAGIC) != 0) {
        warnUntrusted(path, "not a state file");
        return;
    }
    const size_t body = bytes.size() - CHECKSUM_SIZE;
    const std::string checksum = bytes.substr(body);
    bytes.resize(body);
    READER_T sum = {&checksum, 0, false};
    if (takeNumber(&sum) != checksumOf(bytes.data(), bytes.size())) {
        warnUntrusted(path, "the state file is damaged");
        return;
    }
    READER_T reader = {&bytes, magicSize, false};
    if (takeNumber(&reader) != STATE_FORMAT || takeText(&reader) != programIdentity()) {
        warnUntrusted(path, "written by another picconv or on another system");
        return;
    }
    const uint64_t count = takeNumber(&reader);
    for (uint64_t i = 0; i < count && !reader.damaged; i++) {
        state->entries.push_back(readEntry(&reader));
    }
    state->temporaryKnown = takeNumber(&reader) != 0;
    state->temporaryText = takeText(&reader);
    state->temporaryPosition = takeNumber(&reader);
    state->temporaryStamp = takeStamp(&reader);
    if (reader.damaged || reader.at != bytes.size()) {
        state->entries.clear();
        state->temporaryKnown = false;
        warnUntrusted(path, "the state file is damaged");
        return;
    }
    for (size_t i = 0; i < state->entries.size(); i++) {
        state->byText.emplace(state->entries[i].text, i);
    }
    state->writtenSeconds = written.modifiedSeconds;
    state->writtenNanoseconds = written.modifiedNanoseconds;
    state->trusted = true;
}

STATE_INPUTS_T stateInputsOf(const char *pictureField, const char *pluginField) {
    STATE_INPUTS_T inputs;
    inputs.picture = picturePathOf(pictureField);
    const PLUGIN_FOUND_T &plugin = pluginFoundFor(pluginPathOf(pluginField));
    inputs.known = plugin.found && takeFileStamp(inputs.picture.c_str(), &inputs.pictureStamp);
    if (inputs.known) {
        inputs.pluginFound = plugin.path;
        inputs.pluginStamp = plugin.stamp;
    }
    return inputs;
}

const STATE_ENTRY_T *findSkippable(RUN_STATE_T *state, const std::string &text, uint64_t position,
                                   const STATE_INPUTS_T &inputs) {
    if (!state->trusted || !inputs.known) {
        return nullptr;
    }
    const auto range = state->byText.equal_range(text);
    for (auto match = range.first; match != range.second; ++match) {
        STATE_ENTRY_T &entry = state->entries[match->second];
        if (entry.position != position || entry.picture != inputs.picture ||
            entry.pluginFound != inputs.pluginFound ||
            !stampMatches(state, inputs.pictureStamp, entry.pictureStamp) ||
            !stampMatches(state, inputs.pluginStamp, entry.pluginStamp)) {
            continue;
        }
        if (stampHolds(state, entry.output.c_str(), entry.outputStamp)) {
            return &entry;
        }
        // A touched output may still hold what was written.
        uint8_t digest[SHA256_DIGEST_SIZE];
        FILE_STAMP_T now;
        if (isRegularFile(entry.output.c_str()) && takeFileStamp(entry.output.c_str(), &now) &&
            sha256File(entry.output.c_str(), digest) &&
            memcmp(digest, entry.outputHash, sizeof digest) == 0) {
            entry.outputStamp = now;
            return &entry;
        }
    }
    return nullptr;
}

void rememberLine(RUN_STATE_T *state, const std::string &text, uint64_t position,
                  const STATE_INPUTS_T &inputs, const LINE_OUTCOME_T &outcome,
                  const uint8_t outputHash[SHA256_DIGEST_SIZE]) {
    if (state->path == nullptr || !inputs.known ||
        (outcome.status != LINE_WRITTEN && outcome.status != LINE_UNCHANGED) ||
        inputs.picture != outcome.picture) {
        return;
    }
    STATE_ENTRY_T entry;
    entry.text = text;
    entry.position = position;
    entry.draws = outcome.draws;
    entry.picture = inputs.picture;
    entry.pictureStamp = inputs.pictureStamp;
    entry.pluginFile = outcome.pluginFile;
    entry.pluginFound = inputs.pluginFound;
    entry.pluginStamp = inputs.pluginStamp;
    entry.output = outcome.output;
    if (!takeFileStamp(entry.output.c_str(), &entry.outputStamp)) {
        return;
    }
    memcpy(entry.outputHash, outputHash, SHA256_DIGEST_SIZE);
    state->next.push_back(entry);
}

void rememberSkipped(RUN_STATE_T *state, const STATE_ENTRY_T &entry) {
    state->next.push_back(entry);
}

bool temporaryStillHolds(const RUN_STATE_T *state, const std::string &text, uint64_t position) {
    return state->trusted && state->temporaryKnown && state->temporaryText == text &&
           state->temporaryPosition == position &&
           stampHolds(state, TEMP_BITMAP_NAME, state->temporaryStamp);
}

void rememberTemporary(RUN_STATE_T *state, const std::string &text, uint64_t position) {
    state->temporaryKnown = takeFileStamp(TEMP_BITMAP_NAME, &state->temporaryStamp) != 0;
    state->temporaryText = text;
    state->temporaryPosition = position;
}

int saveRunState(RUN_STATE_T *state) {
    if (state->path == nullptr) {
        return 1;
    }
    WRITER_T writer;
    writer.bytes = STATE_MAGIC;
    putNumber(&writer, STATE_FORMAT);
    putText(&writer, programIdentity());
    putNumber(&writer, state->next.size());
    for (const STATE_ENTRY_T &entry : state->next) {
        writeEntry(&writer, entry);
    }
    putNumber(&writer, state->temporaryKnown ? 1 : 0);
    putText(&writer, state->temporaryText);
    putNumber(&writer, state->temporaryPosition);
    putStamp(&writer, state->temporaryStamp);
    putNumber(&writer, checksumOf(writer.bytes.data(), writer.bytes.size()));
    SAFE_FILE_T safe;
    if (!openSafeFile(state->path, "wb", &safe)) {
        return 0;
    }
    if (fwrite(writer.bytes.data(), 1, writer.bytes.size(), safe.file) != writer.bytes.size()) {
        const int error = errno;
        abandonSafeFile(&safe);
        errno = error;
        return 0;
    }
    return commitSafeFile(&safe);
}
