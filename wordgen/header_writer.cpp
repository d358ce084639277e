#include "header_writer.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

// Names go in as arguments, never as formats, so a '%' in a name stays a '%'.
bool writeBody(FILE *file, const NATIVE_WORD_NODE_T *head) {
    if (std::fputs("/* This file auto genareted */\n", file) < 0) {
        return false;
    }
    for (const NATIVE_WORD_NODE_T *n = head; n != nullptr; n = n->next) {
        if (std::fprintf(file, "NATIVEWORD(%s);\n", n->func) < 0) {
            return false;
        }
    }
    if (std::fputs("\n#ifdef _NATIVEWORD_TABEL_SET_\n"
                   "NATIVE_WORD_LIST_T g_native_word_table[]= {\n",
                   file) < 0) {
        return false;
    }
    for (const NATIVE_WORD_NODE_T *n = head; n != nullptr; n = n->next) {
        if (std::fprintf(file, " {\"%s\", %s},\n", n->word, n->func) < 0) {
            return false;
        }
    }
    return std::fputs("};\n#endif\n", file) >= 0;
}

}  // namespace

int writeHeader(const char *path, const NATIVE_WORD_NODE_T *head) {
    FILE *file = std::fopen(path, "w");
    if (file == nullptr) {
        return 1;
    }
    // A full disk must not pass for success: the build would go on with a cut-off table.
    bool written = writeBody(file, head);
    if (std::fclose(file) != 0) {
        written = false;
    }
    if (!written) {
        // A cut-off table left behind would look like a good, newer header to the build.
        // Devices and pipes are left alone.
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) {
            std::remove(path);
        }
        return 1;
    }
    return 0;
}
