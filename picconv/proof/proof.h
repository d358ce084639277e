// A proof sheet of a run (--proof DIR): DIR/index.html, the pictures it shows and DIR/proof.json,
// one card per command line. The process that converts a line makes its card's pictures; the
// process that commits the lines notes each card in line order and writes the page at the end.
#ifndef PICCONV_PROOF_PROOF_H
#define PICCONV_PROOF_PROOF_H

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "SDL.h"

#include "common/sha256.h"
#include "picconv/driver/line_outcome.h"
#include "picconv/imaging/quad.h"

// Where this process makes proof pictures from now on; null: no proof is made.
void setProofFolder(const char *folder);
const char *proofFolder(void);

// In the process that converts a line: the pictures of its card, from the source picture as
// loaded (picture is its path), the source rectangle and the output file's bytes. Stores the
// scaled-down source in DIR itself; returns what the committing process hands to noteProofLine
// (the stored picture's name and the sizes, then the cut and the output as pixels, which that
// process puts into the run's shared picture files in line order); empty when no proof is made.
std::string makeProofPictures(const SDL_Surface *source, const char *picture,
                              const QUAD_T *sourceQuad, const uint8_t *output, size_t size);

struct PROOF_LINE_T {
    long number;           // from 1
    std::string text;      // the line as read
    LINE_STATUS_T status;  // after the commit
    std::string reason;    // why a full record wrote nothing, in words
    std::string output;    // the output path as written
    std::string pictures;  // from makeProofPictures; empty for a line skipped or failed early
    bool hashed;           // the output file's bytes are known (written, unchanged or skipped)
    uint8_t hash[SHA256_DIGEST_SIZE];
    uint64_t size;  // of the output file
};

// In the committing process, each line in order.
void noteProofLine(const PROOF_LINE_T &line);

// At the end of the run: the page, the pictures it needs (a line the state skipped keeps those
// of the previous proof) and proof.json, each complete or not at all. 1 when all were written.
int writeProof(void);

#endif
