// Writing an 8-bit grey PNG through libpng. The file appears under its name only when it is
// complete: it is written to a temporary file beside it and renamed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// libpng refuses wider or taller pictures by default, and so do most readers.
constexpr uint64_t PNG_SIDE_LIMIT = 1000000;

// Fills one row of `width` grey bytes.
using GREY_ROW_SOURCE_T = std::function<void(uint32_t row, uint8_t *out)>;

// Returns false with a one-line reason, leaving neither `path` changed nor a temporary file.
bool writeGreyPng(const char *path, uint32_t width, uint32_t height,
                  const GREY_ROW_SOURCE_T &fillRow, std::string *message);
