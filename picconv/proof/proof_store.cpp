#include "picconv/proof/proof_store.h"

#include <stdio.h>
#include <string.h>

#include "platform/files.h"

const char PROOF_PICTURE_FOLDER[] = "pictures";

namespace {

// Hex digits of the content hash in a picture's name: 128 bits.
const size_t NAME_HEX_DIGITS = 32;
// An atlas is this wide and at most this high: a few megabytes a browser decodes at once.
const uint32_t ATLAS_SIDE = 1024;

size_t bytesPerPixel(PNG_KIND_T kind) {
    return kind == PNG_RGB ? 3 : 1;
}

void fillRasterRow(void *context, uint32_t row, uint8_t *out) {
    const RASTER_T *raster = static_cast<const RASTER_T *>(context);
    const size_t bytes = raster->width * bytesPerPixel(raster->kind);
    memcpy(out, raster->samples.data() + row * bytes, bytes);
}

// A picture's name comes from its content through a fast 128-bit hash (two lanes of 64 bits,
// eight bytes a step): SHA-256 would cost more than the rest of a proof of many small cuts, and
// a name needs no defence against a forger.
void contentHash(const void *data, size_t size, uint64_t lanes[2]) {
    const uint8_t *p = static_cast<const uint8_t *>(data);
    while (size > 0) {
        const size_t step = size < 8 ? size : 8;
        uint64_t word = 0;
        memcpy(&word, p, step);
        p += step;
        size -= step;
        lanes[0] = (lanes[0] ^ word) * 0x100000001b3ull;
        lanes[0] ^= lanes[0] >> 29;
        lanes[1] = (lanes[1] ^ (word << 32 | word >> 32)) * 0xff51afd7ed558ccdull;
        lanes[1] ^= lanes[1] >> 31;
    }
}

// Mixes every bit of a lane into every other (MurmurHash3's finaliser).
uint64_t finish(uint64_t value) {
    value ^= value >> 33;
    value *= 0xff51afd7ed558ccdull;
    value ^= value >> 33;
    value *= 0xc4ceb9fe1a85ec53ull;
    value ^= value >> 33;
    return value;
}

}  // namespace

PICTURE_REF_T noPicture() {
    PICTURE_REF_T ref;
    ref.atlas = -1;
    ref.fileWidth = ref.fileHeight = ref.x = ref.y = ref.width = ref.height = 0;
    return ref;
}

bool storeRaster(const char *folder, const RASTER_T &raster, std::string *name) {
    const uint32_t shape[3] = {static_cast<uint32_t>(raster.kind), raster.width, raster.height};
    uint64_t lanes[2] = {0x9e3779b97f4a7c15ull, 0xc2b2ae3d27d4eb4full};
    contentHash(shape, sizeof shape, lanes);
    contentHash(raster.samples.data(), raster.samples.size(), lanes);
    char hex[NAME_HEX_DIGITS + 1];
    snprintf(hex, sizeof hex, "%016llx%016llx", static_cast<unsigned long long>(finish(lanes[0])),
             static_cast<unsigned long long>(finish(lanes[1] ^ lanes[0])));
    *name = std::string(hex) + ".png";
    const std::string path = std::string(folder) + "/" + PROOF_PICTURE_FOLDER + "/" + *name;
    if (isRegularFile(path.c_str())) {
        return true;
    }
    std::string message;
    return writePng(path.c_str(), raster.kind, PNG_QUICKEST, raster.width, raster.height,
                    fillRasterRow, const_cast<RASTER_T *>(&raster), &message);
}

bool isProofPictureName(const std::string &name) {
    if (name.size() != NAME_HEX_DIGITS + 4 || name.compare(NAME_HEX_DIGITS, 4, ".png") != 0) {
        return false;
    }
    for (size_t i = 0; i < NAME_HEX_DIGITS; i++) {
        if (name[i] == '\0' || strchr("0123456789abcdef", name[i]) == nullptr) {
            return false;
        }
    }
    return true;
}

PROOF_ATLAS_T newAtlas(PNG_KIND_T kind) {
    PROOF_ATLAS_T atlas;
    atlas.kind = kind;
    atlas.filling = RASTER_T{kind, ATLAS_SIDE, 0, std::vector<uint8_t>()};
    atlas.shelfX = atlas.shelfY = atlas.shelfHeight = 0;
    return atlas;
}

void placeInAtlas(const char *folder, PROOF_ATLAS_T *atlas, const RASTER_T &raster,
                  PICTURE_REF_T *ref) {
    *ref = noPicture();
    if (raster.width == 0 || raster.height == 0 || raster.width > ATLAS_SIDE ||
        raster.height > ATLAS_SIDE) {
        return;
    }
    // Shelves, left to right, each as high as its highest picture.
    if (atlas->shelfX + raster.width > ATLAS_SIDE) {
        atlas->shelfY += atlas->shelfHeight;
        atlas->shelfX = atlas->shelfHeight = 0;
    }
    if (atlas->shelfY + raster.height > ATLAS_SIDE) {
        finishAtlas(folder, atlas);
    }
    RASTER_T &filling = atlas->filling;
    const size_t pixel = bytesPerPixel(atlas->kind);
    const uint32_t bottom = atlas->shelfY + raster.height;
    if (bottom > filling.height) {
        filling.height = bottom;
        filling.samples.resize(static_cast<size_t>(filling.height) * filling.width * pixel);
    }
    for (uint32_t row = 0; row < raster.height; row++) {
        memcpy(filling.samples.data() +
                   ((atlas->shelfY + row) * static_cast<size_t>(filling.width) + atlas->shelfX) *
                       pixel,
               raster.samples.data() + row * static_cast<size_t>(raster.width) * pixel,
               raster.width * pixel);
    }
    ref->atlas = static_cast<long>(atlas->files.size());
    ref->x = atlas->shelfX;
    ref->y = atlas->shelfY;
    ref->width = raster.width;
    ref->height = raster.height;
    atlas->shelfX += raster.width;
    atlas->shelfHeight = raster.height > atlas->shelfHeight ? raster.height : atlas->shelfHeight;
}

bool finishAtlas(const char *folder, PROOF_ATLAS_T *atlas) {
    bool written = true;
    if (atlas->filling.height > 0) {
        std::string name;
        written = storeRaster(folder, atlas->filling, &name);
        atlas->files.push_back(written ? name : std::string());
        atlas->heights.push_back(atlas->filling.height);
    }
    atlas->filling.height = 0;
    atlas->filling.samples.clear();
    atlas->shelfX = atlas->shelfY = atlas->shelfHeight = 0;
    for (const std::string &file : atlas->files) {
        written = written && !file.empty();
    }
    return written;
}

void resolveAtlasRef(const PROOF_ATLAS_T &atlas, PICTURE_REF_T *ref) {
    if (ref->atlas < 0) {
        return;
    }
    const size_t number = static_cast<size_t>(ref->atlas);
    ref->atlas = -1;
    if (number >= atlas.files.size() || atlas.files[number].empty()) {
        *ref = noPicture();
        return;
    }
    ref->file = atlas.files[number];
    ref->fileWidth = atlas.filling.width;
    ref->fileHeight = atlas.heights[number];
}
