#include "wordgen/header_writer.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "common/safe_file.h"

namespace {

// Names go in as arguments, never as formats, so a '%' in a name stays a '%'.
bool writeBody(FILE *file, const NATIVE_WORD_NODE_T *head) {
    if (fputs("/* This file auto genareted */\n", file) < 0) {
        return false;
    }
    for (const NATIVE_WORD_NODE_T *n = head; n != nullptr; n = n->next) {
        if (fprintf(file, "NATIVEWORD(%s);\n", n->func) < 0) {
            return false;
        }
    }
    if (fputs("\n#ifdef _NATIVEWORD_TABEL_SET_\n"
              "NATIVE_WORD_LIST_T g_native_word_table[]= {\n",
              file) < 0) {
        return false;
    }
    for (const NATIVE_WORD_NODE_T *n = head; n != nullptr; n = n->next) {
        if (fprintf(file, " {\"%s\", %s},\n", n->word, n->func) < 0) {
            return false;
        }
    }
    return fputs("};\n#endif\n", file) >= 0;
}

// A build that stops on status 1 must be told which path failed and why.
int cannotWrite(const char *path, int error) {
    fprintf(stderr, "wordgen: cannot write %s: %s\n", path, strerror(error != 0 ? error : EIO));
    return 1;
}

}  // namespace

int writeHeader(const char *path, const NATIVE_WORD_NODE_T *head) {
    SAFE_FILE_T safe;
    if (!openSafeFile(path, "w", &safe)) {
        return cannotWrite(path, errno);
    }
    // A full disk must not pass for success: the build would go on with a cut-off table.
    if (!writeBody(safe.file, head)) {
        const int error = errno;
        abandonSafeFile(&safe);
        return cannotWrite(path, error);
    }
    return commitSafeFile(&safe) ? 0 : cannotWrite(path, errno);
}
