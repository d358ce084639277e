#include "png_writer.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct PNG_ERROR_T {
    char text[256];
};

void onPngError(png_structp png, png_const_charp text) {
    PNG_ERROR_T *error = static_cast<PNG_ERROR_T *>(png_get_error_ptr(png));
    std::snprintf(error->text, sizeof error->text, "%s", text);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// Kept free of objects with destructors: libpng leaves it by longjmp on an error.
bool encodePng(FILE *file, uint32_t width, uint32_t height, const GREY_ROW_SOURCE_T &fillRow,
               uint8_t *rowBuffer, PNG_ERROR_T *error) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, error, onPngError, onPngWarning);
    if (png == nullptr) {
        std::snprintf(error->text, sizeof error->text, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (uint32_t row = 0; row < height; ++row) {
        fillRow(row, rowBuffer);
        png_write_row(png, rowBuffer);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// mkstemp makes the file private; give it the mode a plain fopen would have given.
void setDefaultMode(int fd) {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
}

}  // namespace

bool writeGreyPng(const char *path, uint32_t width, uint32_t height,
                  const GREY_ROW_SOURCE_T &fillRow, std::string *message) {
    std::string tempPath = std::string(path) + ".XXXXXX";
    const int fd = mkstemp(&tempPath[0]);
    if (fd < 0) {
        *message = std::string("cannot create ") + path + ": " + std::strerror(errno);
        return false;
    }
    setDefaultMode(fd);
    FILE *file = fdopen(fd, "wb");
    if (file == nullptr) {
        *message = std::string("cannot write ") + path + ": " + std::strerror(errno);
        close(fd);
        unlink(tempPath.c_str());
        return false;
    }

    std::vector<uint8_t> rowBuffer(width);
    PNG_ERROR_T error = {};
    bool ok = encodePng(file, width, height, fillRow, rowBuffer.data(), &error);
    if (!ok) {
        *message = std::string("cannot write ") + path + ": " + error.text;
    }
    // Write errors of buffered output show only here.
    if (ok && (std::fflush(file) != 0 || fsync(fileno(file)) != 0)) {
        *message = std::string("cannot write ") + path + ": " + std::strerror(errno);
        ok = false;
    }
    if (std::fclose(file) != 0 && ok) {
        *message = std::string("cannot write ") + path + ": " + std::strerror(errno);
        ok = false;
    }
    if (ok && std::rename(tempPath.c_str(), path) != 0) {
        *message = std::string("cannot write ") + path + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        unlink(tempPath.c_str());
    }
    return ok;
}
