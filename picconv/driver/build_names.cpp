#include "picconv/driver/build_names.h"

#include <string.h>

#include "platform/files.h"

namespace {

const unsigned INPUT = 1u << BUILD_NAME_INPUT;
const unsigned OUTPUT = 1u << BUILD_NAME_OUTPUT;

struct NAME_RULE_T {
    const char *characters;  // null: the control characters
    unsigned roles;
    const char *reason;
};

// Tried in this order, as the CMake package tries them, so that both give the same reason.
const NAME_RULE_T RULES[] = {
    {nullptr, INPUT | OUTPUT, "control characters cannot be written into a build file"},
    {";", INPUT | OUTPUT, "CMake, Ninja and Make all read ';' as a separator"},
    {"\\", INPUT | OUTPUT, "CMake reads '\\' in a path as '/'"},
    {"#<>", OUTPUT, "CMake refuses '#', '<' and '>' in the output of a custom command"},
    {":", INPUT | OUTPUT, "Make takes ':' for the colon of a rule"},
    {"*?[", INPUT | OUTPUT, "Make expands '*', '?' and '[' as wildcards"},
    {"%", OUTPUT, "Make reads '%' in a target as a pattern"},
    {"\"]", OUTPUT, "CMake's Makefile generator cannot write '\"' or ']' in an output"},
    {"\"#$&'*<>?^`", INPUT,
     "the dependency file CMake hands to Ninja cannot hold any of \"#$&'*<>?^`"},
};

bool breaksRule(const NAME_RULE_T &rule, char c) {
    if (rule.characters == nullptr) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    }
    const char one[2] = {c, '\0'};
    // '\\' and ':' separate folders and drives on Windows, and CMake takes them so there.
    return strchr(rule.characters, c) != nullptr && !hasFolderPart(one);
}

}  // namespace

const char *buildNameProblem(const char *path, BUILD_NAME_ROLE_T role, size_t *at) {
    for (const NAME_RULE_T &rule : RULES) {
        if ((rule.roles & (1u << role)) == 0) {
            continue;
        }
        for (size_t offset = 0; path[offset] != '\0'; offset++) {
            if (breaksRule(rule, path[offset])) {
                *at = offset;
                return rule.reason;
            }
        }
    }
    return nullptr;
}
