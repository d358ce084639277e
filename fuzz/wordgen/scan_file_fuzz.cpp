// scanFile on a file made from the input must find exactly the words that a plain
// fgets(buffer, 256) scan hands to addList. The first byte picks whether the input stands
// alone or behind about a megabyte of filler, so that it straddles the reader's first block
// end at an offset the next two bytes choose.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "platform/files.h"
#include "wordgen/native_word.h"
#include "wordgen/scan_file.h"

namespace {

// The reader's block size; the filler ends up to 1023 bytes short of it.
const size_t BLOCK_SIZE = static_cast<size_t>(1) << 20;

char *g_input_path = nullptr;

void removeInputFile() {
    if (g_input_path != nullptr) {
        removeFileNow(g_input_path);
    }
}

// The file is fillerLength bytes of filler, then text. The filler is text's own lines, repeated,
// with no marker left in them: the cut into pieces before the block end follows the input's
// shape, but only the input itself yields words.
bool writeInputFile(const std::string &text, size_t fillerLength) {
    removeFileNow(g_input_path);
    FILE *file = fopen(g_input_path, "wb");
    if (file == nullptr) {
        return false;
    }
    std::string unit = text.empty() ? std::string("x\n") : text;
    std::replace(unit.begin(), unit.end(), 'N', 'n');
    bool written = true;
    for (size_t left = fillerLength; left > 0 && written;) {
        const size_t part = std::min(left, unit.size());
        written = fwrite(unit.data(), 1, part, file) == part;
        left -= part;
    }
    written = written && fwrite(text.data(), 1, text.size(), file) == text.size();
    return fclose(file) == 0 && written;
}

NATIVE_WORD_NODE_T *scanWithFgets(const char *path) {
    NATIVE_WORD_NODE_T *head = nullptr;
    FILE *file = fopen(path, "r");
    if (file == nullptr) {
        abort();
    }
    char buffer[256];
    while (fgets(buffer, sizeof buffer, file) != nullptr) {
        // Saves parsing the filler, which has no 'N'; addList finds nothing there either.
        if (strchr(buffer, 'N') != nullptr) {
            head = addList(buffer, head);
        }
    }
    fclose(file);
    return head;
}

bool sameWords(const NATIVE_WORD_NODE_T *a, const NATIVE_WORD_NODE_T *b) {
    for (; a != nullptr && b != nullptr; a = a->next, b = b->next) {
        if (strcmp(a->func, b->func) != 0 || strcmp(a->word, b->word) != 0) {
            return false;
        }
    }
    return a == nullptr && b == nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    const char *folder = getenv("TMPDIR");
    const std::string near =
        std::string(folder != nullptr && folder[0] != '\0' ? folder : "/tmp") + "/wordgen-fuzz";
    FILE *file = createTemporaryBeside(near.c_str(), "wb", &g_input_path);
    if (file == nullptr) {
        perror("wordgen-fuzz: temporary file");
        abort();
    }
    fclose(file);
    atexit(removeInputFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::string text(reinterpret_cast<const char *>(data) + 3, size - 3);
    size_t fillerLength = 0;
    // The filler costs a megabyte a run: one run in eight.
    if ((data[0] & 7) == 7) {
        fillerLength = BLOCK_SIZE - static_cast<size_t>(data[1] | data[2] << 8) % 1024;
    }
    if (!writeInputFile(text, fillerLength)) {
        abort();
    }
    NATIVE_WORD_NODE_T *expected = scanWithFgets(g_input_path);
    NATIVE_WORD_NODE_T *found = scanFile(g_input_path, nullptr, nullptr);
    if (!sameWords(found, expected)) {
        abort();
    }
    freeList(expected);
    freeList(found);
    return 0;
}
