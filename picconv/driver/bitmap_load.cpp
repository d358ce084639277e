// SDL opens files by name and follows links; the converter opens the file itself and hands SDL
// a stream over it.
#include "picconv/driver/bitmap_load.h"

#include <limits.h>
#include <stdio.h>

#include "platform/files.h"

namespace {

FILE *streamFile(SDL_RWops *stream) {
    return static_cast<FILE *>(stream->hidden.unknown.data1);
}

int SDLCALL seekStream(SDL_RWops *stream, int offset, int whence) {
    const int origin = whence == RW_SEEK_CUR   ? SEEK_CUR
                       : whence == RW_SEEK_END ? SEEK_END
                                               : SEEK_SET;
    FILE *file = streamFile(stream);
    if (fseek(file, offset, origin) != 0) {
        SDL_SetError("cannot seek in the bitmap");
        return -1;
    }
    const long position = ftell(file);
    return position >= 0 && position <= INT_MAX ? static_cast<int>(position) : -1;
}

int SDLCALL readStream(SDL_RWops *stream, void *buffer, int size, int count) {
    if (size <= 0 || count <= 0) {
        return 0;
    }
    return static_cast<int>(
        fread(buffer, static_cast<size_t>(size), static_cast<size_t>(count), streamFile(stream)));
}

int SDLCALL writeStream(SDL_RWops *stream, const void *buffer, int size, int count) {
    (void)stream;
    (void)buffer;
    (void)size;
    (void)count;
    SDL_SetError("the bitmap is read only");
    return -1;
}

int SDLCALL closeStream(SDL_RWops *stream) {
    const int closed = fclose(streamFile(stream));
    SDL_FreeRW(stream);
    return closed == 0 ? 0 : -1;
}

}  // namespace

SDL_Surface *loadBitmapNoFollow(const char *path) {
    FILE *file = openRegularFileNoFollow(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    SDL_RWops *stream = SDL_AllocRW();
    if (stream == nullptr) {
        fclose(file);
        return nullptr;
    }
    stream->seek = seekStream;
    stream->read = readStream;
    stream->write = writeStream;
    stream->close = closeStream;
    stream->hidden.unknown.data1 = file;
    return SDL_LoadBMP_RW(stream, 1);
}
