#include "picconv/driver/coordinator.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <deque>
#include <set>

#include "common/safe_file.h"
#include "picconv/diagnostics/diagnostics.h"
#include "picconv/diagnostics/stage_times.h"
#include "picconv/driver/command_record.h"
#include "picconv/driver/convert_line.h"
#include "picconv/driver/converter.h"
#include "picconv/driver/input_paths.h"
#include "picconv/driver/proof_lines.h"
#include "picconv/driver/run_state.h"
#include "picconv/driver/worker.h"
#include "picconv/driver/worker_protocol.h"
#include "picconv/plugin/run_lock.h"
#include "picconv/plugin/temp_bitmap.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/workers.h"

namespace {

struct LINE_T {
    std::string text;
    bool record;
    std::string plugin;  // the plug-in and picture fields, which group lines
    std::string picture;
    std::string outputField;  // the output path as written
    std::string output;       // one spelling of its file, once asked for (see outputKeyOf)
    bool reachKnown;          // whether it draws noise, and how much, is known
    bool done;
    LINE_OUTCOME_T outcome;
    std::string streams[2];  // what its worker wrote to standard output and error for it
    size_t slot;             // the slot whose worker converted it
    uint64_t position;       // the noise position before it, once its reach is known
    bool candidate;          // the state knows a line of this text: it may be skipped
    STATE_INPUTS_T inputs;   // its picture and plug-in when handed out, for the state
    STATE_ENTRY_T skipped;   // for a line the state skips
};

struct SLOT_T {
    WORKER_T *worker;  // null when none runs
    std::string bitmap;
    size_t first;  // its group of lines: first and end (end == first when idle)
    size_t end;
    size_t current;         // the group's line in progress
    bool startSent;         // the group's noise position is on its way
    bool awaitingStart;     // told us its first reach, waits for the group's noise position
    uint64_t streamsAt[2];  // where the line in progress began in its streams
    uint64_t deadline;      // when the line in progress has had its time; 0: no limit now
    std::vector<uint8_t> inbox;
    bool finalAsked;
    bool finalDone;
};

struct RUN_T {
    const RUN_OPTIONS_T *options;
    RUN_STATE_T *state;
    std::vector<LINE_T> lines;
    std::vector<SLOT_T> slots;
    std::deque<std::pair<size_t, size_t>> retries;  // groups whose worker failed part-way
    size_t dispatched;                              // lines before this are handed out or settled
    size_t known;                                   // lines before this have a known reach
    uint64_t position;                              // the noise position before line known
    size_t committed;                               // lines before this are committed
    std::multiset<std::string> pending;             // outputs of lines handed out and not committed
    long withoutOutput;
    bool fatal;
    long lastTemporary;  // the last committed line that left its decode in the temporary bitmap
    bool runLocked;
    bool createdTemporary;
};

// Where the workers' own temporary bitmaps are, for the stop handler.
enum { MAX_PRIVATE = 64, PRIVATE_PATH_SIZE = 4096 };
char g_private_bitmaps[MAX_PRIVATE][PRIVATE_PATH_SIZE];

void onStop() {
    killWorkersNow();
    removePendingSafeFile();
    for (char *path : g_private_bitmaps) {
        if (path[0] != '\0') {
            removeFileNow(path);
        }
    }
}

// One spelling per file, so that "a.pmbp" and "./a.pmbp" are known to be one output.
std::string fileKeyOf(const std::string &path) {
    char *absolute = fileIdentityPath(path.c_str());
    const std::string result = absolute != nullptr ? absolute : path;
    free(absolute);
    return result;
}

void readLines(const std::vector<std::string> &texts, RUN_T *run) {
    run->lines.resize(texts.size());
    for (size_t i = 0; i < texts.size(); i++) {
        LINE_T &line = run->lines[i];
        line.text = texts[i];
        line.reachKnown = false;
        line.done = false;
        line.outcome = emptyOutcome();
        line.slot = 0;
        line.position = 0;
        line.inputs.known = false;
        line.candidate = run->state->trusted && run->state->byText.count(line.text) != 0;
        char *copy = nullptr;
        char *fields[FIELD_COUNT];
        const RECORD_COPY_T record = copyCommandRecord(line.text.c_str(), &copy, fields);
        line.record = record != RECORD_SHORT;
        if (record == RECORD_COMPLETE) {
            line.plugin = fields[FIELD_PLUGIN];
            line.picture = fields[FIELD_PICTURE];
            line.outputField = fields[FIELD_OUTPUT];
            free(copy);
        }
    }
}

void settle(RUN_T *run, size_t index, uint64_t draws) {
    LINE_T &line = run->lines[index];
    if (!line.reachKnown) {
        line.reachKnown = true;
        line.outcome.draws = draws;
    }
    while (run->known < run->lines.size() && run->lines[run->known].reachKnown) {
        run->lines[run->known].position = run->position;
        run->position += run->lines[run->known].outcome.draws;
        run->known++;
    }
}

bool send(SLOT_T *slot, MESSAGE_T *message) {
    finishMessage(message);
    return sendToWorker(slot->worker, message->bytes.data(), message->bytes.size()) != 0;
}

uint64_t lineDeadline(const RUN_T *run) {
    const double seconds = run->options->lineTimeout;
    return seconds > 0 ? monotonicMilliseconds() + static_cast<uint64_t>(seconds * 1000.0) : 0;
}

bool startSlot(RUN_T *run, SLOT_T *slot, size_t index) {
    char name[64];
    snprintf(name, sizeof name, "picconv-%lu-%zu.bmp", static_cast<unsigned long>(processId()),
             index);
    char *path = temporaryFolderPath(name);
    if (path == nullptr) {
        return false;
    }
    slot->bitmap = path;
    free(path);
    if (index < MAX_PRIVATE && slot->bitmap.size() < PRIVATE_PATH_SIZE) {
        memcpy(g_private_bitmaps[index], slot->bitmap.c_str(), slot->bitmap.size() + 1);
    }
    const RUN_OPTIONS_T *options = run->options;
    // The option and every worker argument but the answer channel, which the platform adds.
    const char *arguments[1 + WORKER_ARGUMENT_COUNT - 1] = {
        WORKER_OPTION,
        options->keepGoing ? "1" : "0",
        options->inputDir != nullptr ? options->inputDir : "",
        options->commandFile,
        slot->bitmap.c_str(),
        options->proofDir != nullptr ? options->proofDir : ""};
    slot->worker = startWorker(arguments, 1 + WORKER_ARGUMENT_COUNT - 1);
    slot->first = slot->end = slot->current = 0;
    slot->awaitingStart = false;
    slot->inbox.clear();
    slot->finalAsked = slot->finalDone = false;
    return slot->worker != nullptr;
}

void releaseSlot(SLOT_T *slot, size_t index, WORKER_END_T *end) {
    stopWorker(slot->worker, end);
    slot->worker = nullptr;
    removeFileNow(slot->bitmap.c_str());
    if (index < MAX_PRIVATE) {
        g_private_bitmaps[index][0] = '\0';
    }
}

// A record that no worker converted: it wrote nothing, for reason.
void failLine(RUN_T *run, size_t index, const char *reason) {
    LINE_T &line = run->lines[index];
    char *copy = nullptr;
    char *fields[FIELD_COUNT];
    if (copyCommandRecord(line.text.c_str(), &copy, fields) == RECORD_COMPLETE) {
        line.outcome.output = fields[FIELD_OUTPUT];
        free(copy);
    }
    line.outcome.status = LINE_NO_OUTPUT;
    line.outcome.problem = reason;
    line.outcome.mayRemove = true;
    line.outcome.bytes.clear();
    line.done = true;
    settle(run, index, 0);
}

// The noise position before line index, which must be no later than the chain's end.
uint64_t positionBefore(const RUN_T *run, size_t index) {
    return index < run->known ? run->lines[index].position : run->position;
}

// Hands lines first..end (one plug-in and picture) to the slot's worker. Without a worker the
// lines fail, each with the reason.
bool handOut(RUN_T *run, size_t slotIndex, size_t first, size_t end) {
    SLOT_T *slot = &run->slots[slotIndex];
    if (slot->worker == nullptr && !startSlot(run, slot, slotIndex)) {
        char reason[160];
        snprintf(reason, sizeof reason, "cannot start a worker: %s", strerror(errno));
        for (size_t i = first; i < end; i++) {
            failLine(run, i, reason);
        }
        return true;
    }
    MESSAGE_T message = startMessage(REQUEST_LINES);
    putNumber(&message, first + 1);
    putNumber(&message, end - first);
    // Where the group's noise starts, when every earlier line is known already: no round trip.
    const bool startKnown = run->known >= first;
    putNumber(&message, startKnown ? 1 : 0);
    putNumber(&message, startKnown ? positionBefore(run, first) : 0);
    for (size_t i = first; i < end; i++) {
        putText(&message, run->lines[i].text);
        run->lines[i].slot = slotIndex;
    }
    slot->first = slot->current = first;
    slot->end = end;
    slot->startSent = startKnown;
    slot->awaitingStart = false;
    slot->streamsAt[0] = workerStreamSize(slot->worker, WORKER_OUTPUT);
    slot->streamsAt[1] = workerStreamSize(slot->worker, WORKER_ERROR);
    slot->deadline = lineDeadline(run);
    // A worker that cannot take the lines shows as ended when its answers are read.
    send(slot, &message);
    return true;
}

// The line's output as one spelling of its file, made when first needed: resolving links and
// folders costs, and a line the state skips at once never needs it.
const std::string &outputKeyOf(LINE_T *line) {
    if (line->output.empty()) {
        line->output = fileKeyOf(line->outputField);
    }
    return line->output;
}

// Whether the line's picture or plug-in is the output of a line not yet committed: a run in
// one process would read what that line writes.
bool waitsForAnOutput(const RUN_T *run, const LINE_T &line) {
    if (run->pending.empty()) {
        return false;
    }
    if (run->pending.count(fileKeyOf(picturePathOf(line.picture.c_str()))) != 0) {
        return true;
    }
    return hasFolderPart(line.plugin.c_str()) &&
           run->pending.count(fileKeyOf(pluginPathOf(line.plugin.c_str()))) != 0;
}

void takeRunLockOnce(RUN_T *run) {
    if (run->runLocked) {
        return;
    }
    run->runLocked = true;
    // As a run in one process: the first decode locks (and so makes) the temporary bitmap.
    const bool existed = pathExists(TEMP_BITMAP_NAME) != 0;
    if (takeRunLock(TEMP_BITMAP_NAME) && !existed) {
        run->createdTemporary = true;
    }
}

// A line the state shows unchanged at its noise position: nothing to convert.
bool skip(RUN_T *run, size_t index) {
    LINE_T &line = run->lines[index];
    const STATE_ENTRY_T *entry = findSkippable(run->state, line.text, run->position, line.inputs);
    if (entry == nullptr) {
        return false;
    }
    line.skipped = *entry;
    line.outcome.status = LINE_SKIPPED;
    line.outcome.output = entry->output;
    line.outcome.pictureNoted = true;
    line.outcome.picture = entry->picture;
    line.outcome.pluginFile = entry->pluginFile;
    line.done = true;
    settle(run, index, entry->draws);
    run->dispatched++;
    return true;
}

void dispatch(RUN_T *run) {
    for (;;) {
        size_t idle = run->slots.size();
        for (size_t i = 0; i < run->slots.size(); i++) {
            if (run->slots[i].first == run->slots[i].end && !run->slots[i].finalAsked) {
                idle = i;
                break;
            }
        }
        if (idle == run->slots.size()) {
            return;
        }
        if (!run->retries.empty()) {
            const std::pair<size_t, size_t> group = run->retries.front();
            run->retries.pop_front();
            if (!handOut(run, idle, group.first, group.second)) {
                return;
            }
            continue;
        }
        // Lines without five fields settle here; the first record takes the run lock.
        while (run->dispatched < run->lines.size() && !run->lines[run->dispatched].record) {
            LINE_T &line = run->lines[run->dispatched];
            line.done = true;
            settle(run, run->dispatched, 0);
            run->dispatched++;
        }
        if (run->dispatched == run->lines.size() ||
            waitsForAnOutput(run, run->lines[run->dispatched])) {
            return;
        }
        LINE_T &next = run->lines[run->dispatched];
        if (run->state->path != nullptr) {
            // A line the state may skip waits until its noise position is known, and until
            // earlier lines have written its output: only then can its file be checked.
            if (next.candidate &&
                (run->known < run->dispatched ||
                 (!run->pending.empty() && run->pending.count(outputKeyOf(&next)) != 0))) {
                return;
            }
            next.inputs = stateInputsOf(next.picture.c_str(), next.plugin.c_str());
            if (next.candidate && skip(run, run->dispatched)) {
                continue;
            }
        }
        takeRunLockOnce(run);
        const size_t first = run->dispatched;
        size_t end = first + 1;
        while (end < run->lines.size() && run->lines[end].record && !run->lines[end].candidate &&
               run->lines[end].plugin == run->lines[first].plugin &&
               run->lines[end].picture == run->lines[first].picture) {
            if (run->state->path != nullptr) {
                run->lines[end].inputs =
                    stateInputsOf(run->lines[end].picture.c_str(), run->lines[end].plugin.c_str());
            }
            end++;
        }
        if (!handOut(run, idle, first, end)) {
            return;
        }
        for (size_t i = first; i < end; i++) {
            run->pending.insert(outputKeyOf(&run->lines[i]));
        }
        run->dispatched = end;
    }
}

void sendStarts(RUN_T *run) {
    for (SLOT_T &slot : run->slots) {
        if (slot.awaitingStart && run->known >= slot.first) {
            MESSAGE_T message = startMessage(REQUEST_START);
            putNumber(&message, positionBefore(run, slot.first));
            send(&slot, &message);
            slot.startSent = true;
            slot.awaitingStart = false;
            slot.deadline = lineDeadline(run);
        }
    }
}

void copyStreams(SLOT_T *slot, LINE_T *line, const uint64_t from[2], const uint64_t to[2]) {
    for (int stream = 0; stream < 2; stream++) {
        if (to[stream] <= from[stream]) {
            continue;
        }
        std::string &text = line->streams[stream];
        text.resize(static_cast<size_t>(to[stream] - from[stream]));
        text.resize(readWorkerStream(slot->worker, static_cast<WORKER_STREAM_T>(stream),
                                     from[stream], to[stream], &text[0]));
    }
}

// Ends the slot's worker (if it still runs), first keeping what it wrote for the line in
// progress; end says how it ended.
void endWorker(RUN_T *run, size_t slotIndex, WORKER_END_T *end) {
    SLOT_T *slot = &run->slots[slotIndex];
    if (slot->worker == nullptr) {
        return;
    }
    if (slot->current < slot->end) {
        const uint64_t to[2] = {workerStreamSize(slot->worker, WORKER_OUTPUT),
                                workerStreamSize(slot->worker, WORKER_ERROR)};
        copyStreams(slot, &run->lines[slot->current], slot->streamsAt, to);
    }
    releaseSlot(slot, slotIndex, end);
}

// The line in progress of a worker that has ended fails with reason; the rest of its group goes
// to another worker.
void failCurrentLine(RUN_T *run, size_t slotIndex, const char *reason) {
    SLOT_T *slot = &run->slots[slotIndex];
    if (slot->current < slot->end) {
        failLine(run, slot->current, reason);
        if (slot->current + 1 < slot->end) {
            run->retries.emplace_back(slot->current + 1, slot->end);
        }
    }
    slot->finalDone = true;
    slot->first = slot->end = slot->current = 0;
    slot->startSent = slot->awaitingStart = false;
    slot->deadline = 0;
}

bool handleDone(RUN_T *run, size_t slotIndex, MESSAGE_T *message) {
    SLOT_T *slot = &run->slots[slotIndex];
    const uint64_t number = takeNumber(message);
    if (slot->current >= slot->end || number != slot->current + 1) {
        return false;
    }
    LINE_T &line = run->lines[slot->current];
    LINE_OUTCOME_T &outcome = line.outcome;
    outcome.status = static_cast<LINE_STATUS_T>(takeNumber(message));
    uint64_t from[2];
    uint64_t to[2];
    for (int stream = 0; stream < 2; stream++) {
        from[stream] = takeNumber(message);
        to[stream] = takeNumber(message);
    }
    outcome.mayRemove = takeNumber(message) != 0;
    const uint64_t draws = takeNumber(message);
    outcome.pictureNoted = takeNumber(message) != 0;
    outcome.picture = takeText(message);
    outcome.pluginFile = takeText(message);
    outcome.usedTemporary = takeNumber(message) != 0;
    outcome.output = takeText(message);
    outcome.problem = takeText(message);
    takeBytes(message, &outcome.bytes);
    outcome.proofPictures = takeText(message);
    STAGE_TIMES_T times;
    for (int stage = 0; stage < STAGE_COUNT; stage++) {
        times.nanoseconds[stage] = takeNumber(message);
        times.counts[stage] = takeNumber(message);
    }
    if (message->damaged || outcome.status > LINE_FATAL ||
        (line.reachKnown && draws != outcome.draws)) {
        return false;
    }
    copyStreams(slot, &line, from, to);
    addStageTimes(&times);
    line.done = true;
    settle(run, slot->current, draws);
    if (outcome.status == LINE_FATAL) {
        // The worker ends right after saying so; it takes nothing more.
        slot->current = slot->end;
        releaseSlot(slot, slotIndex, nullptr);
        slot->first = slot->end = slot->current = 0;
        return true;
    }
    slot->current++;
    slot->streamsAt[0] = to[0];
    slot->streamsAt[1] = to[1];
    slot->deadline = lineDeadline(run);
    if (slot->current == slot->end) {
        slot->first = slot->end;
    }
    return true;
}

// One answer from a worker; false when it makes no sense.
bool handleAnswer(RUN_T *run, size_t slotIndex, MESSAGE_T *message) {
    SLOT_T *slot = &run->slots[slotIndex];
    switch (messageKind(message)) {
        case ANSWER_REACHED: {
            const uint64_t number = takeNumber(message);
            const uint64_t draws = takeNumber(message);
            if (message->damaged || slot->current >= slot->end || number != slot->current + 1 ||
                run->lines[slot->current].reachKnown) {
                return false;
            }
            settle(run, slot->current, draws);
            // Only the group's first line that draws noise waits for the group's position.
            if (!slot->startSent) {
                slot->awaitingStart = true;
                slot->deadline = 0;
            }
            return true;
        }
        case ANSWER_DONE:
            return handleDone(run, slotIndex, message);
        case ANSWER_FINAL:
            slot->finalDone = true;
            return !message->damaged;
        default:
            return false;
    }
}

// Reads what the worker has sent and handles every whole answer. A worker that has ended,
// or sends what makes no sense, loses the line in progress with the reason.
void readAnswers(RUN_T *run, size_t slotIndex) {
    SLOT_T *slot = &run->slots[slotIndex];
    uint8_t buffer[65536];
    for (;;) {
        const long got = receiveFromWorker(slot->worker, buffer, sizeof buffer);
        if (got < 0) {
            break;
        }
        if (got == 0) {
            WORKER_END_T end;
            endWorker(run, slotIndex, &end);
            char reason[160];
            snprintf(reason, sizeof reason,
                     end.crashed ? "the plug-in crashed (%s)" : "its worker ended (%s)",
                     end.description);
            failCurrentLine(run, slotIndex, reason);
            return;
        }
        slot->inbox.insert(slot->inbox.end(), buffer, buffer + got);
        size_t at = 0;
        while (slot->inbox.size() - at >= 4) {
            const uint32_t length = messageLength(slot->inbox.data() + at);
            if (length == 0) {
                endWorker(run, slotIndex, nullptr);
                failCurrentLine(run, slotIndex, "its worker sent what picconv cannot read");
                return;
            }
            if (slot->inbox.size() - at < 4 + static_cast<size_t>(length)) {
                break;
            }
            MESSAGE_T message = openMessage(std::vector<uint8_t>(
                slot->inbox.begin() + static_cast<ptrdiff_t>(at),
                slot->inbox.begin() + static_cast<ptrdiff_t>(at + 4 + length)));
            at += 4 + static_cast<size_t>(length);
            if (!handleAnswer(run, slotIndex, &message)) {
                endWorker(run, slotIndex, nullptr);
                failCurrentLine(run, slotIndex, "its worker sent what picconv cannot read");
                return;
            }
            if (slot->worker == nullptr) {
                return;  // it said it ends
            }
        }
        slot->inbox.erase(slot->inbox.begin(), slot->inbox.begin() + static_cast<ptrdiff_t>(at));
    }
}

void checkDeadlines(RUN_T *run) {
    const uint64_t now = monotonicMilliseconds();
    for (size_t i = 0; i < run->slots.size(); i++) {
        SLOT_T &slot = run->slots[i];
        if (slot.worker != nullptr && slot.current < slot.end && slot.deadline != 0 &&
            now >= slot.deadline) {
            char reason[160];
            snprintf(reason, sizeof reason,
                     "it took longer than %g seconds (--line-timeout), so its worker was stopped",
                     run->options->lineTimeout);
            endWorker(run, i, nullptr);
            failCurrentLine(run, i, reason);
        }
    }
}

int untilNextDeadline(const RUN_T *run) {
    uint64_t next = 0;
    for (const SLOT_T &slot : run->slots) {
        if (slot.worker != nullptr && slot.current < slot.end && slot.deadline != 0 &&
            (next == 0 || slot.deadline < next)) {
            next = slot.deadline;
        }
    }
    if (next == 0) {
        return -1;
    }
    const uint64_t now = monotonicMilliseconds();
    return next <= now ? 0 : static_cast<int>(std::min<uint64_t>(next - now, 60000));
}

void forward(const LINE_T &line) {
    if (!line.streams[WORKER_OUTPUT].empty()) {
        writeUntranslated(stdout, line.streams[WORKER_OUTPUT].data(),
                          line.streams[WORKER_OUTPUT].size());
    }
    forwardReports(line.streams[WORKER_ERROR].data(), line.streams[WORKER_ERROR].size());
}

void commitReady(RUN_T *run) {
    while (run->committed < run->lines.size() && run->lines[run->committed].done && !run->fatal) {
        LINE_T &line = run->lines[run->committed];
        forward(line);
        if (line.outcome.status == LINE_FATAL) {
            run->fatal = true;
            return;
        }
        const long number = static_cast<long>(run->committed + 1);
        commitLine(run->options->commandFile, number, &line.outcome);
        if (line.outcome.status == LINE_NO_OUTPUT) {
            run->withoutOutput++;
        }
        if (line.outcome.status == LINE_SKIPPED) {
            rememberSkipped(run->state, line.skipped);
        } else if (run->state->path != nullptr) {
            uint8_t hash[SHA256_DIGEST_SIZE];
            sha256Of(line.outcome.bytes.data(), line.outcome.bytes.size(), hash);
            rememberLine(run->state, line.text, line.position, line.inputs, line.outcome, hash);
        }
        if (line.outcome.usedTemporary || line.outcome.status == LINE_SKIPPED) {
            run->lastTemporary = static_cast<long>(run->committed);
        }
        noteProof(number, line.text, line.outcome, line.skipped);
        line.outcome.proofPictures.clear();
        line.outcome.proofPictures.shrink_to_fit();
        if (line.record && !line.output.empty()) {
            const auto found = run->pending.find(line.output);
            if (found != run->pending.end()) {
                run->pending.erase(found);
            }
        }
        line.outcome.bytes.clear();
        line.outcome.bytes.shrink_to_fit();
        line.streams[0].clear();
        line.streams[1].clear();
        run->committed++;
    }
}

std::vector<WORKER_T *> runningWorkers(const RUN_T *run, std::vector<size_t> *slots) {
    std::vector<WORKER_T *> workers;
    slots->clear();
    for (size_t i = 0; i < run->slots.size(); i++) {
        if (run->slots[i].worker != nullptr) {
            workers.push_back(run->slots[i].worker);
            slots->push_back(i);
        }
    }
    return workers;
}

// The lines not yet settled fail; for a run that could not go on.
void abandonRest(RUN_T *run) {
    for (size_t i = run->committed; i < run->lines.size(); i++) {
        LINE_T &line = run->lines[i];
        if (!line.done) {
            line.outcome.status = line.record ? LINE_NO_OUTPUT : LINE_NOT_A_RECORD;
            line.outcome.problem = "the run could not hand this line to a worker";
            line.outcome.mayRemove = false;
            line.done = true;
            settle(run, i, 0);
        }
    }
    run->dispatched = run->lines.size();
    commitReady(run);
}

// Waits for a busy worker, then reads what it sent; deadlines are checked on the way. False
// when no worker has anything to do.
bool waitAndRead(RUN_T *run) {
    std::vector<size_t> slots;
    std::vector<WORKER_T *> workers = runningWorkers(run, &slots);
    size_t busy = 0;
    for (size_t i = 0; i < workers.size(); i++) {
        const SLOT_T &slot = run->slots[slots[i]];
        if (slot.current < slot.end || (slot.finalAsked && !slot.finalDone)) {
            workers[busy] = workers[i];
            slots[busy] = slots[i];
            busy++;
        }
    }
    workers.resize(busy);
    if (workers.empty()) {
        return false;
    }
    const int ready =
        waitForWorkers(workers.data(), static_cast<int>(workers.size()), untilNextDeadline(run));
    if (ready >= 0) {
        readAnswers(run, slots[static_cast<size_t>(ready)]);
    }
    checkDeadlines(run);
    return true;
}

// Leaves in the temporary bitmap the decode a run in one process leaves there: that of the last
// line, up to where the run ended, that decoded (or reused a decode).
void finishTemporaryBitmap(RUN_T *run) {
    if (run->lastTemporary < 0) {
        if (run->createdTemporary) {
            removeFileNow(TEMP_BITMAP_NAME);
        }
        return;
    }
    const LINE_T &line = run->lines[static_cast<size_t>(run->lastTemporary)];
    if (run->state->path != nullptr) {
        if (line.outcome.status == LINE_SKIPPED &&
            temporaryStillHolds(run->state, line.text, line.position)) {
            rememberTemporary(run->state, line.text, line.position);
            return;
        }
    }
    takeRunLockOnce(run);
    // The worker that converted the line may still hold its decode; an idle one will do.
    size_t chosen = run->slots.size();
    for (size_t i = 0; i < run->slots.size(); i++) {
        const SLOT_T &slot = run->slots[i];
        if (slot.worker != nullptr && slot.current == slot.end &&
            (chosen == run->slots.size() || i == line.slot)) {
            chosen = i;
        }
    }
    if (chosen == run->slots.size()) {
        // After a stop at a line, the others may still be busy with lines that do not count.
        chosen = 0;
        endWorker(run, 0, nullptr);
    }
    // A worker that ends before it answers leaves the file as it was: a fresh one tries again.
    for (int attempt = 0; attempt < 2; attempt++) {
        SLOT_T *slot = &run->slots[chosen];
        if (slot->worker == nullptr && !startSlot(run, slot, chosen)) {
            break;
        }
        MESSAGE_T message = startMessage(REQUEST_FINAL);
        putText(&message, line.outcome.picture);
        putText(&message, pluginPathOf(line.plugin.c_str()));
        slot->finalAsked = true;
        slot->finalDone = false;
        bool answered = false;
        if (send(slot, &message)) {
            while (slot->worker != nullptr && !slot->finalDone) {
                WORKER_T *worker = slot->worker;
                if (waitForWorkers(&worker, 1, -1) == 0) {
                    readAnswers(run, chosen);
                }
            }
            answered = slot->worker != nullptr;
        }
        if (answered) {
            break;
        }
        endWorker(run, chosen, nullptr);
    }
    if (run->state->path != nullptr) {
        rememberTemporary(run->state, line.text, line.position);
    }
}

}  // namespace

