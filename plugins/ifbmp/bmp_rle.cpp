#include "plugins/ifbmp/bmp_decode.h"

#include "plugin_kit/include/picture_plugin.h"

namespace {

struct RLE_STATE_T {
    const uint8_t *in;
    size_t size;
    size_t at;
    int64_t x;
    int64_t y;  // row counted from the bottom, as the codes run
};

bool takeBytes(RLE_STATE_T *state, size_t count, const uint8_t **bytes) {
    if (state->size - state->at < count) {
        return false;
    }
    *bytes = state->in + state->at;
    state->at += count;
    return true;
}

// Pixels that fall outside the picture are dropped, as the codes may overrun a row.
void putIndex(OUTPUT_BITMAP_T *out, const RLE_STATE_T *state, uint8_t index) {
    if (state->x < out->width && state->y < out->height) {
        outputRow(out, out->height - 1 - static_cast<int32_t>(state->y))[state->x] = index;
    }
}

// Rows finished since the last call; true when the host asks to stop.
bool reportRows(PROGRESS_T *progress, int64_t *reported, int64_t upTo) {
    for (; *reported < upTo; (*reported)++) {
        if (progressRowDone(progress)) {
            return true;
        }
    }
    return false;
}

}  // namespace

int decodeBmpRle(const BMP_HEADER_T *header, const uint8_t *data, size_t size, OUTPUT_BITMAP_T *out,
                 PROGRESS_T *progress) {
    bool four = header->compression == BMP_RLE4;
    RLE_STATE_T state = {data + header->pixelStart, size - header->pixelStart, 0, 0, 0};
    int64_t reported = 0;
    for (;;) {
        if (state.y >= out->height) {
            break;  // every row is there; what follows can't show
        }
        const uint8_t *code = nullptr;
        if (!takeBytes(&state, 2, &code)) {
            return PLUGIN_ERR_BROKEN_DATA;
        }
        if (code[0] > 0) {
            // A run: one index, or two alternating ones in RLE4.
            for (unsigned i = 0; i < code[0]; i++, state.x++) {
                uint8_t index = four ? ((i & 1u) ? code[1] & 0x0F : code[1] >> 4) : code[1];
                putIndex(out, &state, index);
            }
            continue;
        }
        if (code[1] == 0) {  // end of row
            state.x = 0;
            state.y++;
        } else if (code[1] == 1) {  // end of picture
            break;
        } else if (code[1] == 2) {  // move right and up
            const uint8_t *delta = nullptr;
            if (!takeBytes(&state, 2, &delta)) {
                return PLUGIN_ERR_BROKEN_DATA;
            }
            state.x += delta[0];
            state.y += delta[1];
        } else {  // code[1] indices stored as they are, padded to 16 bits
            unsigned count = code[1];
            size_t bytes = four ? (count + 1u) / 2u : count;
            const uint8_t *literal = nullptr;
            if (!takeBytes(&state, (bytes + 1u) & ~size_t{1}, &literal)) {
                return PLUGIN_ERR_BROKEN_DATA;
            }
            for (unsigned i = 0; i < count; i++, state.x++) {
                uint8_t index =
                    four ? ((i & 1u) ? literal[i / 2] & 0x0F : literal[i / 2] >> 4) : literal[i];
                putIndex(out, &state, index);
            }
        }
        if (reportRows(progress, &reported, state.y < out->height ? state.y : out->height)) {
            return PLUGIN_ERR_ABORTED;
        }
    }
    if (reportRows(progress, &reported, out->height)) {
        return PLUGIN_ERR_ABORTED;
    }
    return PLUGIN_OK;
}
