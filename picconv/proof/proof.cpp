#include "picconv/proof/proof.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "common/safe_file.h"
#include "picconv/proof/proof_page.h"
#include "picconv/proof/proof_pictures.h"
#include "picconv/proof/proof_sheet.h"
#include "picconv/proof/proof_store.h"
#include "platform/files.h"

namespace {

const char *g_proof_folder = nullptr;
int g_folder_error = 0;  // why the folders could not be made; 0 when they are there
// The committing process's cards, and the atlases their cuts and outputs go into.
std::vector<PROOF_CARD_T> g_proof_cards;
PROOF_ATLAS_T g_cut_atlas = newAtlas(PNG_RGB);
PROOF_ATLAS_T g_output_atlas = newAtlas(PNG_GREY_2BIT);

std::string inFolder(const std::string &name) {
    return std::string(g_proof_folder) + "/" + name;
}

std::string picturePath(const std::string &name) {
    return inFolder(std::string(PROOF_PICTURE_FOLDER) + "/" + name);
}

bool writeWhole(const std::string &path, const std::string &text) {
    SAFE_FILE_T safe;
    if (!openSafeFile(path.c_str(), "wb", &safe)) {
        return false;
    }
    if (fwrite(text.data(), 1, text.size(), safe.file) != text.size()) {
        const int error = errno;
        abandonSafeFile(&safe);
        errno = error;
        return false;
    }
    return commitSafeFile(&safe) != 0;
}

// The previous proof in the folder, with the names of pictures that are gone dropped.
bool readPrevious(PROOF_SHEET_T *previous) {
    // Anything but a file there (a pipe would be waited on) is no previous proof.
    const std::string path = inFolder("proof.json");
    FILE *file = isRegularFile(path.c_str()) ? fopen(path.c_str(), "rb") : nullptr;
    if (file == nullptr) {
        return false;
    }
    std::string text;
    char buffer[65536];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
    }
    const bool read = !ferror(file);
    fclose(file);
    if (!read || !readProofJson(text, previous)) {
        return false;
    }
    std::set<std::string> present;
    std::set<std::string> gone;
    for (PROOF_CARD_T &card : previous->cards) {
        PROOF_PICTURES_T &p = card.pictures;
        for (PICTURE_REF_T *ref : {&p.source, &p.cut, &p.output}) {
            if (ref->file.empty() || present.count(ref->file) != 0) {
                continue;
            }
            if (gone.count(ref->file) == 0 && isRegularFile(picturePath(ref->file).c_str())) {
                present.insert(ref->file);
            } else {
                gone.insert(ref->file);
                *ref = noPicture();
                p.complete = false;
            }
        }
    }
    return true;
}

PROOF_CARD_T cardOf(const PROOF_LINE_T &line) {
    PROOF_CARD_T card = proofCardOf(line.number, line.text, line.status);
    card.reason = line.reason;
    card.output = line.output;
    card.hashed = line.hashed;
    memcpy(card.hash, line.hash, sizeof card.hash);
    card.size = line.size;
    RASTER_T cut;
    RASTER_T output;
    card.havePictures = !line.pictures.empty() &&
                        parseProofPicturesText(line.pictures, &card.pictures, &cut, &output);
    if (card.havePictures) {
        placeInAtlas(g_proof_folder, &g_cut_atlas, cut, &card.pictures.cut);
        placeInAtlas(g_proof_folder, &g_output_atlas, output, &card.pictures.output);
    }
    return card;
}

struct UNNEEDED_T {
    std::set<std::string> needed;
    std::vector<std::string> names;
};

void noteUnneeded(void *context, const char *name) {
    UNNEEDED_T *unneeded = static_cast<UNNEEDED_T *>(context);
    if (isProofPictureName(name) && unneeded->needed.count(name) == 0) {
        unneeded->names.push_back(name);
    }
}

}  // namespace

void setProofFolder(const char *folder) {
    g_proof_folder = folder;
    g_folder_error = 0;
    if (folder == nullptr) {
        return;
    }
    if (!makeFolder(folder) || !makeFolder(inFolder(PROOF_PICTURE_FOLDER).c_str())) {
        g_folder_error = errno != 0 ? errno : EIO;
    }
}

const char *proofFolder(void) {
    return g_proof_folder;
}

std::string makeProofPictures(const SDL_Surface *source, const char *picture,
                              const QUAD_T *sourceQuad, const uint8_t *output, size_t size) {
    if (g_proof_folder == nullptr || g_folder_error != 0) {
        return std::string();
    }
    return makeProofPicturesText(g_proof_folder, source, picture, sourceQuad, output, size);
}

void noteProofLine(const PROOF_LINE_T &line) {
    if (g_proof_folder != nullptr && g_folder_error == 0) {
        g_proof_cards.push_back(cardOf(line));
    }
}

int writeProof(void) {
    if (g_proof_folder == nullptr) {
        return 1;
    }
    if (g_folder_error != 0) {
        errno = g_folder_error;
        return 0;
    }
    bool complete = finishAtlas(g_proof_folder, &g_cut_atlas);
    complete = finishAtlas(g_proof_folder, &g_output_atlas) && complete;
    PROOF_SHEET_T sheet;
    sheet.hadPrevious = false;
    sheet.cards.swap(g_proof_cards);
    // This run's pictures; those a skipped line takes from the previous proof do not count.
    for (PROOF_CARD_T &card : sheet.cards) {
        resolveAtlasRef(g_cut_atlas, &card.pictures.cut);
        resolveAtlasRef(g_output_atlas, &card.pictures.output);
        complete = complete && (!card.havePictures || card.pictures.complete);
    }
    PROOF_SHEET_T previous;
    if (readPrevious(&previous)) {
        compareWithPrevious(&sheet, previous);
    }
    if (!writeWhole(inFolder("proof.json"), proofJsonText(sheet)) ||
        !writeWhole(inFolder("index.html"), proofPageHtml(sheet))) {
        return 0;
    }
    // Only once the new page is in place: the old one may show them until then.
    UNNEEDED_T unneeded;
    const std::vector<std::string> names = proofPictureNames(sheet);
    unneeded.needed.insert(names.begin(), names.end());
    forEachInFolder(inFolder(PROOF_PICTURE_FOLDER).c_str(), noteUnneeded, &unneeded);
    for (const std::string &name : unneeded.names) {
        removeFileNow(picturePath(name).c_str());
    }
    if (!complete) {
        errno = EIO;
    }
    return complete ? 1 : 0;
}
