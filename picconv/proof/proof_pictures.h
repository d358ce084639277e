// The pictures of one card of the proof sheet: the source scaled down, the rectangle as cut and
// the output turned back upright in its four greys. The process that converts the line makes
// them: it stores the scaled-down source itself (once for the cuts of one picture) and hands the
// cut and the output, as pixels, to the process that commits the lines, which puts them into
// the run's atlases in line order.
#ifndef PICCONV_PROOF_PROOF_PICTURES_H
#define PICCONV_PROOF_PROOF_PICTURES_H

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "SDL.h"

#include "picconv/imaging/quad.h"
#include "picconv/proof/proof_store.h"

// The largest side of the scaled-down source, and of the cut and the output as stored: larger
// ones are reduced by a whole step.
const uint32_t PROOF_SOURCE_SIDE = 256;
const uint32_t PROOF_PICTURE_SIDE = 320;

struct PROOF_PICTURES_T {
    PICTURE_REF_T source;  // scaled down
    PICTURE_REF_T cut;     // every cutStep-th pixel of the rectangle, each the mean of its step
    PICTURE_REF_T output;  // upright, every outputStep-th pixel
    uint32_t sourceWidth;  // the source picture as loaded
    uint32_t sourceHeight;
    int32_t x;  // the source rectangle
    int32_t y;
    uint32_t w;
    uint32_t h;
    uint32_t cutStep;
    uint32_t outputStep;
    uint32_t storedWidth;  // the output file's own width and height
    uint32_t storedHeight;
    bool complete;  // every picture was written
};

PROOF_PICTURES_T noProofPictures();

// In the converting process: the card's pictures, from the source as loaded (picture is its
// path), the rectangle and the output file's bytes, as the text that travels to the committing
// process. The scaled-down source is stored in folder/PROOF_PICTURE_FOLDER (which exists) and
// remembered while the same surface of the same picture comes again.
std::string makeProofPicturesText(const char *folder, const SDL_Surface *source,
                                  const char *picture, const QUAD_T *sourceQuad,
                                  const uint8_t *output, size_t size);

// In the committing process: the text back as the record and the two pictures still to place;
// false when text is not one.
bool parseProofPicturesText(const std::string &text, PROOF_PICTURES_T *pictures, RASTER_T *cut,
                            RASTER_T *output);

#endif
