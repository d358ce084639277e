#include "wordgen/scan_file.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

char g_line_buffer[256];

namespace {

// The pieces fgets(g_line_buffer, 256, file) would deliver: up to and including a line feed,
// at most 255 characters. Files are read in big blocks and only the pieces that hold a
// marker are copied out and parsed; a piece without one cannot yield a word.
const size_t PIECE_MAX = sizeof g_line_buffer - 1;
const size_t BLOCK_SIZE = static_cast<size_t>(1) << 20;
const char MARKER[] = "NATIVEWORD(";
const size_t MARKER_LENGTH = sizeof MARKER - 1;
const size_t RARE_INDEX = 6;  // 'W': rarer in C sources than the marker's first letter

// A block, plus room for the unfinished piece carried over from the block before.
char g_read_block[PIECE_MAX + BLOCK_SIZE];

const char *findMarker(const char *begin, const char *end) {
    if (static_cast<size_t>(end - begin) < MARKER_LENGTH) {
        return nullptr;
    }
    const char *p = begin + RARE_INDEX;
    const char *last = end - (MARKER_LENGTH - RARE_INDEX) + 1;
    while (p < last) {
        p = static_cast<const char *>(memchr(p, MARKER[RARE_INDEX], static_cast<size_t>(last - p)));
        if (p == nullptr) {
            return nullptr;
        }
        if (memcmp(p - RARE_INDEX, MARKER, MARKER_LENGTH) == 0) {
            return p - RARE_INDEX;
        }
        ++p;
    }
    return nullptr;
}

// One input file being read. Its line feeds are counted only when something may be said.
struct SCAN_T {
    const char *path;
    FILE *messages;    // null: nothing is said
    uint64_t lines;    // line feeds before countedTo
    size_t countedTo;  // in the current block
};

// In steps of 240 bytes (a multiple of 16 whose count fits a byte), which compilers turn into
// vector code: the count then costs little beside the marker search.
uint64_t countLineFeeds(const char *text, size_t length) {
    const size_t STEP = 240;
    uint64_t count = 0;
    size_t i = 0;
    for (; i + STEP <= length; i += STEP) {
        unsigned char inStep = 0;
        for (size_t k = 0; k < STEP; ++k) {
            inStep = static_cast<unsigned char>(inStep + (text[i + k] == '\n' ? 1 : 0));
        }
        count += inStep;
    }
    for (; i < length; ++i) {
        count += text[i] == '\n' ? 1 : 0;
    }
    return count;
}

void countLinesUpTo(const char *text, size_t position, SCAN_T *scan) {
    scan->lines += countLineFeeds(text + scan->countedTo, position - scan->countedTo);
    scan->countedTo = position;
}

// The header writes names as they stand: these make a table entry that cannot be looked up,
// or a header that does not compile.
void warnAboutWord(const NATIVE_WORD_NODE_T *n, const SCAN_T *scan) {
    const unsigned long long line = scan->lines + 1;
    if (n->word[0] == '\0') {
        fprintf(scan->messages,
                "%s:%llu: warning: NATIVEWORD(%s) gives an empty word, so its table entry cannot "
                "be looked up (the line must read NATIVEWORD(func) { /* word */, one blank or tab "
                "at each of the three places)\n",
                scan->path, line, n->func);
    }
    if (n->func[0] == '\0') {
        fprintf(scan->messages,
                "%s:%llu: warning: NATIVEWORD() gives an empty function name, so the table "
                "entry of the word %s names no function\n",
                scan->path, line, n->word);
    }
    if (const char *bad = strpbrk(n->word, "\"\\")) {
        fprintf(scan->messages,
                "%s:%llu: warning: the word %s of NATIVEWORD(%s) holds a %s, which the header "
                "writes as it stands, so the table does not compile or holds another word\n",
                scan->path, line, n->word, n->func, *bad == '"' ? "double quote" : "backslash");
    }
    if (const char *bad = strpbrk(n->func, "\"\\")) {
        fprintf(scan->messages,
                "%s:%llu: warning: NATIVEWORD(%s) holds a %s in its function name, which the "
                "header writes as it stands, so the header does not compile\n",
                scan->path, line, n->func, *bad == '"' ? "double quote" : "backslash");
    }
}

// text[0, end) starts at a piece boundary and holds whole pieces only.
NATIVE_WORD_NODE_T *scanPieces(const char *text, size_t end, NATIVE_WORD_NODE_T *head,
                               SCAN_T *scan) {
    size_t pos = 0;  // always the start of a piece
    while (pos < end) {
        const char *marker = findMarker(text + pos, text + end);
        if (marker == nullptr) {
            break;
        }
        const size_t at = static_cast<size_t>(marker - text);
        size_t lineStart = at;
        while (lineStart > pos && text[lineStart - 1] != '\n') {
            --lineStart;
        }
        // With no line feed between pos and the marker, pieces run on from pos in 255 steps.
        const size_t pieceStart = lineStart + (at - lineStart) / PIECE_MAX * PIECE_MAX;
        const size_t limit = pieceStart + PIECE_MAX < end ? pieceStart + PIECE_MAX : end;
        const char *feed =
            static_cast<const char *>(memchr(text + pieceStart, '\n', limit - pieceStart));
        const size_t pieceEnd = feed != nullptr ? static_cast<size_t>(feed - text) + 1 : limit;

        // A marker cut by the piece's end, or behind a NUL, stays unseen, as with fgets.
        memcpy(g_line_buffer, text + pieceStart, pieceEnd - pieceStart);
        g_line_buffer[pieceEnd - pieceStart] = '\0';
        NATIVE_WORD_NODE_T *const before = head;
        head = addList(g_line_buffer, head);
        if (head != before && scan->messages != nullptr) {
            countLinesUpTo(text, pieceStart, scan);
            warnAboutWord(head, scan);
        }
        pos = pieceEnd;
    }
    return head;
}

// Where the whole pieces of text[0, length) end, when more of the file follows.
size_t completePieces(const char *text, size_t length) {
    size_t end = length;
    while (end > 0 && text[end - 1] != '\n') {
        --end;
    }
    // The rest starts a line (or a piece) and has no line feed: cut off its full pieces.
    return end + (length - end) / PIECE_MAX * PIECE_MAX;
}

}  // namespace

