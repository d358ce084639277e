#include "picconv/proof/proof_sheet.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <set>
#include <utility>

#include "picconv/proof/proof_json.h"

namespace {

const int PROOF_FORMAT = 1;
const char HEX_DIGITS[] = "0123456789abcdef";

struct STATUS_NAME_T {
    LINE_STATUS_T status;
    const char *name;
};

const STATUS_NAME_T STATUS_NAMES[] = {{LINE_WRITTEN, "written"},
                                      {LINE_UNCHANGED, "unchanged"},
                                      {LINE_SKIPPED, "state-skipped"},
                                      {LINE_NO_OUTPUT, "failed"},
                                      {LINE_NOT_A_RECORD, "short"}};

const char *statusName(LINE_STATUS_T status) {
    for (const STATUS_NAME_T &entry : STATUS_NAMES) {
        if (entry.status == status) {
            return entry.name;
        }
    }
    return "failed";
}

bool statusNamed(const std::string &name, LINE_STATUS_T *status) {
    for (const STATUS_NAME_T &entry : STATUS_NAMES) {
        if (name == entry.name) {
            *status = entry.status;
            return true;
        }
    }
    return false;
}

bool isRecord(const PROOF_CARD_T &card) {
    return card.status != LINE_NOT_A_RECORD;
}

bool readHex(const std::string &text, uint8_t hash[SHA256_DIGEST_SIZE]) {
    if (text.size() != 2 * SHA256_DIGEST_SIZE) {
        return false;
    }
    for (size_t i = 0; i < 2 * SHA256_DIGEST_SIZE; i++) {
        const char *digit = text[i] != '\0' ? strchr(HEX_DIGITS, text[i]) : nullptr;
        if (digit == nullptr) {
            return false;
        }
        const uint8_t value = static_cast<uint8_t>(digit - HEX_DIGITS);
        hash[i / 2] = static_cast<uint8_t>(i % 2 == 0 ? value << 4 : hash[i / 2] | value);
    }
    return true;
}

// Keys that match a record to the previous proof's: its output path and how many lines before
// it named the same path.
std::vector<std::pair<std::string, int>> recordKeys(const std::vector<PROOF_CARD_T> &cards) {
    std::map<std::string, int> seen;
    std::vector<std::pair<std::string, int>> keys;
    for (const PROOF_CARD_T &card : cards) {
        keys.push_back(std::make_pair(card.output, isRecord(card) ? seen[card.output]++ : -1));
    }
    return keys;
}

// A picture's place: [file, file width, file height, x, y, width, height].
std::string refJson(const PICTURE_REF_T &ref) {
    if (ref.file.empty()) {
        return "null";
    }
    char numbers[128];
    snprintf(numbers, sizeof numbers, ", %u, %u, %u, %u, %u, %u]", ref.fileWidth, ref.fileHeight,
             ref.x, ref.y, ref.width, ref.height);
    return "[\"" + std::string(PROOF_PICTURE_FOLDER) + "/" + ref.file + "\"" + numbers;
}

std::string picturesJson(const PROOF_PICTURES_T &p) {
    char numbers[256];
    snprintf(numbers, sizeof numbers,
             "\"sourceSize\": [%u, %u], \"rectangle\": [%ld, %ld, %u, %u], \"steps\": [%u, %u], "
             "\"storedSize\": [%u, %u], \"complete\": %s}",
             p.sourceWidth, p.sourceHeight, static_cast<long>(p.x), static_cast<long>(p.y), p.w,
             p.h, p.cutStep, p.outputStep, p.storedWidth, p.storedHeight,
             p.complete ? "true" : "false");
    return "{\"source\": " + refJson(p.source) + ", \"cut\": " + refJson(p.cut) +
           ", \"output\": " + refJson(p.output) + ", " + numbers;
}

// The numbers of an array member, as many as asked for; false when it has fewer or others.
bool readNumbers(const JSON_T &value, const char *key, size_t from, int64_t *out, size_t count) {
    const JSON_T *member = jsonMember(value, key);
    if (member == nullptr || member->kind != JSON_ARRAY || member->items.size() != from + count) {
        return false;
    }
    for (size_t i = 0; i < count; i++) {
        const JSON_T &item = member->items[from + i];
        if (item.kind != JSON_NUMBER) {
            return false;
        }
        out[i] = strtoll(item.text.c_str(), nullptr, 10);
    }
    return true;
}

// A picture's place as proof.json gives it; false when its file is not one of ours.
bool readRef(const JSON_T &pictures, const char *key, PICTURE_REF_T *ref) {
    *ref = noPicture();
    const JSON_T *member = jsonMember(pictures, key);
    if (member == nullptr || member->kind == JSON_NULL) {
        return true;
    }
    const std::string prefix = std::string(PROOF_PICTURE_FOLDER) + "/";
    int64_t n[6];
    if (member->kind != JSON_ARRAY || member->items.empty() ||
        member->items[0].kind != JSON_STRING ||
        member->items[0].text.compare(0, prefix.size(), prefix) != 0 ||
        !isProofPictureName(member->items[0].text.substr(prefix.size())) ||
        !readNumbers(pictures, key, 1, n, 6)) {
        return false;
    }
    for (const int64_t value : n) {
        if (value < 0 || value > UINT32_MAX) {
            return false;
        }
    }
    ref->file = member->items[0].text.substr(prefix.size());
    ref->fileWidth = static_cast<uint32_t>(n[0]);
    ref->fileHeight = static_cast<uint32_t>(n[1]);
    ref->x = static_cast<uint32_t>(n[2]);
    ref->y = static_cast<uint32_t>(n[3]);
    ref->width = static_cast<uint32_t>(n[4]);
    ref->height = static_cast<uint32_t>(n[5]);
    // A place outside its file would show another picture's pixels.
    return n[2] + n[4] <= n[0] && n[3] + n[5] <= n[1];
}

bool readPictures(const JSON_T &value, PROOF_PICTURES_T *p) {
    *p = noProofPictures();
    int64_t size[2];
    int64_t rectangle[4];
    int64_t steps[2];
    int64_t stored[2];
    if (!readRef(value, "source", &p->source) || !readRef(value, "cut", &p->cut) ||
        !readRef(value, "output", &p->output) || !readNumbers(value, "sourceSize", 0, size, 2) ||
        !readNumbers(value, "rectangle", 0, rectangle, 4) ||
        !readNumbers(value, "steps", 0, steps, 2) ||
        !readNumbers(value, "storedSize", 0, stored, 2)) {
        return false;
    }
    p->sourceWidth = static_cast<uint32_t>(size[0]);
    p->sourceHeight = static_cast<uint32_t>(size[1]);
    p->x = static_cast<int32_t>(rectangle[0]);
    p->y = static_cast<int32_t>(rectangle[1]);
    p->w = static_cast<uint32_t>(rectangle[2]);
    p->h = static_cast<uint32_t>(rectangle[3]);
    p->cutStep = static_cast<uint32_t>(steps[0]);
    p->outputStep = static_cast<uint32_t>(steps[1]);
    p->storedWidth = static_cast<uint32_t>(stored[0]);
    p->storedHeight = static_cast<uint32_t>(stored[1]);
    p->complete = jsonMemberFlag(value, "complete");
    return true;
}

}  // namespace

