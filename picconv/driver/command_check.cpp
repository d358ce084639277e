#include "picconv/driver/command_check.h"

#include <ctype.h>
#include <errno.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "picconv/diagnostics/diagnostics.h"
#include "picconv/driver/build_names.h"
#include "picconv/driver/command_file.h"
#include "picconv/driver/command_record.h"
#include "picconv/driver/converter.h"
#include "picconv/driver/input_paths.h"
#include "picconv/driver/output_clash.h"
#include "picconv/plugin/plugin_probe.h"
#include "platform/files.h"

namespace {

const char *const MEMBER_NAMES[4] = {"x", "y", "w", "h"};

struct CHECK_T {
    const char *commandFile;
    long lineNumber;
    int warnings;
};

struct FIELD_T {
    std::string text;
    long column;  // of its first character in the line, from 1
};

void warn(CHECK_T *check, long column, const std::string &message) {
    reportWarning(check->commandFile, check->lineNumber, column, "%s", message.c_str());
    check->warnings++;
}

std::string quoted(const std::string &text) {
    return "\"" + text + "\"";
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isSeparator(char c) {
    return c == ',' || isBlank(c) || c == '/' || c == ';' || c == '\r' || c == '\n';
}

// Blanks at either end of a path are part of it, which is rarely meant.
void checkBlanks(CHECK_T *check, const FIELD_T &field, const char *what) {
    const std::string &text = field.text;
    if (!text.empty() && isBlank(text[0])) {
        warn(check, field.column,
             std::string("the ") + what + " " + quoted(text) +
                 " starts with a blank, which is part of it");
    } else if (!text.empty() && isBlank(text[text.size() - 1])) {
        warn(check, field.column + static_cast<long>(text.size()) - 1,
             std::string("the ") + what + " " + quoted(text) +
                 " ends with a blank, which is part of it");
    }
}

// The numbers of a geometry field as parseQuad reads them, and how they could mislead.
void checkNumbers(CHECK_T *check, const FIELD_T &field, const char *what) {
    std::string text = field.text;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    const char first = text.empty() ? '\0' : text[0];
    if (first != '\0' && !isdigit(static_cast<unsigned char>(first))) {
        size_t at = 0;
        while (at < text.size() && isspace(static_cast<unsigned char>(text[at]))) {
            at++;
        }
        if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
            at++;
        }
        if (at < text.size() && isdigit(static_cast<unsigned char>(text[at]))) {
            warn(check, field.column,
                 std::string("the ") + what + " " + quoted(text) +
                     " starts with a blank or sign, so its first number is read twice");
        } else {
            warn(check, field.column,
                 std::string("the ") + what + " " + quoted(text) +
                     " does not start with a number, so its x is 0 and the numbers after shift");
        }
    }
    int numbers = 0;
    for (size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (isdigit(static_cast<unsigned char>(c))) {
            const size_t start = at;
            while (at < text.size() && isdigit(static_cast<unsigned char>(text[at]))) {
                at++;
            }
            numbers++;
            const bool signedBefore = start > 0 && text[start - 1] == '-';
            if (signedBefore && start > 1) {
                warn(check, field.column + static_cast<long>(start) - 1,
                     "the sign of -" + text.substr(start, at - start) + " in the " + what +
                         " is ignored: only a first number can be negative");
            }
            continue;
        }
        const bool sign = (c == '-' || c == '+') && at + 1 < text.size() &&
                          isdigit(static_cast<unsigned char>(text[at + 1]));
        if (!sign && !isSeparator(c)) {
            warn(check, field.column + static_cast<long>(at),
                 "stray character '" + std::string(1, c) + "' in the " + what +
                     "; the numbers are read around it");
            // One stray character per field is enough to point at it.
            while (at < text.size() && !isdigit(static_cast<unsigned char>(text[at]))) {
                at++;
            }
            continue;
        }
        at++;
    }
    if (numbers != 4) {
        warn(check, field.column,
             std::to_string(numbers) + " numbers in the " + what +
                 " where 4 (x, y, w, h) are needed");
    }
    const QUAD_T quad = parseQuad(field.text.c_str());
    const long read[4] = {quad.x, quad.y, quad.w, quad.h};
    // What atoi gives each member before the cut to 16 bits, found the way parseQuad walks.
    const char *p = field.text.c_str();
    for (int member = 0; member < 4; member++) {
        const long value = atol(p);
        if (value != read[member]) {
            warn(check, field.column + static_cast<long>(p - field.text.c_str()),
                 std::to_string(value) + " is cut to 16 bits and read as " +
                     std::to_string(read[member]) + " (" + MEMBER_NAMES[member] + " of the " +
                     what + ")");
        }
        p = nextQuadNumber(p);
    }
}

// What parseQuad makes of a field, for the size checks.
QUAD_T quadOf(const FIELD_T &field) {
    return parseQuad(field.text.c_str());
}

void checkFiles(CHECK_T *check, const FIELD_T fields[FIELD_COUNT]) {
    const std::string plugin = pluginPathOf(fields[FIELD_PLUGIN].text.c_str());
    const std::string picture = picturePathOf(fields[FIELD_PICTURE].text.c_str());
    const std::string &output = fields[FIELD_OUTPUT].text;
    const char *pluginFile = nullptr;
    const char *why = nullptr;
    const bool loaded = probePlugin(plugin.c_str(), &pluginFile, &why) != 0;
    if (!loaded) {
        warn(check, fields[FIELD_PLUGIN].column,
             "the plug-in " + quoted(plugin) + " cannot be loaded: " + why);
    }
    const bool pictureThere = pathExists(picture.c_str()) != 0;
    if (!pictureThere) {
        warn(check, fields[FIELD_PICTURE].column,
             "the picture " + quoted(picture) + " does not exist");
    }
    if (output.empty()) {
        warn(check, fields[FIELD_OUTPUT].column, "the output path is empty");
    } else {
        const size_t slash = output.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : output.substr(0, slash + 1);
        if (!pathExists(folder.c_str())) {
            warn(check, fields[FIELD_OUTPUT].column,
                 "the output folder " + quoted(folder) + " does not exist");
        }
        const char *clash = outputClash(output.c_str(), picture.c_str(), check->commandFile, true);
        if (clash != nullptr) {
            warn(check, fields[FIELD_OUTPUT].column,
                 "the output " + quoted(output) + " is refused: " + clash);
        }
    }
    int32_t width = 0;
    int32_t height = 0;
    if (!loaded || !pictureThere || !probePictureSize(picture.c_str(), &width, &height)) {
        return;
    }
    const QUAD_T rect = quadOf(fields[FIELD_SOURCE_QUAD]);
    // A rectangle of no width or height still samples its first column or row.
    const long right = static_cast<long>(rect.x) + (rect.w > 0 ? rect.w : 1);
    const long bottom = static_cast<long>(rect.y) + (rect.h > 0 ? rect.h : 1);
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    const std::string shown = std::to_string(rect.x) + "," + std::to_string(rect.y) + "," +
                              std::to_string(rect.w) + "," + std::to_string(rect.h);
    if (rect.x >= width || rect.y >= height || right <= 0 || bottom <= 0) {
        warn(check, fields[FIELD_SOURCE_QUAD].column,
             "the rectangle " + shown + " lies wholly outside the " + size + " picture");
    } else if (rect.x < 0 || rect.y < 0 || right > width || bottom > height) {
        warn(check, fields[FIELD_SOURCE_QUAD].column,
             "the rectangle " + shown + " lies partly outside the " + size + " picture");
    }
}

void checkLine(const char *line, size_t bytesRead, long lineNumber, void *context) {
    CHECK_T *check = static_cast<CHECK_T *>(context);
    check->lineNumber = lineNumber;
    const size_t length = strlen(line);
    if (length < bytesRead) {
        warn(check, static_cast<long>(length) + 1,
             "a NUL byte ends the line here; the " + std::to_string(bytesRead - length - 1) +
                 " bytes after it are ignored");
    }
    if (strchr(line, '|') == nullptr) {
        return;  // free text, as the converter skips it
    }
    FIELD_T fields[FIELD_COUNT];
    const char *start = line;
    int count = 0;
    for (; count < FIELD_COUNT; count++) {
        const char *end = start + strcspn(start, "|");
        fields[count].text.assign(start, end);
        fields[count].column = static_cast<long>(start - line) + 1;
        if (*end != '|') {
            count++;
            break;
        }
        start = end + 1;
        if (count == FIELD_COUNT - 1) {
            count++;
            const std::string rest = start;
            if (rest.find_first_not_of("\r\n") != std::string::npos) {
                warn(check, static_cast<long>(start - line) + 1,
                     "the text after the fifth field is ignored: " +
                         quoted(rest.substr(0, rest.find_last_not_of("\r\n") + 1)));
            }
            // The fifth field ends at the fifth bar.
            break;
        }
    }
    if (count < FIELD_COUNT) {
        warn(check, 1, std::to_string(count) + " fields where 5 are needed; the line is skipped");
        return;
    }
    checkBlanks(check, fields[FIELD_PLUGIN], "plug-in path");
    checkBlanks(check, fields[FIELD_PICTURE], "picture path");
    checkBlanks(check, fields[FIELD_OUTPUT], "output path");
    const char *const paths[] = {"plug-in path", "picture path", "output path"};
    for (int field = FIELD_PLUGIN; field <= FIELD_OUTPUT; field++) {
        size_t at = 0;
        const char *why =
            buildNameProblem(fields[field].text.c_str(),
                             field == FIELD_OUTPUT ? BUILD_NAME_OUTPUT : BUILD_NAME_INPUT, &at);
        if (why != nullptr) {
            warn(check, fields[field].column + static_cast<long>(at),
                 std::string("the ") + paths[field] + " " + quoted(fields[field].text) +
                     " cannot be named in a build by picconv_add_pictures: " + why);
        }
    }
    checkNumbers(check, fields[FIELD_SOURCE_QUAD], "source rectangle");
    checkNumbers(check, fields[FIELD_OUTPUT_QUAD], "output size");
    const QUAD_T size = quadOf(fields[FIELD_OUTPUT_QUAD]);
    if (size.w == 0 || size.h == 0) {
        warn(check, fields[FIELD_OUTPUT_QUAD].column,
             "the output size " + std::to_string(size.w) + " x " + std::to_string(size.h) +
                 " has a 0 extent, so the output is empty");
    } else if (size.h > MAX_OUTPUT_WIDTH) {
        warn(check, fields[FIELD_OUTPUT_QUAD].column,
             "the output width " + std::to_string(size.h) +
                 " (the h of the output size) is over the limit of " +
                 std::to_string(MAX_OUTPUT_WIDTH));
    }
    checkFiles(check, fields);
}

}  // namespace

int checkCommandLine(const char *commandFile, const char *line, long lineNumber) {
    CHECK_T check = {commandFile, lineNumber, 0};
    checkLine(line, strlen(line), lineNumber, &check);
    return check.warnings;
}

int checkCommandFile(const char *commandFile, FILE *file) {
    CHECK_T check = {commandFile, 0, 0};
    const int read = forEachMeasuredCommandLine(file, checkLine, &check);
    const int error = errno;
    releaseProbedPlugin();
    if (!read) {
        reportCommandFileUnreadable(commandFile, error);
        return EXIT_COMMAND_FILE;
    }
    return check.warnings > 0 ? EXIT_CHECK_WARNED : EXIT_ALL_WRITTEN;
}
