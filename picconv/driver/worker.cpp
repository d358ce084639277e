#include "picconv/driver/worker.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "SDL.h"

#include "picconv/diagnostics/diagnostics.h"
#include "picconv/diagnostics/stage_times.h"
#include "picconv/driver/convert_line.h"
#include "picconv/driver/converter.h"
#include "picconv/driver/input_paths.h"
#include "picconv/driver/worker_protocol.h"
#include "picconv/imaging/dither_noise.h"
#include "picconv/plugin/decode_cache.h"
#include "picconv/plugin/plugin_entries.h"
#include "picconv/plugin/temp_bitmap.h"
#include "picconv/proof/proof.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/workers.h"

const char WORKER_OPTION[] = "--worker";

namespace {

// The line in progress, for the noise and for a plug-in that ends the worker.
struct WORKER_LINE_T {
    uintptr_t channel;
    const char *commandFile;
    uint64_t number;
    uint64_t streamsFrom[2];
    bool haveStart;
    uint64_t position;  // where the next line that draws noise starts
    STAGE_TIMES_T timesBefore;
};

WORKER_LINE_T *g_line = nullptr;

bool send(uintptr_t channel, MESSAGE_T *message) {
    finishMessage(message);
    return sendAnswer(channel, message->bytes.data(), message->bytes.size()) != 0;
}

// The next request; false when the coordinator has gone or sent what cannot be read.
bool receive(MESSAGE_T *message) {
    uint8_t header[4];
    if (!receiveRequest(header, sizeof header)) {
        return false;
    }
    const uint32_t length = messageLength(header);
    if (length == 0) {
        return false;
    }
    std::vector<uint8_t> bytes(4 + static_cast<size_t>(length));
    memcpy(bytes.data(), header, 4);
    if (!receiveRequest(bytes.data() + 4, length)) {
        return false;
    }
    *message = openMessage(std::move(bytes));
    return true;
}

void markStreams(uint64_t positions[2]) {
    fflush(stdout);
    fflush(stderr);
    positions[WORKER_OUTPUT] = standardStreamPosition(WORKER_OUTPUT);
    positions[WORKER_ERROR] = standardStreamPosition(WORKER_ERROR);
}

void sendDone(const WORKER_LINE_T *line, const LINE_OUTCOME_T *outcome) {
    const STAGE_TIMES_T now = stageTimes();
    uint64_t to[2];
    markStreams(to);
    MESSAGE_T message = startMessage(ANSWER_DONE);
    putNumber(&message, line->number);
    putNumber(&message, outcome->status);
    for (int stream = 0; stream < 2; stream++) {
        putNumber(&message, line->streamsFrom[stream]);
        putNumber(&message, to[stream]);
    }
    putNumber(&message, outcome->mayRemove ? 1 : 0);
    putNumber(&message, outcome->draws);
    putNumber(&message, outcome->pictureNoted ? 1 : 0);
    putText(&message, outcome->picture);
    putText(&message, outcome->pluginFile);
    putNumber(&message, outcome->usedTemporary ? 1 : 0);
    putText(&message, outcome->output);
    putText(&message, outcome->problem);
    putBytes(&message, outcome->bytes.data(), outcome->bytes.size());
    putText(&message, outcome->proofPictures);
    // What the line's stages took here, for the coordinator's --stats.
    for (int stage = 0; stage < STAGE_COUNT; stage++) {
        putNumber(&message, now.nanoseconds[stage] - line->timesBefore.nanoseconds[stage]);
        putNumber(&message, now.counts[stage] - line->timesBefore.counts[stage]);
    }
    send(line->channel, &message);
}

// Before the line's first noise value: says how many it draws and learns where they start.
void placeNoise(void *context, uint64_t draws) {
    WORKER_LINE_T *line = static_cast<WORKER_LINE_T *>(context);
    MESSAGE_T reached = startMessage(ANSWER_REACHED);
    putNumber(&reached, line->number);
    putNumber(&reached, draws);
    send(line->channel, &reached);
    if (!line->haveStart) {
        MESSAGE_T start;
        if (!receive(&start) || messageKind(&start) != REQUEST_START) {
            // Without its position the line cannot be drawn right; the coordinator has gone.
            exit(1);
        }
        line->position = takeNumber(&start);
        line->haveStart = true;
    }
    seekNoise(line->position);
    line->position += draws;
}

// A plug-in that cannot be loaded ends the run at this line; the coordinator says so.
void onFatalLoad() {
    if (g_line != nullptr) {
        LINE_OUTCOME_T outcome = emptyOutcome();
        outcome.status = LINE_FATAL;
        sendDone(g_line, &outcome);
    }
}

void convertLines(uintptr_t channel, const char *commandFile, MESSAGE_T *request) {
    const uint64_t first = takeNumber(request);
    const uint64_t count = takeNumber(request);
    const bool startKnown = takeNumber(request) != 0;
    const uint64_t start = takeNumber(request);
    WORKER_LINE_T line = {channel, commandFile, first, {0, 0}, startKnown, start, stageTimes()};
    g_line = &line;
    for (uint64_t i = 0; i < count && !request->damaged; i++) {
        const std::string text = takeText(request);
        line.number = first + i;
        line.timesBefore = stageTimes();
        markStreams(line.streamsFrom);
        LINE_OUTCOME_T outcome;
        prepareLine(text.c_str(), commandFile, static_cast<long>(line.number), placeNoise, &line,
                    &outcome);
        sendDone(&line, &outcome);
    }
    g_line = nullptr;
}

bool copyFile(const char *from, const char *to) {
    FILE *in = fopen(from, "rb");
    FILE *out = in != nullptr ? openRegularFileNoFollow(to, "wb") : nullptr;
    bool copied = out != nullptr;
    char buffer[65536];
    size_t got;
    while (copied && in != nullptr && (got = fread(buffer, 1, sizeof buffer, in)) > 0) {
        copied = fwrite(buffer, 1, got, out) == got;
    }
    copied = copied && !ferror(in);
    if (in != nullptr) {
        fclose(in);
    }
    if (out != nullptr && fclose(out) != 0) {
        copied = false;
    }
    return copied;
}

// Leaves the decode of picture through plugin in the run's temporary bitmap, quietly: from the
// worker's own file when that still holds it, else decoded again.
void finishTemporaryBitmap(uintptr_t channel, const char *privateBitmap, MESSAGE_T *request) {
    const std::string picture = takeText(request);
    const std::string plugin = takeText(request);
    bool done = pluginPathRemembered(plugin.c_str()) &&
                pictureRemembered(picture.c_str(), privateBitmap) &&
                copyFile(privateBitmap, TEMP_BITMAP_NAME);
    if (!done) {
        setReportLine(nullptr, 0);
        forgetPicture();
        decodeIntoPrivateBitmap(TEMP_BITMAP_NAME);
        int fresh = 0;
        done = decodeToTempBitmap(picture.c_str(), plugin.c_str(), &fresh) != nullptr ||
               temporaryBitmapUsed();
        decodeIntoPrivateBitmap(privateBitmap);
        forgetPicture();
    }
    MESSAGE_T answer = startMessage(ANSWER_FINAL);
    putNumber(&answer, done ? 1 : 0);
    send(channel, &answer);
}

}  // namespace