std::string hexOf(const uint8_t hash[SHA256_DIGEST_SIZE]) {
    std::string hex(2 * SHA256_DIGEST_SIZE, '0');
    for (size_t i = 0; i < SHA256_DIGEST_SIZE; i++) {
        hex[2 * i] = HEX_DIGITS[hash[i] >> 4];
        hex[2 * i + 1] = HEX_DIGITS[hash[i] & 15];
    }
    return hex;
}

PROOF_CARD_T proofCardOf(long number, const std::string &text, LINE_STATUS_T status) {
    PROOF_CARD_T card;
    card.number = number;
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r')) {
        end--;
    }
    card.text = wellFormedText(text.substr(0, end));
    size_t start = 0;
    while (card.fields.size() < 5) {
        const size_t bar = card.text.find('|', start);
        card.fields.push_back(
            card.text.substr(start, bar == std::string::npos ? bar : bar - start));
        if (bar == std::string::npos) {
            break;
        }
        start = bar + 1;
    }
    card.status = status;
    card.hashed = false;
    memset(card.hash, 0, sizeof card.hash);
    card.size = 0;
    card.havePictures = false;
    card.pictures = noProofPictures();
    card.change = CHANGE_NONE;
    card.previousHashed = false;
    memset(card.previousHash, 0, sizeof card.previousHash);
    card.previousOutput = noPicture();
    return card;
}

