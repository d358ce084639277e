// Files and folders for the tests: scratch folders, whole-file reads and writes.
#ifndef TESTS_SUPPORT_TEST_FILES_H
#define TESTS_SUPPORT_TEST_FILES_H

#include <stdint.h>

#include <string>
#include <vector>

// A new, empty folder under $TMPDIR (or /tmp) whose name starts with prefix. Aborts when none
// can be made: no test can go on without it.
std::string makeTempDir(const std::string &prefix = "tools-test");

// Removes path and everything below it; symbolic links are removed, never followed.
void removeTree(const std::string &path);

// The names in a folder, sorted, without "." and "..".
std::vector<std::string> listDir(const std::string &path);

// The whole file as bytes; empty when it cannot be read.
std::string readFile(const std::string &path);
std::vector<uint8_t> readBytes(const std::string &path);
// The file's lines without their line feeds.
std::vector<std::string> readLines(const std::string &path);

// Creates or replaces the file; false when it could not be written whole.
bool writeFile(const std::string &path, const std::string &bytes);
bool writeBytes(const std::string &path, const std::vector<uint8_t> &bytes);

// True when anything, even a dangling symbolic link, is at path.
bool fileExists(const std::string &path);

#endif
