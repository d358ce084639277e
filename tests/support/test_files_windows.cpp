// The parts of tests/support/test_files.h that differ on Windows: scratch folders and what is at
// a path.
#include "tests/support/test_files.h"

#include <io.h>
#include <stdio.h>
#include <stdlib.h>

#include <windows.h>

namespace {

// Windows' own separators, turned into the '/' the tests join paths with.
std::string withSlashes(std::string path) {
    for (char &c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

// The path in the wide calls' unlimited form ("\\?\" and the full path): the C runtime makes
// files whose paths are longer than the ANSI calls take, and they must still go.
std::wstring unlimitedPath(const std::string &path) {
    const int size = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(size > 0 ? size : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], size);
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(needed > 0 ? needed : 1, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), needed, &full[0], nullptr));
    return L"\\\\?\\" + full;
}

}  // namespace

std::string makeTempDir(const std::string &prefix) {
    // TMPDIR first: under Wine it keeps the scratch folders on the build's drive (Z:), where the
    // tests' absolute paths point.
    char base[MAX_PATH];
    const char *fromEnvironment = getenv("TMPDIR");
    if (fromEnvironment != nullptr && fromEnvironment[0] != '\0') {
        snprintf(base, sizeof base, "%s", fromEnvironment);
    } else if (GetTempPathA(sizeof base, base) == 0) {
        snprintf(base, sizeof base, ".");
    }
    // A path rooted without a drive stays so: under Wine, "/tmp" is on the current drive for the
    // Windows programs and the same folder for the Linux tools some tests start.
    char full[MAX_PATH];
    const DWORD length = base[0] == '/' ? 0 : GetFullPathNameA(base, sizeof full, full, nullptr);
    if (base[0] != '/' && (length == 0 || length >= sizeof full)) {
        fprintf(stderr, "makeTempDir: no folder for %s\n", base);
        abort();
    }
    std::string folder = withSlashes(base[0] == '/' ? base : full);
    if (folder.back() != '/') {
        folder += '/';
    }
    const unsigned long seed = GetCurrentProcessId() * 2654435761u ^ GetTickCount();
    for (unsigned long attempt = 0; attempt < 1000; attempt++) {
        char suffix[16];
        snprintf(suffix, sizeof suffix, "-%06lx", (seed + attempt * 7919u) & 0xFFFFFFu);
        const std::string path = folder + prefix + suffix;
        if (CreateDirectoryA(path.c_str(), nullptr)) {
            return path;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    fprintf(stderr, "makeTempDir: cannot create a folder in %s\n", folder.c_str());
    abort();
}

void removeTree(const std::string &path) {
    const std::wstring unlimited = unlimitedPath(path);
    const DWORD attributes = GetFileAttributesW(unlimited.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    // Read-only files and folders the test made must still go.
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributesW(unlimited.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        DeleteFileW(unlimited.c_str());
        return;
    }
    // A link to a folder is removed itself, never what it leads to.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        for (const std::string &name : listDir(path)) {
            removeTree(path + "/" + name);
        }
    }
    RemoveDirectoryW(unlimited.c_str());
}

std::string readText(const std::string &path) {
    // Only CR LF pairs: a lone CR is the text's own.
    const std::string bytes = readFile(path);
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); i++) {
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) {
            text += bytes[i];
        }
    }
    return text;
}

bool fileExists(const std::string &path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool makeSymlink(const std::string &target, const std::string &path) {
    std::string windowsTarget = target;
    for (char &c : windowsTarget) {
        c = c == '/' ? '\\' : c;
    }
    const DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    // Wine reports success without making the link: only a link that is there counts.
    const DWORD attributes = CreateSymbolicLinkA(path.c_str(), windowsTarget.c_str(), flags)
                                 ? GetFileAttributesA(path.c_str())
                                 : INVALID_FILE_ATTRIBUTES;
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

int makeOpenFifo(const std::string &path) {
    (void)path;
    return -1;
}

uintptr_t osHandleOf(int descriptor) {
    return static_cast<uintptr_t>(_get_osfhandle(descriptor));
}

std::string fullDevicePath() {
    return std::string();
}
