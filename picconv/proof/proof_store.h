// The proof sheet's picture files in DIR/pictures, each a PNG named by its content: a file that
// is already there is not written again, and several processes may write one at the same time.
// The many small pictures of a run (the cuts, the outputs) go into a few shared files, atlases,
// filled in line order: one file per picture would cost a batch of small cuts more than the
// conversion itself, where a file costs a few hundred microseconds to make.
#ifndef PICCONV_PROOF_PROOF_STORE_H
#define PICCONV_PROOF_PROOF_STORE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "common/png_writer.h"

extern const char PROOF_PICTURE_FOLDER[];

struct RASTER_T {
    PNG_KIND_T kind;  // PNG_RGB or PNG_GREY_2BIT
    uint32_t width;
    uint32_t height;
    std::vector<uint8_t> samples;  // rows as writePng takes them
};

// Where a picture is: a part of a file.
struct PICTURE_REF_T {
    std::string file;  // in PROOF_PICTURE_FOLDER; empty when there is no picture (yet)
    long atlas;        // the atlas of this run that holds it until that is written; else -1
    uint32_t fileWidth;
    uint32_t fileHeight;
    uint32_t x;
    uint32_t y;
    uint32_t width;
    uint32_t height;
};

PICTURE_REF_T noPicture();

// Stores raster as folder/PROOF_PICTURE_FOLDER/NAME (the folder exists) unless a file of that
// content is there. false when it could not be written; *name is set either way.
bool storeRaster(const char *folder, const RASTER_T &raster, std::string *name);

// Whether name is one storeRaster gives (hex digits and ".png").
bool isProofPictureName(const std::string &name);

struct PROOF_ATLAS_T {
    PNG_KIND_T kind;
    std::vector<std::string> files;  // of the atlases written, by number; empty: not written
    std::vector<uint32_t> heights;   // theirs, by number; all are as wide as filling
    RASTER_T filling;                // the next one
    uint32_t shelfX;
    uint32_t shelfY;
    uint32_t shelfHeight;
};

PROOF_ATLAS_T newAtlas(PNG_KIND_T kind);

// Copies raster (of the atlas's kind, no side over 1024) into the atlas being filled, which is
// written first when it has no room left; *ref then names the atlas by number.
void placeInAtlas(const char *folder, PROOF_ATLAS_T *atlas, const RASTER_T &raster,
                  PICTURE_REF_T *ref);

// Writes the atlas being filled; false when an atlas of this run could not be written.
bool finishAtlas(const char *folder, PROOF_ATLAS_T *atlas);

// Turns a reference by number into one by file (no file when that atlas was not written).
void resolveAtlasRef(const PROOF_ATLAS_T &atlas, PICTURE_REF_T *ref);

#endif
