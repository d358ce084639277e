#include "picconv/driver/command_record.h"

#include <ctype.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char *skipDigits(const char *p) {
    while (*p != '\0' && isdigit(static_cast<unsigned char>(*p))) {
        p++;
    }
    return p;
}

const char *skipNonDigits(const char *p) {
    while (*p != '\0' && !isdigit(static_cast<unsigned char>(*p))) {
        p++;
    }
    return p;
}

uint16_t low16(int value) {
    return static_cast<uint16_t>(value);
}

}  // namespace

int splitCommandRecord(char *text, char *fields[FIELD_COUNT]) {
    char *p = text;
    for (int index = 0; index < FIELD_COUNT; index++) {
        fields[index] = p;
        while (*p != '\0' && *p != '|') {
            p++;
        }
        if (*p == '|') {
            *p++ = '\0';
        } else if (index < FIELD_COUNT - 1) {
            return 0;
        }
    }
    return 1;
}

RECORD_COPY_T copyCommandRecord(const char *line, char **copy, char *fields[FIELD_COUNT]) {
    const size_t length = strlen(line);
    *copy = static_cast<char *>(malloc(length + 1));
    if (*copy == nullptr) {
        return RECORD_NO_MEMORY;
    }
    memcpy(*copy, line, length + 1);
    if (!splitCommandRecord(*copy, fields)) {
        free(*copy);
        *copy = nullptr;
        return RECORD_SHORT;
    }
    return RECORD_COMPLETE;
}

// Only digits are skipped before the separators, so a leading blank or sign makes atoi read
// the same number twice; command files may rely on that.
const char *nextQuadNumber(const char *p) {
    return skipNonDigits(skipDigits(p));
}

QUAD_T parseQuad(const char *text) {
    QUAD_T quad;
    const char *p = text;
    quad.x = static_cast<int16_t>(low16(atoi(p)));
    p = nextQuadNumber(p);
    quad.y = static_cast<int16_t>(low16(atoi(p)));
    p = nextQuadNumber(p);
    quad.w = low16(atoi(p));
    p = nextQuadNumber(p);
    quad.h = low16(atoi(p));
    return quad;
}
