#include "tests/support/test_files.h"

#include <dirent.h>
#include <stdio.h>

#include <algorithm>

std::vector<std::string> listDir(const std::string &path) {
    std::vector<std::string> names;
    DIR *folder = opendir(path.c_str());
    if (folder == nullptr) {
        return names;
    }
    while (struct dirent *entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

std::string readFile(const std::string &path) {
    std::string bytes;
    FILE *file = fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return bytes;
    }
    char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
    }
    fclose(file);
    return bytes;
}

std::vector<uint8_t> readBytes(const std::string &path) {
    const std::string bytes = readFile(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::vector<std::string> readLines(const std::string &path) {
    std::vector<std::string> lines;
    const std::string text = readFile(path);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool writeFile(const std::string &path, const std::string &bytes) {
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}

bool writeBytes(const std::string &path, const std::vector<uint8_t> &bytes) {
    return writeFile(path, std::string(bytes.begin(), bytes.end()));
}
