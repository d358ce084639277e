// The command record split and parseQuad on any line: fields must cover the line exactly up to
// a fifth bar, and the numbers are read without leaving the text.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "picconv/driver/command_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // As the converter reads them: at most 3999 characters, cut at the first NUL.
    std::string line(reinterpret_cast<const char *>(data), size < 3999 ? size : 3999);
    line.resize(strlen(line.c_str()));
    // An exact-size copy, so that any read past the terminator is caught.
    char *copy = static_cast<char *>(malloc(line.size() + 1));
    memcpy(copy, line.c_str(), line.size() + 1);
    char *fields[FIELD_COUNT];
    if (splitCommandRecord(copy, fields)) {
        std::string joined;
        for (int index = 0; index < FIELD_COUNT; index++) {
            if (fields[index] < copy || fields[index] > copy + line.size()) {
                abort();
            }
            joined += fields[index];
            joined += index + 1 < FIELD_COUNT ? "|" : "";
        }
        if (line.compare(0, joined.size(), joined) != 0 ||
            (joined.size() < line.size() && line[joined.size()] != '|')) {
            abort();
        }
        const QUAD_T source = parseQuad(fields[FIELD_SOURCE_QUAD]);
        const QUAD_T output = parseQuad(fields[FIELD_OUTPUT_QUAD]);
        (void)source;
        (void)output;
    } else if (strchr(line.c_str(), '|') != nullptr && line.size() > 0) {
        // Fewer than five fields means fewer than four bars.
        size_t bars = 0;
        for (char c : line) {
            bars += c == '|';
        }
        if (bars >= FIELD_COUNT - 1) {
            abort();
        }
    }
    free(copy);
    const QUAD_T whole = parseQuad(line.c_str());
    (void)whole;
    return 0;
}
