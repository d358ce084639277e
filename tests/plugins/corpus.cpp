#include "tests/plugins/corpus.h"

#include <map>

#include <gtest/gtest.h>

#include "tests/plugins/picture_files.h"

namespace {

struct VARIANT_T {
    const char *name;
    const char *source;  // pattern kind
    int width;
    int height;
    const char *options;  // ImageMagick options, blank-separated, and the output's prefix
    REFERENCE_T reference;
    int tolerance;  // largest difference of a channel from the reference
    size_t slack;
};

const VARIANT_T PNG_VARIANTS[] = {
    {"rgb8", "rgb", 37, 23, "PNG24:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"rgba8", "rgba", 37, 23, "PNG32:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"rgb16", "rgb", 37, 23, "-depth 16 PNG48:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"rgba16", "rgba", 37, 23, "-depth 16 PNG64:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"rgb_trns", "rgb", 37, 23,
     "-transparent rgb(0,0,0) -define png:color-type=2 PNG:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"palette8", "few", 37, 23, "PNG8:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"palette_trns", "rgba", 37, 23, "-colors 60 PNG8:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"palette1", "rgb", 37, 23,
     "-alpha off -colors 2 -define png:bit-depth=1 PNG8:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"palette2", "rgb", 19, 7,
     "-alpha off -colors 4 -define png:bit-depth=2 PNG8:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"palette4", "rgb", 37, 23,
     "-alpha off -colors 16 -define png:bit-depth=4 PNG8:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"grey8", "grey", 37, 23,
     "-define png:color-type=0 -define png:bit-depth=8 PNG:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"grey16", "rgb", 37, 23,
     "-colorspace Gray -depth 16 -define png:color-type=0 -define png:bit-depth=16 PNG:",
     REFERENCE_IMAGEMAGICK, 0, 0},
    {"grey1", "grey", 37, 23,
     "-define png:color-type=0 -define png:bit-depth=1 PNG:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"grey2", "grey", 37, 23,
     "-define png:color-type=0 -define png:bit-depth=2 PNG:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"grey4", "grey", 37, 23,
     "-define png:color-type=0 -define png:bit-depth=4 PNG:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"grey_alpha", "rgba", 37, 23,
     "-colorspace Gray -define png:color-type=4 PNG:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"grey_alpha16", "rgba", 37, 23,
     "-colorspace Gray -depth 16 -define png:color-type=4 -define png:bit-depth=16 PNG:",
     REFERENCE_IMAGEMAGICK, 0, 0},
    {"grey_trns", "grey", 37, 23,
     "-transparent rgb(0,0,0) -define png:color-type=0 PNG:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"interlaced_rgb", "rgb", 37, 23, "-interlace PNG PNG24:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"interlaced_rgba16", "rgba", 37, 23, "-interlace PNG -depth 16 PNG64:", REFERENCE_IMAGEMAGICK,
     0, 0},
    {"interlaced_palette", "few", 37, 23, "-interlace PNG PNG8:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"interlaced_grey2", "grey", 5, 3,
     "-interlace PNG -define png:color-type=0 -define png:bit-depth=2 PNG:", REFERENCE_IMAGEMAGICK,
     0, 0},
    {"one_by_one", "rgb", 1, 1, "PNG24:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"one_by_one_palette", "few", 1, 1, "PNG8:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"column", "rgba", 1, 29, "PNG32:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"row", "rgb", 257, 3, "PNG24:", REFERENCE_IMAGEMAGICK, 0, 0},
};

const VARIANT_T JPEG_VARIANTS[] = {
    {"yuv444", "rgb", 37, 23, "-sampling-factor 1x1 -quality 90 JPEG:", REFERENCE_DJPEG, 0, 0},
    {"yuv422", "rgb", 37, 23, "-sampling-factor 2x1 JPEG:", REFERENCE_DJPEG, 0, 0},
    {"yuv420", "rgb", 37, 23, "-sampling-factor 2x2 JPEG:", REFERENCE_DJPEG, 0, 0},
    {"yuv411", "rgb", 37, 23, "-sampling-factor 4x1 JPEG:", REFERENCE_DJPEG, 0, 0},
    {"quality100", "rgb", 37, 23, "-quality 100 JPEG:", REFERENCE_DJPEG, 0, 0},
    {"grey", "grey", 37, 23, "-colorspace Gray JPEG:", REFERENCE_DJPEG, 0, 0},
    {"progressive", "rgb", 37, 23, "-interlace JPEG JPEG:", REFERENCE_DJPEG, 0, 0},
    {"progressive_grey", "grey", 37, 23, "-colorspace Gray -interlace JPEG JPEG:", REFERENCE_DJPEG,
     0, 0},
    {"optimised", "rgb", 37, 23, "-define jpeg:optimize-coding=true JPEG:", REFERENCE_DJPEG, 0, 0},
    {"one_by_one", "rgb", 1, 1, "JPEG:", REFERENCE_DJPEG, 0, 0},
    {"odd_size", "rgb", 17, 9, "-sampling-factor 2x2 JPEG:", REFERENCE_DJPEG, 0, 0},
    {"row", "rgb", 257, 3, "JPEG:", REFERENCE_DJPEG, 0, 0},
    {"cmyk", "rgb", 37, 23, "-colorspace CMYK -quality 100 JPEG:", REFERENCE_IMAGEMAGICK, 3, 0},
};

// The trailer byte after the first frame is not needed to show it.
const VARIANT_T GIF_VARIANTS[] = {
    {"palette", "few", 37, 23, "GIF:", REFERENCE_IMAGEMAGICK, 0, 1},
    {"quantised", "rgb", 37, 23, "GIF:", REFERENCE_IMAGEMAGICK, 0, 1},
    {"two_colours", "rgb", 37, 23, "-colors 2 GIF:", REFERENCE_IMAGEMAGICK, 0, 1},
    {"grey", "grey", 37, 23, "GIF:", REFERENCE_IMAGEMAGICK, 0, 1},
    {"transparent", "rgba", 37, 23, "GIF:", REFERENCE_IMAGEMAGICK, 0, 1},
    {"interlaced", "few", 37, 23, "-interlace GIF GIF:", REFERENCE_IMAGEMAGICK, 0, 1},
    {"interlaced_tall", "rgb", 5, 33, "-interlace GIF GIF:", REFERENCE_IMAGEMAGICK, 0, 1},
    {"one_by_one", "rgb", 1, 1, "GIF:", REFERENCE_IMAGEMAGICK, 0, 1},
    {"row", "few", 257, 3, "GIF:", REFERENCE_IMAGEMAGICK, 0, 1},
    {"gif87", "few", 37, 23, "GIF87:", REFERENCE_IMAGEMAGICK, 0, 1},
};

// Run-length files may leave out the end-of-picture code after the last row.
const VARIANT_T BMP_VARIANTS[] = {
    {"info24", "rgb", 37, 23, "BMP3:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"core24", "rgb", 37, 23, "BMP2:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"v5_24", "rgb", 37, 23, "-alpha off BMP:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"info8", "few", 37, 23, "-type Palette -compress None BMP3:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"info8_rle", "few", 37, 23, "-type Palette BMP3:", REFERENCE_IMAGEMAGICK, 0, 2},
    {"v5_8_rle", "few", 37, 23, "-type Palette BMP:", REFERENCE_IMAGEMAGICK, 0, 2},
    {"info4", "rgb", 37, 23, "-colors 16 -type Palette -compress None BMP3:", REFERENCE_IMAGEMAGICK,
     0, 0},
    {"info1", "rgb", 37, 23, "-monochrome BMP3:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"core8", "few", 37, 23, "-type Palette BMP2:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"core4", "rgb", 37, 23, "-colors 16 -type Palette BMP2:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"core1", "rgb", 37, 23, "-monochrome BMP2:", REFERENCE_IMAGEMAGICK, 0, 0},
    // ImageMagick widens 5- and 6-bit fields by bit replication: 1 off for a few values.
    {"rgb565", "rgb", 37, 23, "-alpha off -define bmp:subtype=RGB565 BMP:", REFERENCE_IMAGEMAGICK,
     1, 0},
    {"rgb555", "rgb", 37, 23, "-alpha off -define bmp:subtype=RGB555 BMP:", REFERENCE_IMAGEMAGICK,
     1, 0},
    // ImageMagick reads 4- and 1-bit fields as v << 4 and v << 7, without widening.
    {"argb4444", "rgba", 37, 23, "-define bmp:subtype=ARGB4444 BMP:", REFERENCE_NONE, 0, 0},
    {"argb1555", "rgba", 37, 23, "-define bmp:subtype=ARGB1555 BMP:", REFERENCE_NONE, 0, 0},
    {"argb32", "rgba", 37, 23, "BMP:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"info32_fourth_byte", "rgba", 37, 23,
     "-define bmp3:alpha=true BMP3:", REFERENCE_IMAGEMAGICK_NO_ALPHA, 0, 0},
    {"one_by_one", "rgb", 1, 1, "BMP3:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"tall_rle", "few", 5, 40, "-type Palette BMP3:", REFERENCE_IMAGEMAGICK, 0, 2},
    {"row", "rgb", 257, 3, "BMP3:", REFERENCE_IMAGEMAGICK, 0, 0},
    {"row4", "rgb", 257, 3, "-colors 16 -type Palette -compress None BMP3:", REFERENCE_IMAGEMAGICK,
     0, 0},
};

// The words of options; the last one is the prefix of the output file's name.
std::vector<std::string> wordsOf(const std::string &options) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < options.size()) {
        size_t end = options.find(' ', at);
        end = end == std::string::npos ? options.size() : end;
        if (end > at) {
            words.push_back(options.substr(at, end - at));
        }
        at = end + 1;
    }
    return words;
}

template <size_t N>
std::vector<CORPUS_FILE_T> makeCorpus(const std::string &plugin, const VARIANT_T (&variants)[N],
                                      const char *extension) {
    std::vector<CORPUS_FILE_T> corpus;
    for (const VARIANT_T &variant : variants) {
        std::string stem = scratchDir() + "/" + plugin + "-" + variant.name;
        std::string source = stem + ".pam";
        writePam(source, makePattern(variant.source, variant.width, variant.height));
        std::string path = stem + extension;
        std::vector<std::string> arguments = wordsOf(variant.options);
        arguments.back() += path;
        arguments.insert(arguments.begin(), source);
        if (!runConvert(arguments)) {
            ADD_FAILURE() << "could not make " << path << " with: " << variant.options;
            continue;
        }
        corpus.push_back({variant.name, path, variant.reference, variant.tolerance, variant.slack});
    }
    return corpus;
}

}  // namespace

const std::vector<CORPUS_FILE_T> &corpusOf(const std::string &plugin) {
    static std::map<std::string, std::vector<CORPUS_FILE_T>> made;
    auto found = made.find(plugin);
    if (found != made.end()) {
        return found->second;
    }
    std::vector<CORPUS_FILE_T> corpus;
    if (plugin == "ifpng") {
        corpus = makeCorpus(plugin, PNG_VARIANTS, ".png");
    } else if (plugin == "ifjpeg") {
        corpus = makeCorpus(plugin, JPEG_VARIANTS, ".jpg");
    } else if (plugin == "ifgif") {
        corpus = makeCorpus(plugin, GIF_VARIANTS, ".gif");
    } else if (plugin == "ifbmp") {
        corpus = makeCorpus(plugin, BMP_VARIANTS, ".bmp");
    }
    return made.emplace(plugin, corpus).first->second;
}