int runWorker(int argc, char **argv) {
    if (argc != 2 + WORKER_ARGUMENT_COUNT || strcmp(argv[1], WORKER_OPTION) != 0) {
        return EXIT_USAGE_OR_PLUGIN;
    }
    const char *const *arguments = argv + 2;
    const uintptr_t channel = openAnswerChannel(arguments[5]);
    if (channel == 0) {
        return EXIT_USAGE_OR_PLUGIN;
    }
    endWithStarter();
    setEnvironmentDefault("SDL_VIDEODRIVER", "dummy");
    reuseLargeBlocks(PLUGIN_MAX_PIXEL_BYTES);
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        return EXIT_SDL_FAILED;
    }
    atexit(SDL_Quit);
    installStopHandlers(nullptr);
    setKeepGoing(strcmp(arguments[0], "1") == 0);
    setInputFolder(arguments[1]);
    const char *commandFile = arguments[2];
    const char *privateBitmap = arguments[3];
    setProofFolder(arguments[4][0] != '\0' ? arguments[4] : nullptr);
    decodeIntoPrivateBitmap(privateBitmap);
    setFatalLoadHook(onFatalLoad);
    MESSAGE_T request;
    while (receive(&request)) {
        switch (messageKind(&request)) {
            case REQUEST_LINES:
                convertLines(channel, commandFile, &request);
                break;
            case REQUEST_FINAL:
                finishTemporaryBitmap(channel, privateBitmap, &request);
                break;
            default:
                return EXIT_USAGE_OR_PLUGIN;
        }
    }
    releaseKeptSource();
    removeFileNow(privateBitmap);
    return EXIT_ALL_WRITTEN;
}
