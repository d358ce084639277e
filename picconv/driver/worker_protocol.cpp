#include "picconv/driver/worker_protocol.h"

#include "common/little_endian.h"

namespace {

enum { LENGTH_SIZE = 4, NUMBER_SIZE = 8 };

bool fits(const MESSAGE_T *message, uint64_t size) {
    return !message->damaged && size <= message->bytes.size() - message->read;
}

}  // namespace

MESSAGE_T startMessage(MESSAGE_KIND_T kind) {
    MESSAGE_T message = {std::vector<uint8_t>(LENGTH_SIZE + 1), 0, false};
    message.bytes[LENGTH_SIZE] = static_cast<uint8_t>(kind);
    return message;
}

void putNumber(MESSAGE_T *message, uint64_t value) {
    for (int i = 0; i < NUMBER_SIZE; i++) {
        message->bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

void putText(MESSAGE_T *message, const std::string &text) {
    putBytes(message, reinterpret_cast<const uint8_t *>(text.data()), text.size());
}

void putBytes(MESSAGE_T *message, const uint8_t *data, size_t size) {
    putNumber(message, size);
    message->bytes.insert(message->bytes.end(), data, data + size);
}

void finishMessage(MESSAGE_T *message) {
    storeLe32(message->bytes.data(), static_cast<uint32_t>(message->bytes.size() - LENGTH_SIZE));
}

MESSAGE_T openMessage(std::vector<uint8_t> bytes) {
    MESSAGE_T message = {std::move(bytes), LENGTH_SIZE + 1, false};
    message.damaged = message.bytes.size() < LENGTH_SIZE + 1;
    return message;
}

MESSAGE_KIND_T messageKind(const MESSAGE_T *message) {
    return message->bytes.size() > LENGTH_SIZE
               ? static_cast<MESSAGE_KIND_T>(message->bytes[LENGTH_SIZE])
               : static_cast<MESSAGE_KIND_T>(0);
}

uint64_t takeNumber(MESSAGE_T *message) {
    if (!fits(message, NUMBER_SIZE)) {
        message->damaged = true;
        return 0;
    }
    uint64_t value = 0;
    for (int i = 0; i < NUMBER_SIZE; i++) {
        value |= static_cast<uint64_t>(message->bytes[message->read + i]) << (8 * i);
    }
    message->read += NUMBER_SIZE;
    return value;
}

std::string takeText(MESSAGE_T *message) {
    const uint64_t size = takeNumber(message);
    if (!fits(message, size)) {
        message->damaged = true;
        return std::string();
    }
    const char *start = reinterpret_cast<const char *>(message->bytes.data() + message->read);
    message->read += static_cast<size_t>(size);
    return std::string(start, static_cast<size_t>(size));
}

void takeBytes(MESSAGE_T *message, std::vector<uint8_t> *bytes) {
    const uint64_t size = takeNumber(message);
    if (!fits(message, size)) {
        message->damaged = true;
        bytes->clear();
        return;
    }
    const uint8_t *start = message->bytes.data() + message->read;
    bytes->assign(start, start + size);
    message->read += static_cast<size_t>(size);
}

uint32_t messageLength(const uint8_t header[4]) {
    const uint32_t length = loadLe32(header);
    return length >= 1 && length <= MESSAGE_LIMIT ? length : 0;
}