int runCoordinator(const RUN_OPTIONS_T &options, const std::vector<std::string> &lines,
                   RUN_STATE_T *state) {
    RUN_T run;
    run.options = &options;
    run.state = state;
    readLines(lines, &run);
    run.slots.resize(static_cast<size_t>(options.jobs));
    for (SLOT_T &slot : run.slots) {
        slot.worker = nullptr;
        slot.first = slot.end = slot.current = 0;
        slot.startSent = slot.awaitingStart = false;
        slot.deadline = 0;
        slot.finalAsked = slot.finalDone = false;
    }
    run.dispatched = run.known = run.committed = 0;
    run.position = 0;
    run.withoutOutput = 0;
    run.fatal = false;
    run.lastTemporary = -1;
    run.runLocked = false;
    run.createdTemporary = false;
    installStopHandlers(onStop);
    while (run.committed < run.lines.size() && !run.fatal) {
        // A commit can free a line to be handed out, and a hand-out can settle lines.
        size_t committed;
        size_t dispatched;
        do {
            committed = run.committed;
            dispatched = run.dispatched;
            dispatch(&run);
            sendStarts(&run);
            commitReady(&run);
        } while (!run.fatal && (run.committed != committed || run.dispatched != dispatched));
        if (run.committed < run.lines.size() && !run.fatal && !waitAndRead(&run)) {
            // Nothing runs and nothing more can start: never wait for what cannot come.
            abandonRest(&run);
        }
    }
    finishTemporaryBitmap(&run);
    // All told first, so that they end side by side.
    for (SLOT_T &slot : run.slots) {
        if (slot.worker != nullptr) {
            askWorkerToEnd(slot.worker);
        }
    }
    for (size_t i = 0; i < run.slots.size(); i++) {
        if (run.slots[i].worker != nullptr) {
            releaseSlot(&run.slots[i], i, nullptr);
        }
    }
    if (run.fatal) {
        return EXIT_USAGE_OR_PLUGIN;
    }
    return run.withoutOutput > 0 ? EXIT_LINE_WITHOUT_OUTPUT : EXIT_ALL_WRITTEN;
}
