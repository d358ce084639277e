// The parts of tests/support/test_files.h that differ on POSIX systems: scratch folders and
// what is at a path.
#include "tests/support/test_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

std::string makeTempDir(const std::string &prefix) {
    const char *base = getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/" + prefix + "-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) {
        perror("mkdtemp");
        abort();
    }
    return pattern;
}

void removeTree(const std::string &path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        return;
    }
    if (S_ISDIR(info.st_mode)) {
        // A folder the test made read-only must still go.
        chmod(path.c_str(), 0700);
        for (const std::string &name : listDir(path)) {
            removeTree(path + "/" + name);
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

std::string readText(const std::string &path) {
    return readFile(path);
}

bool fileExists(const std::string &path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

bool makeSymlink(const std::string &target, const std::string &path) {
    return symlink(target.c_str(), path.c_str()) == 0;
}

int makeOpenFifo(const std::string &path) {
    return mkfifo(path.c_str(), 0600) == 0 ? open(path.c_str(), O_RDWR | O_NONBLOCK) : -1;
}

uintptr_t osHandleOf(int descriptor) {
    return static_cast<uintptr_t>(descriptor);
}

std::string fullDevicePath() {
    return "/dev/full";
}
