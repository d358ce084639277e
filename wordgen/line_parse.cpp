#include "wordgen/native_word.h"

#include <stdlib.h>
#include <string.h>

namespace {

const char MARKER[] = "NATIVEWORD(";

// isspace() in the "C" locale, without depending on the locale or on the sign of char.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Takes characters up to and including the first whitespace one; a run of blanks is not skipped.
const char *skipPastWhitespace(const char *p) {
    while (*p != '\0') {
        const char taken = *p++;
        if (isBlank(taken)) {
            break;
        }
    }
    return p;
}

char *copyText(const char *begin, size_t length) {
    char *copy = static_cast<char *>(malloc(length + 1));
    if (copy != nullptr) {
        memcpy(copy, begin, length);
        copy[length] = '\0';
    }
    return copy;
}

}  // namespace

NATIVE_WORD_NODE_T parseLine(const char *line) {
    NATIVE_WORD_NODE_T result = {nullptr, nullptr, nullptr};

    const char *marker = strstr(line, MARKER);
    if (marker == nullptr) {
        return result;
    }
    const char *name = marker + sizeof MARKER - 1;
    const char *p = strchr(name, ')');
    if (p == nullptr) {
        p = name + strlen(name);
    }
    result.func = copyText(name, static_cast<size_t>(p - name));
    if (result.func == nullptr) {
        return result;
    }

    p = skipPastWhitespace(p);
    if (*p != '{') {
        return result;
    }
    p = skipPastWhitespace(p + 1);
    if (p[0] != '/' || p[1] != '*') {
        return result;
    }
    p = skipPastWhitespace(p + 2);

    const char *end = p;
    while (*end != '\0' && !isBlank(*end)) {
        ++end;
    }
    result.word = copyText(p, static_cast<size_t>(end - p));
    return result;
}
