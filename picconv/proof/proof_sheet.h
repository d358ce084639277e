// What the proof sheet says of a run: one card per command line, compared with the previous
// proof in the same folder, and its facts for tools (proof.json), written and read back.
#ifndef PICCONV_PROOF_PROOF_SHEET_H
#define PICCONV_PROOF_PROOF_SHEET_H

#include <stdint.h>

#include <string>
#include <vector>

#include "common/sha256.h"
#include "picconv/driver/line_outcome.h"
#include "picconv/proof/proof_pictures.h"

// How a line's output compares with the previous proof's line of the same output path.
enum PROOF_CHANGE_T {
    CHANGE_NONE,     // no previous proof, or a line without five fields
    CHANGE_SAME,     // the same bytes (or none, both times)
    CHANGE_CHANGED,  // other bytes, or written one time and not the other
    CHANGE_ADDED     // the previous proof had no line for this output
};

struct PROOF_CARD_T {
    long number;
    std::string text;  // well-formed UTF-8, without its line end
    std::vector<std::string> fields;
    LINE_STATUS_T status;
    std::string reason;
    std::string output;
    bool hashed;
    uint8_t hash[SHA256_DIGEST_SIZE];
    uint64_t size;
    bool havePictures;
    PROOF_PICTURES_T pictures;
    PROOF_CHANGE_T change;
    bool previousHashed;
    uint8_t previousHash[SHA256_DIGEST_SIZE];
    PICTURE_REF_T previousOutput;  // the previous proof's output picture, for a changed line
};

struct PROOF_REMOVED_T {
    long number;
    std::string text;
    std::string output;
};

struct PROOF_SHEET_T {
    bool hadPrevious;  // a previous proof was found and compared with
    std::vector<PROOF_CARD_T> cards;
    std::vector<PROOF_REMOVED_T> removed;
};

struct PROOF_TOTALS_T {
    long written;
    long unchanged;
    long skipped;  // by the state
    long failed;
    long notRecords;  // lines without five fields
    long changed;
    long added;
    long removed;
};

// A card with nothing known yet but the line; its text loses its line end, its fields are the
// line's '|'-separated pieces (at most five, the fifth ending at the next '|').
PROOF_CARD_T proofCardOf(long number, const std::string &text, LINE_STATUS_T status);

PROOF_TOTALS_T proofTotals(const PROOF_SHEET_T &sheet);

// Marks each card's change against previous (a record is matched by its output path, the k-th
// line naming a path with the k-th), lists previous records no longer there, and gives a line
// the state skipped the pictures of the previous proof's line of the same text and output.
void compareWithPrevious(PROOF_SHEET_T *sheet, const PROOF_SHEET_T &previous);

// The picture files the sheet shows.
std::vector<std::string> proofPictureNames(const PROOF_SHEET_T &sheet);

// proof.json, and back: false when text is not a proof this program wrote.
std::string proofJsonText(const PROOF_SHEET_T &sheet);
bool readProofJson(const std::string &text, PROOF_SHEET_T *sheet);

// Lower-case hex of a hash.
std::string hexOf(const uint8_t hash[SHA256_DIGEST_SIZE]);

#endif
