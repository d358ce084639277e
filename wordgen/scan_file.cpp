#include "scan_file.h"

#include <cstdio>
#include <cstring>

char g_line_buffer[256];

namespace {

// The pieces fgets(g_line_buffer, 256, file) would deliver: up to and including a line feed,
// at most 255 characters. Files are read in big blocks and only the pieces that hold a
// marker are copied out and parsed; a piece without one cannot yield a word.
const size_t kPieceMax = sizeof g_line_buffer - 1;
const size_t kBlockSize = size_t(1) << 20;
const char kMarker[] = "NATIVEWORD(";
const size_t kMarkerLength = sizeof kMarker - 1;
const size_t kRareIndex = 6;  // 'W': rarer in C sources than the marker's first letter

// A block, plus room for the unfinished piece carried over from the block before.
char g_read_block[kPieceMax + kBlockSize];

const char *findMarker(const char *begin, const char *end) {
    if (size_t(end - begin) < kMarkerLength) {
        return nullptr;
    }
    const char *p = begin + kRareIndex;
    const char *last = end - (kMarkerLength - kRareIndex) + 1;
    while (p < last) {
        p = static_cast<const char *>(std::memchr(p, kMarker[kRareIndex], size_t(last - p)));
        if (p == nullptr) {
            return nullptr;
        }
        if (std::memcmp(p - kRareIndex, kMarker, kMarkerLength) == 0) {
            return p - kRareIndex;
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
        size_t at = size_t(marker - text);
        size_t lineStart = at;
        while (lineStart > pos && text[lineStart - 1] != '\n') {
            --lineStart;
        }
        // With no line feed between pos and the marker, pieces run on from pos in 255 steps.
        size_t pieceStart = lineStart + (at - lineStart) / kPieceMax * kPieceMax;
        size_t limit = pieceStart + kPieceMax < end ? pieceStart + kPieceMax : end;
        const char *feed =
            static_cast<const char *>(std::memchr(text + pieceStart, '\n', limit - pieceStart));
        size_t pieceEnd = feed != nullptr ? size_t(feed - text) + 1 : limit;

        // A marker cut by the piece's end, or behind a NUL, stays unseen, as with fgets.
        std::memcpy(g_line_buffer, text + pieceStart, pieceEnd - pieceStart);
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
    return end + (length - end) / kPieceMax * kPieceMax;
}

}  // namespace

NATIVE_WORD_NODE_T *scanFile(const char *path, NATIVE_WORD_NODE_T *head) {
    FILE *file = std::fopen(path, "r");
    if (file == nullptr) {
        return head;
    }
    size_t carried = 0;
    for (;;) {
        size_t length = carried + std::fread(g_read_block + carried, 1, kBlockSize, file);
        if (std::feof(file)) {
            head = scanPieces(g_read_block, length, head);
            break;
        }
        size_t end = completePieces(g_read_block, length);
        head = scanPieces(g_read_block, end, head);
        if (std::ferror(file)) {
            // fgets gives up the piece it was reading when a read fails.
            break;
        }
        carried = length - end;
        std::memmove(g_read_block, g_read_block + end, carried);
    }
    std::fclose(file);
    return head;
}
