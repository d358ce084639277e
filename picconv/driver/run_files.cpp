#include "picconv/driver/run_files.h"

#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/safe_file.h"
#include "platform/files.h"

namespace {

std::vector<std::string> g_inputs;
std::vector<std::string> g_outputs;

void keepOnce(std::vector<std::string> *paths, const char *path) {
    if (std::find(paths->begin(), paths->end(), path) == paths->end()) {
        paths->push_back(path);
    }
}

std::string escaped(const std::string &path) {
    char *absolute = absolutePath(path.c_str());
    const std::string full = absolute != nullptr ? absolute : path;
    free(absolute);
    std::string text;
    for (char c : full) {
        if (c == ' ' || c == '\t' || c == '#') {
            text += '\\';
        } else if (c == '$') {
            text += '$';
        }
        text += c;
    }
    return text;
}

}  // namespace

void noteRunInput(const char *path) {
    keepOnce(&g_inputs, path);
}

void noteRunOutput(const char *path) {
    keepOnce(&g_outputs, path);
}

void printRunFiles(FILE *stream, bool inputs) {
    for (const std::string &path : inputs ? g_inputs : g_outputs) {
        fprintf(stream, "%s\n", path.c_str());
    }
}

int writeDepfile(const char *path) {
    // A command file without records has nothing to depend on: the file is left empty.
    std::string rule;
    for (const std::string &output : g_outputs) {
        rule += (rule.empty() ? "" : " ") + escaped(output);
    }
    if (!rule.empty()) {
        rule += ":";
        for (const std::string &input : g_inputs) {
            rule += " \\\n  " + escaped(input);
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
