#include "picconv/proof/proof_json.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const int MOST_DEPTH = 64;
const char REPLACEMENT[] = "\xef\xbf\xbd";

// The length of the well-formed UTF-8 sequence at p (end bounds it), or 0.
size_t sequenceLength(const unsigned char *p, const unsigned char *end) {
    if (p[0] < 0x80) {
        return 1;
    }
    size_t length = 0;
    uint32_t lowest = 0;
    uint32_t code = 0;
    if ((p[0] & 0xe0) == 0xc0) {
        length = 2;
        lowest = 0x80;
        code = p[0] & 0x1f;
    } else if ((p[0] & 0xf0) == 0xe0) {
        length = 3;
        lowest = 0x800;
        code = p[0] & 0x0f;
    } else if ((p[0] & 0xf8) == 0xf0) {
        length = 4;
        lowest = 0x10000;
        code = p[0] & 0x07;
    } else {
        return 0;
    }
    if (static_cast<size_t>(end - p) < length) {
        return 0;
    }
    for (size_t i = 1; i < length; i++) {
        if ((p[i] & 0xc0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (p[i] & 0x3f);
    }
    const bool surrogate = code >= 0xd800 && code <= 0xdfff;
    return code < lowest || code > 0x10ffff || surrogate ? 0 : length;
}

void appendUtf8(uint32_t code, std::string *out) {
    if (code < 0x80) {
        *out += static_cast<char>(code);
    } else if (code < 0x800) {
        *out += static_cast<char>(0xc0 | (code >> 6));
        *out += static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        *out += static_cast<char>(0xe0 | (code >> 12));
        *out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        *out += static_cast<char>(0x80 | (code & 0x3f));
    } else {
        *out += static_cast<char>(0xf0 | (code >> 18));
        *out += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
        *out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        *out += static_cast<char>(0x80 | (code & 0x3f));
    }
}

struct READER_T {
    const char *p;
    const char *end;
};

void skipBlanks(READER_T *in) {
    while (in->p < in->end && strchr(" \t\r\n", *in->p) != nullptr && *in->p != '\0') {
        in->p++;
    }
}

bool readHex4(READER_T *in, uint32_t *code) {
    if (in->end - in->p < 4) {
        return false;
    }
    *code = 0;
    for (int i = 0; i < 4; i++) {
        const char c = *in->p++;
        const char *digit = strchr("0123456789abcdef", c | 0x20);
        if (c == '\0' || digit == nullptr) {
            return false;
        }
        *code = *code * 16 + static_cast<uint32_t>(digit - "0123456789abcdef");
    }
    return true;
}

bool readString(READER_T *in, std::string *out) {
    in->p++;  // the opening quote
    out->clear();
    while (in->p < in->end) {
        const char c = *in->p++;
        if (c == '"') {
            return true;
        }
        if (static_cast<unsigned char>(c) < 0x20) {
            return false;
        }
        if (c != '\\') {
            *out += c;
            continue;
        }
        if (in->p == in->end) {
            return false;
        }
        const char escape = *in->p++;
        const char *from = "\"\\/bfnrt";
        const char *to = "\"\\/\b\f\n\r\t";
        const char *known = escape != '\0' ? strchr(from, escape) : nullptr;
        if (known != nullptr) {
            *out += to[known - from];
            continue;
        }
        uint32_t code = 0;
        if (escape != 'u' || !readHex4(in, &code)) {
            return false;
        }
        if (code >= 0xd800 && code < 0xdc00) {
            uint32_t low = 0;
            if (in->end - in->p < 2 || in->p[0] != '\\' || in->p[1] != 'u') {
                return false;
            }
            in->p += 2;
            if (!readHex4(in, &low) || low < 0xdc00 || low > 0xdfff) {
                return false;
            }
            code = 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
        } else if (code >= 0xdc00 && code <= 0xdfff) {
            return false;
        }
        appendUtf8(code, out);
    }
    return false;
}

bool readValue(READER_T *in, int depth, JSON_T *value);

bool readContainer(READER_T *in, int depth, JSON_T *value) {
    const bool object = *in->p == '{';
    value->kind = object ? JSON_OBJECT : JSON_ARRAY;
    const char close = object ? '}' : ']';
    in->p++;
    skipBlanks(in);
    if (in->p < in->end && *in->p == close) {
        in->p++;
        return true;
    }
    while (in->p < in->end) {
        if (object) {
            std::string key;
            if (*in->p != '"' || !readString(in, &key)) {
                return false;
            }
            skipBlanks(in);
            if (in->p == in->end || *in->p != ':') {
                return false;
            }
            in->p++;
            value->keys.push_back(key);
        }
        value->items.push_back(JSON_T());
        if (!readValue(in, depth + 1, &value->items.back())) {
            return false;
        }
        skipBlanks(in);
        if (in->p == in->end) {
            return false;
        }
        const char c = *in->p++;
        if (c == close) {
            return true;
        }
        if (c != ',') {
            return false;
        }
        skipBlanks(in);
    }
    return false;
}

bool readWord(READER_T *in, const char *word, JSON_KIND_T kind, JSON_T *value) {
    const size_t length = strlen(word);
    if (static_cast<size_t>(in->end - in->p) < length || memcmp(in->p, word, length) != 0) {
        return false;
    }
    in->p += length;
    value->kind = kind;
    return true;
}

bool readNumber(READER_T *in, JSON_T *value) {
    const char *start = in->p;
    while (in->p < in->end && *in->p != '\0' && strchr("+-.0123456789eE", *in->p) != nullptr) {
        in->p++;
    }
    value->kind = JSON_NUMBER;
    value->text.assign(start, in->p);
    char *stop = nullptr;
    strtod(value->text.c_str(), &stop);
    return !value->text.empty() && *stop == '\0';
}

bool readValue(READER_T *in, int depth, JSON_T *value) {
    *value = JSON_T();
    value->kind = JSON_NULL;
    skipBlanks(in);
    if (in->p == in->end || depth > MOST_DEPTH) {
        return false;
    }
    switch (*in->p) {
        case '{':
        case '[':
            return readContainer(in, depth, value);
        case '"':
            value->kind = JSON_STRING;
            return readString(in, &value->text);
        case 't':
            return readWord(in, "true", JSON_TRUE, value);
        case 'f':
            return readWord(in, "false", JSON_FALSE, value);
        case 'n':
            return readWord(in, "null", JSON_NULL, value);
        default:
            return readNumber(in, value);
    }
}

}  // namespace

std::string jsonString(const std::string &text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string wellFormedText(const std::string &text) {
    std::string out;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text.data());
    const unsigned char *end = p + text.size();
    while (p < end) {
        const size_t length = sequenceLength(p, end);
        if (length == 0) {
            out += REPLACEMENT;
            p++;
        } else {
            out.append(reinterpret_cast<const char *>(p), length);
            p += length;
        }
    }
    return out;
}

bool parseJson(const std::string &text, JSON_T *value) {
    READER_T in = {text.data(), text.data() + text.size()};
    if (!readValue(&in, 0, value)) {
        return false;
    }
    skipBlanks(&in);
    return in.p == in.end;
}

const JSON_T *jsonMember(const JSON_T &value, const char *key) {
    if (value.kind != JSON_OBJECT) {
        return nullptr;
    }
    for (size_t i = 0; i < value.keys.size(); i++) {
        if (value.keys[i] == key) {
            return &value.items[i];
        }
    }
    return nullptr;
}

std::string jsonMemberText(const JSON_T &value, const char *key) {
    const JSON_T *member = jsonMember(value, key);
    return member != nullptr && member->kind == JSON_STRING ? member->text : std::string();
}

int64_t jsonMemberNumber(const JSON_T &value, const char *key, int64_t fallback) {
    const JSON_T *member = jsonMember(value, key);
    return member != nullptr && member->kind == JSON_NUMBER
               ? strtoll(member->text.c_str(), nullptr, 10)
               : fallback;
}

bool jsonMemberFlag(const JSON_T &value, const char *key) {
    const JSON_T *member = jsonMember(value, key);
    return member != nullptr && member->kind == JSON_TRUE;
}
