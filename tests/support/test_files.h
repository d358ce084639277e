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
// A text file as the program wrote it in text mode: Windows' CR LF line ends read as LF.
std::string readText(const std::string &path);

// Creates or replaces the file; false when it could not be written whole.
bool writeFile(const std::string &path, const std::string &bytes);
bool writeBytes(const std::string &path, const std::vector<uint8_t> &bytes);

// True when anything, even a dangling symbolic link, is at path.
bool fileExists(const std::string &path);

// Makes a symbolic link at path to target; false where none can be made (Windows without the
// right to, Wine).
bool makeSymlink(const std::string &target, const std::string &path);

// Makes a named pipe (FIFO) at path and opens it for reading and writing without waiting:
// the descriptor, or -1 where the file system has no such pipes (Windows).
int makeOpenFifo(const std::string &path);

// The system's handle of an open file descriptor, as plug-ins are given open files: the
// descriptor itself on POSIX systems, its Windows file handle on Windows.
uintptr_t osHandleOf(int descriptor);

// A device on which every write fails for want of space ("/dev/full"); empty where there is
// none (Windows).
std::string fullDevicePath();

#endif
