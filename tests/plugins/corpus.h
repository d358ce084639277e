// Pictures of every variant the plug-ins read, made by ImageMagick at test time.
#ifndef TESTS_PLUGINS_CORPUS_H
#define TESTS_PLUGINS_CORPUS_H

#include <string>
#include <vector>

enum REFERENCE_T {
    REFERENCE_IMAGEMAGICK,           // exact against ImageMagick's decode, over white
    REFERENCE_IMAGEMAGICK_NO_ALPHA,  // the same, the file's alpha ignored
    REFERENCE_DJPEG,                 // exact against djpeg
    REFERENCE_NONE,                  // ImageMagick misreads it: only for damage tests
};

struct CORPUS_FILE_T {
    std::string name;
    std::string path;
    REFERENCE_T reference;
    int tolerance;  // largest difference of a channel from the reference
    size_t slack;   // bytes at the end the decoder may do without
};

// The corpus of one plug-in ("ifpng" ...), made on first use.
const std::vector<CORPUS_FILE_T> &corpusOf(const std::string &plugin);

#endif
