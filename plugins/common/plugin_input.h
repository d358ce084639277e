// The picture's bytes, from a file at an offset or from memory, and the head that
// IsSupported looks at.
#ifndef PLUGINS_COMMON_PLUGIN_INPUT_H
#define PLUGINS_COMMON_PLUGIN_INPUT_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "plugin_kit/include/picture_plugin.h"

// Larger inputs are refused rather than read whole.
const size_t MAX_INPUT_BYTES = size_t{1} << 30;

struct INPUT_BYTES_T {
    const uint8_t *data = nullptr;  // into `owned` for a file, into the caller's memory else
    size_t size = 0;
    std::vector<uint8_t> owned;
};

// Fills input from buf/len/flag as the picture entry points receive them. Returns
// PLUGIN_OK, PLUGIN_ERR_FILE_READ, PLUGIN_ERR_NO_MEMORY or PLUGIN_ERR_UNKNOWN_FORMAT (an
// input kind this plug-in doesn't know).
int readPluginInput(LPSTR buf, PLUGIN_LONG_T len, unsigned int flag, INPUT_BYTES_T *input);

// Copies IsSupported's view of the file's start into head (PLUGIN_HEAD_SIZE bytes, zero
// padded) and returns how many bytes are real: all of them for the buffer form, what could
// be read for the handle form (the handle's position is left unchanged).
size_t readSupportHead(PLUGIN_DW_T dw, uint8_t *head);

#endif
