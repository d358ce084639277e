// The little JSON the proof sheet needs: strings written escaped, and proof.json read back (any
// JSON text, into a tree), so that the next run finds the previous proof's lines.
#ifndef PICCONV_PROOF_PROOF_JSON_H
#define PICCONV_PROOF_PROOF_JSON_H

#include <stdint.h>

#include <string>
#include <vector>

// text as a JSON string, quotes included.
std::string jsonString(const std::string &text);

// text with every byte that does not belong to well-formed UTF-8 replaced by U+FFFD, so that
// JSON and HTML made of it are well-formed too.
std::string wellFormedText(const std::string &text);

enum JSON_KIND_T {
    JSON_NULL,
    JSON_FALSE,
    JSON_TRUE,
    JSON_NUMBER,
    JSON_STRING,
    JSON_ARRAY,
    JSON_OBJECT
};

struct JSON_T {
    JSON_KIND_T kind;
    std::string text;               // a string's value, a number as written
    std::vector<JSON_T> items;      // an array's values, an object's member values
    std::vector<std::string> keys;  // an object's member names, beside items
};

// false when text is not one JSON value (blanks around it allowed), or nests deeper than 64.
bool parseJson(const std::string &text, JSON_T *value);

// The member named key of an object; null when value is no object or has no such member.
const JSON_T *jsonMember(const JSON_T &value, const char *key);

// A member's value as text, number or flag; fallback when missing or of another kind.
std::string jsonMemberText(const JSON_T &value, const char *key);
int64_t jsonMemberNumber(const JSON_T &value, const char *key, int64_t fallback);
bool jsonMemberFlag(const JSON_T &value, const char *key);

#endif
