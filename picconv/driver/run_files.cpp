#include "picconv/driver/run_files.h"

#include <stdlib.h>

#include <string>
#include <unordered_set>
#include <vector>

#include "common/safe_file.h"
#include "platform/files.h"

namespace {

// Each path once, with the order first noted: a look-up that does not grow with the number of
// paths keeps noting linear, and the set's elements stay where they are as it grows.
struct RUN_PATHS_T {
    std::unordered_set<std::string> seen;
    std::vector<const std::string *> order;
};

RUN_PATHS_T g_inputs;
RUN_PATHS_T g_outputs;

void keepOnce(RUN_PATHS_T *paths, const char *path) {
    const auto inserted = paths->seen.insert(path);
    if (inserted.second) {
        paths->order.push_back(&*inserted.first);
    }
}

// As compilers write their dependency files, which Make, Ninja and CMake all read: a blank or
// '#' gets a backslash, the backslashes right before it are doubled, and '$' is written twice.
void appendEscaped(std::string *text, const std::string &path) {
    char *absolute = absolutePath(path.c_str());
    const std::string full = absolute != nullptr ? absolute : path;
    free(absolute);
    size_t backslashes = 0;
    for (char c : full) {
        if (c == ' ' || c == '\t' || c == '#') {
            text->append(backslashes + 1, '\\');
        } else if (c == '$') {
            *text += '$';
        }
        backslashes = c == '\\' ? backslashes + 1 : 0;
        *text += c;
    }
}

}  // namespace

void noteRunInput(const char *path) {
    keepOnce(&g_inputs, path);
}

void noteRunOutput(const char *path) {
    keepOnce(&g_outputs, path);
}

void printRunFiles(FILE *stream, bool inputs) {
    for (const std::string *path : (inputs ? g_inputs : g_outputs).order) {
        fprintf(stream, "%s\n", path->c_str());
    }
}

int writeDepfile(const char *path) {
    // A command file without records has nothing to depend on: the file is left empty.
    std::string rule;
    for (const std::string *output : g_outputs.order) {
        if (!rule.empty()) {
            rule += ' ';
        }
        appendEscaped(&rule, *output);
    }
    if (!rule.empty()) {
        rule += ":";
        for (const std::string *input : g_inputs.order) {
            rule += " \\\n  ";
            appendEscaped(&rule, *input);
        }
        rule += "\n";
    }
    SAFE_FILE_T safe;
    // Binary: Make and Ninja expect the same LF line ends on every platform.
    if (!openSafeFile(path, "wb", &safe)) {
        return 0;
    }
    fputs(rule.c_str(), safe.file);
    return commitSafeFile(&safe);
}