PROOF_TOTALS_T proofTotals(const PROOF_SHEET_T &sheet) {
    PROOF_TOTALS_T totals = {0, 0, 0, 0, 0, 0, 0, static_cast<long>(sheet.removed.size())};
    for (const PROOF_CARD_T &card : sheet.cards) {
        long *counts[] = {&totals.notRecords, &totals.written, &totals.unchanged,
                          &totals.skipped,    &totals.failed,  &totals.failed};
        (*counts[card.status])++;
        totals.changed += card.change == CHANGE_CHANGED ? 1 : 0;
        totals.added += card.change == CHANGE_ADDED ? 1 : 0;
    }
    return totals;
}

void compareWithPrevious(PROOF_SHEET_T *sheet, const PROOF_SHEET_T &previous) {
    sheet->hadPrevious = true;
    sheet->removed.clear();
    const std::vector<std::pair<std::string, int>> oldKeys = recordKeys(previous.cards);
    std::map<std::pair<std::string, int>, size_t> byKey;
    for (size_t i = 0; i < oldKeys.size(); i++) {
        if (oldKeys[i].second >= 0) {
            byKey[oldKeys[i]] = i;
        }
    }
    std::set<size_t> usedPictures;
    const std::vector<std::pair<std::string, int>> keys = recordKeys(sheet->cards);
    for (size_t i = 0; i < sheet->cards.size(); i++) {
        PROOF_CARD_T &card = sheet->cards[i];
        if (!isRecord(card)) {
            continue;
        }
        if (card.status == LINE_SKIPPED && !card.havePictures) {
            for (size_t k = 0; k < previous.cards.size(); k++) {
                const PROOF_CARD_T &old = previous.cards[k];
                if (old.havePictures && old.text == card.text && old.output == card.output &&
                    usedPictures.insert(k).second) {
                    card.pictures = old.pictures;
                    card.havePictures = true;
                    break;
                }
            }
        }
        const auto found = byKey.find(keys[i]);
        if (found == byKey.end()) {
            card.change = CHANGE_ADDED;
            continue;
        }
        const PROOF_CARD_T &old = previous.cards[found->second];
        byKey.erase(found);
        card.previousHashed = old.hashed;
        memcpy(card.previousHash, old.hash, sizeof card.previousHash);
        const bool same = card.hashed == old.hashed &&
                          (!card.hashed || memcmp(card.hash, old.hash, sizeof card.hash) == 0);
        card.change = same ? CHANGE_SAME : CHANGE_CHANGED;
        if (!same && old.havePictures) {
            card.previousOutput = old.pictures.output;
        }
    }
    for (size_t i = 0; i < previous.cards.size(); i++) {
        if (oldKeys[i].second >= 0 && byKey.count(oldKeys[i]) != 0) {
            const PROOF_CARD_T &old = previous.cards[i];
            sheet->removed.push_back(PROOF_REMOVED_T{old.number, old.text, old.output});
        }
    }
}

std::vector<std::string> proofPictureNames(const PROOF_SHEET_T &sheet) {
    std::vector<std::string> names;
    for (const PROOF_CARD_T &card : sheet.cards) {
        for (const PICTURE_REF_T *ref : {&card.pictures.source, &card.pictures.cut,
                                         &card.pictures.output, &card.previousOutput}) {
            if (!ref->file.empty()) {
                names.push_back(ref->file);
            }
        }
    }
    return names;
}

