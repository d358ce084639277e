// The messages between a parallel run's coordinator and its workers. Each is a 4-byte length,
// then a kind byte and fields: numbers as 8 little-endian bytes, texts and byte strings as a
// number and that many bytes. Requests go to a worker's standard input, answers come back on a
// channel of their own, because a plug-in may write to the standard streams.
#ifndef PICCONV_DRIVER_WORKER_PROTOCOL_H
#define PICCONV_DRIVER_WORKER_PROTOCOL_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

enum MESSAGE_KIND_T {
    // To a worker.
    REQUEST_LINES = 1,  // first line number, count, whether the group's noise position is known
                        // and which it is, the lines' texts: convert them in order
    REQUEST_START,      // the noise position before the group's first line
    REQUEST_FINAL,      // picture, plug-in: leave their decode in the run's temporary bitmap
    // From a worker.
    ANSWER_REACHED = 16,  // line number, noise values it draws: it made its output surface
    ANSWER_DONE,          // line number and its outcome (see the coordinator)
    ANSWER_FINAL          // 1 when the temporary bitmap holds the decode asked for
};

// The largest message either side accepts: a line's "PMBP" file can be 268 MB.
const uint32_t MESSAGE_LIMIT = 512u << 20;

struct MESSAGE_T {
    std::vector<uint8_t> bytes;  // length, kind, fields
    size_t read;                 // where the next field is read from
    bool damaged;                // a field read past the end, or a text too long
};

// A message of kind, to which fields are added.
MESSAGE_T startMessage(MESSAGE_KIND_T kind);
void putNumber(MESSAGE_T *message, uint64_t value);
void putText(MESSAGE_T *message, const std::string &text);
void putBytes(MESSAGE_T *message, const uint8_t *data, size_t size);
// Fills in the length; the bytes are then ready to send.
void finishMessage(MESSAGE_T *message);

// A received message (length and kind included) whose fields are read in order; a read past
// the end marks it damaged and gives 0 or empty.
MESSAGE_T openMessage(std::vector<uint8_t> bytes);
MESSAGE_KIND_T messageKind(const MESSAGE_T *message);
uint64_t takeNumber(MESSAGE_T *message);
std::string takeText(MESSAGE_T *message);
void takeBytes(MESSAGE_T *message, std::vector<uint8_t> *bytes);

// The length a message's first 4 bytes give; 0 when they are not a length this side accepts.
uint32_t messageLength(const uint8_t header[4]);

#endif