NATIVE_WORD_NODE_T *scanFile(const char *path, NATIVE_WORD_NODE_T *head, FILE *messages) {
    FILE *file = fopen(path, "r");
    if (file == nullptr) {
        // A misspelt input would otherwise give an empty table without a word said.
        if (messages != nullptr) {
            fprintf(messages, "wordgen: cannot open %s: %s\n", path, strerror(errno));
        }
        return head;
    }
    SCAN_T scan = {path, messages, 0, 0};
    size_t carried = 0;
    bool readAny = false;
    for (;;) {
        errno = 0;
        const size_t got = fread(g_read_block + carried, 1, BLOCK_SIZE, file);
        const int readError = errno != 0 ? errno : EIO;
        const size_t length = carried + got;
        if (feof(file)) {
            head = scanPieces(g_read_block, length, head, &scan);
            break;
        }
        const size_t end = completePieces(g_read_block, length);
        head = scanPieces(g_read_block, end, head, &scan);
        if (ferror(file)) {
            // fgets gives up the piece it was reading when a read fails. A folder opens on
            // POSIX systems and fails at its first read: said as a file that cannot be opened.
            if (messages != nullptr) {
                fprintf(messages, "wordgen: cannot %s %s: %s\n",
                        readAny || got > 0 ? "read" : "open", path, strerror(readError));
            }
            break;
        }
        readAny = true;
        if (messages != nullptr) {
            countLinesUpTo(g_read_block, end, &scan);
            scan.countedTo = 0;
        }
        carried = length - end;
        memmove(g_read_block, g_read_block + end, carried);
    }
    fclose(file);
    return head;
}
