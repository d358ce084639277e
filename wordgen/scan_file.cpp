#include "wordgen/scan_file.h"

#include <errno.h>
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

// text[0, end) starts at a piece boundary and holds whole pieces only.
NATIVE_WORD_NODE_T *scanPieces(const char *text, size_t end, NATIVE_WORD_NODE_T *head) {
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
        head = addList(g_line_buffer, head);
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

NATIVE_WORD_NODE_T *scanFile(const char *path, NATIVE_WORD_NODE_T *head) {
    FILE *file = fopen(path, "r");
    if (file == nullptr) {
        // A misspelt input would otherwise give an empty table without a word said.
        fprintf(stderr, "wordgen: cannot open %s: %s\n", path, strerror(errno));
        return head;
    }
    size_t carried = 0;
    for (;;) {
        const size_t length = carried + fread(g_read_block + carried, 1, BLOCK_SIZE, file);
        if (feof(file)) {
            head = scanPieces(g_read_block, length, head);
            break;
        }
        const size_t end = completePieces(g_read_block, length);
        head = scanPieces(g_read_block, end, head);
        if (ferror(file)) {
            // fgets gives up the piece it was reading when a read fails.
            break;
        }
        carried = length - end;
        memmove(g_read_block, g_read_block + end, carried);
    }
    fclose(file);
    return head;
}
