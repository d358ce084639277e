// parseLine on any text: it must stay inside the text, and what it finds must stand in the
// text where the line grammar puts it.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "wordgen/native_word.h"

namespace {

const char MARKER[] = "NATIVEWORD(";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void check(bool condition) {
    if (!condition) {
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // Exactly as long as the input, so a read past its end is caught.
    char *line = static_cast<char *>(malloc(size + 1));
    memcpy(line, data, size);
    line[size] = '\0';

    const NATIVE_WORD_NODE_T n = parseLine(line);
    check(n.next == nullptr);
    const char *marker = strstr(line, MARKER);
    if (marker == nullptr) {
        check(n.func == nullptr && n.word == nullptr);
    } else {
        // The name runs from the marker to the first ')' or the end of the text.
        const char *name = marker + sizeof MARKER - 1;
        const size_t nameLength = strcspn(name, ")");
        check(n.func != nullptr && strlen(n.func) == nameLength &&
              memcmp(n.func, name, nameLength) == 0);
        if (n.word != nullptr) {
            // A run of non-blanks that ends the text or a blank, found after "/*" behind the name.
            const size_t wordLength = strlen(n.word);
            const char *opening = strstr(name + nameLength, "/*");
            check(opening != nullptr);
            bool standsThere = false;
            for (const char *at = strstr(opening + 2, n.word); at != nullptr && !standsThere;
                 at = *at != '\0' ? strstr(at + 1, n.word) : nullptr) {
                standsThere = at[wordLength] == '\0' || isBlank(at[wordLength]);
            }
            check(standsThere);
            for (size_t i = 0; i < wordLength; ++i) {
                check(!isBlank(n.word[i]));
            }
        }
    }
    free(n.func);
    free(n.word);
    free(line);
    return 0;
}
