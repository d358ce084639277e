#include "common/png_writer.h"

#include <errno.h>
#include <setjmp.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include <png.h>

#include "common/safe_file.h"

namespace {

struct PNG_ERROR_T {
    char text[256];
};

void onPngError(png_structp png, png_const_charp text) {
    PNG_ERROR_T *error = static_cast<PNG_ERROR_T *>(png_get_error_ptr(png));
    snprintf(error->text, sizeof error->text, "%s", text);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// Kept free of objects with destructors: libpng leaves it by longjmp on an error.
bool encodePng(FILE *file, PNG_KIND_T kind, PNG_EFFORT_T effort, uint32_t width, uint32_t height,
               PNG_ROW_SOURCE_T fillRow, void *context, uint8_t *rowBuffer, PNG_ERROR_T *error) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, error, onPngError, onPngWarning);
    if (png == nullptr) {
        snprintf(error->text, sizeof error->text, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, kind == PNG_GREY_2BIT ? 2 : 8,
                 kind == PNG_RGB ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (effort == PNG_QUICKEST) {
        png_set_compression_level(png, 1);
        png_set_filter(png, PNG_FILTER_TYPE_BASE,
                       kind == PNG_RGB ? PNG_FILTER_SUB : PNG_FILTER_NONE);
    }
    png_write_info(png, info);
    if (kind == PNG_GREY_2BIT) {
        // The rows come one sample to a byte; libpng packs them four to a byte.
        png_set_packing(png);
    }
    for (uint32_t row = 0; row < height; ++row) {
        fillRow(context, row, rowBuffer);
        png_write_row(png, rowBuffer);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool writePng(const char *path, PNG_KIND_T kind, PNG_EFFORT_T effort, uint32_t width,
              uint32_t height, PNG_ROW_SOURCE_T fillRow, void *context, std::string *message) {
    SAFE_FILE_T safe;
    if (!openSafeFile(path, "wb", &safe)) {
        const int openError = errno;
        // A folder in the way has always been reported as a failed write.
        const char *verb = openError == EISDIR ? "cannot write " : "cannot create ";
        *message = verb + std::string(path) + ": " + strerror(openError);
        return false;
    }
    std::vector<uint8_t> rowBuffer(static_cast<size_t>(width) * (kind == PNG_RGB ? 3 : 1));
    PNG_ERROR_T error = {};
    if (!encodePng(safe.file, kind, effort, width, height, fillRow, context, rowBuffer.data(),
                   &error)) {
        *message = std::string("cannot write ") + path + ": " + error.text;
        abandonSafeFile(&safe);
        return false;
    }
    if (!commitSafeFile(&safe)) {
        const int commitError = errno;
        *message = std::string("cannot write ") + path + ": " + strerror(commitError);
        return false;
    }
    return true;
}