std::string proofJsonText(const PROOF_SHEET_T &sheet) {
    const PROOF_TOTALS_T totals = proofTotals(sheet);
    char head[512];
    snprintf(
        head, sizeof head,
        "{\n\"format\": %d,\n\"previous\": %s,\n\"totals\": {\"lines\": %zu, \"written\": %ld, "
        "\"unchanged\": %ld, \"stateSkipped\": %ld, \"failed\": %ld, \"short\": %ld, "
        "\"changed\": %ld, \"added\": %ld, \"removed\": %ld},\n\"lines\": [",
        PROOF_FORMAT, sheet.hadPrevious ? "true" : "false", sheet.cards.size(), totals.written,
        totals.unchanged, totals.skipped, totals.failed, totals.notRecords, totals.changed,
        totals.added, totals.removed);
    std::string out = head;
    const char *separator = "\n";
    for (const PROOF_CARD_T &card : sheet.cards) {
        std::string fields;
        for (const std::string &field : card.fields) {
            fields += (fields.empty() ? "" : ", ") + jsonString(field);
        }
        const bool record = isRecord(card);
        out += separator;
        out += "{\"number\": " + std::to_string(card.number) +
               ", \"text\": " + jsonString(card.text) + ", \"fields\": [" + fields +
               "], \"status\": " + jsonString(statusName(card.status)) + ", \"reason\": " +
               (card.status == LINE_NO_OUTPUT ? jsonString(wellFormedText(card.reason)) : "null") +
               ", \"output\": " + (record ? jsonString(card.output) : "null") +
               ", \"hash\": " + (card.hashed ? "\"" + hexOf(card.hash) + "\"" : "null") +
               ", \"size\": " + (card.hashed ? std::to_string(card.size) : "null") +
               ", \"changed\": " +
               (card.change == CHANGE_CHANGED || card.change == CHANGE_ADDED ? "true" : "false") +
               ", \"added\": " + (card.change == CHANGE_ADDED ? "true" : "false") +
               ", \"previousHash\": " +
               (card.change == CHANGE_CHANGED && card.previousHashed
                    ? "\"" + hexOf(card.previousHash) + "\""
                    : "null") +
               ", \"previousOutput\": " + refJson(card.previousOutput) +
               ", \"pictures\": " + (card.havePictures ? picturesJson(card.pictures) : "null") +
               "}";
        separator = ",\n";
    }
    out += "\n],\n\"removed\": [";
    separator = "\n";
    for (const PROOF_REMOVED_T &removed : sheet.removed) {
        out += separator;
        out += "{\"number\": " + std::to_string(removed.number) +
               ", \"text\": " + jsonString(removed.text) +
               ", \"output\": " + jsonString(removed.output) + "}";
        separator = ",\n";
    }
    return out + "\n]\n}\n";
}

bool readProofJson(const std::string &text, PROOF_SHEET_T *sheet) {
    *sheet = PROOF_SHEET_T();
    sheet->hadPrevious = false;
    JSON_T root;
    if (!parseJson(text, &root) || jsonMemberNumber(root, "format", 0) != PROOF_FORMAT) {
        return false;
    }
    sheet->hadPrevious = jsonMemberFlag(root, "previous");
    const JSON_T *lines = jsonMember(root, "lines");
    if (lines == nullptr || lines->kind != JSON_ARRAY) {
        return false;
    }
    for (const JSON_T &line : lines->items) {
        LINE_STATUS_T status;
        if (!statusNamed(jsonMemberText(line, "status"), &status)) {
            return false;
        }
        PROOF_CARD_T card = proofCardOf(static_cast<long>(jsonMemberNumber(line, "number", 0)),
                                        jsonMemberText(line, "text"), status);
        card.output = jsonMemberText(line, "output");
        card.reason = jsonMemberText(line, "reason");
        card.hashed = readHex(jsonMemberText(line, "hash"), card.hash);
        card.size = static_cast<uint64_t>(jsonMemberNumber(line, "size", 0));
        if (!readRef(line, "previousOutput", &card.previousOutput)) {
            return false;
        }
        const JSON_T *pictures = jsonMember(line, "pictures");
        if (pictures != nullptr && pictures->kind == JSON_OBJECT) {
            if (!readPictures(*pictures, &card.pictures)) {
                return false;
            }
            card.havePictures = true;
        }
        sheet->cards.push_back(card);
    }
    return true;
}
