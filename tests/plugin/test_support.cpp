#include "test_support.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

extern char **environ;

std::string testPluginPath(const std::string &name) {
    return std::string(TEST_PLUGIN_DIR) + "/" + name + ".spi";
}

std::string makeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plugin-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == NULL) {
        abort();
    }
    return std::string(buffer.data());
}

void removeTree(const std::string &path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool fileExists(const std::string &path) {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

std::vector<std::string> readLines(const std::string &path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::string makePpm(int width, int height, int seed) {
    std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            ppm += (char)((x * 37 + y * 11 + seed) & 0xFF);
            ppm += (char)((x * 5 + y * 73 + seed * 3) & 0xFF);
            ppm += (char)((x * y + seed * 7) & 0xFF);
        }
    }
    return ppm;
}

namespace {

void appendLittleEndian(std::string &bytes, unsigned int value, int count) {
    for (int i = 0; i < count; i++) {
        bytes += (char)((value >> (8 * i)) & 0xFF);
    }
}

}  // namespace

std::string bitmapFileHeader(unsigned int fileSize, unsigned int pixelOffset) {
    std::string header = "BM";
    appendLittleEndian(header, fileSize, 4);
    appendLittleEndian(header, 0, 4);
    appendLittleEndian(header, pixelOffset, 4);
    return header;
}

std::string expectedBitmap(const std::string &ppm, BITMAP_PARTS_T parts, bool inverted) {
    std::istringstream in(ppm);
    std::string magic;
    int width = 0;
    int height = 0;
    int maxValue = 0;
    in >> magic >> width >> height >> maxValue;
    in.get();
    std::string rgb((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    const unsigned int rowSize = (unsigned int)(width * 3 + 3) / 4 * 4;
    std::string info;
    appendLittleEndian(info, 40, 4);
    appendLittleEndian(info, (unsigned int)width, 4);
    appendLittleEndian(info, (unsigned int)height, 4);
    appendLittleEndian(info, 1, 2);
    appendLittleEndian(info, 24, 2);
    appendLittleEndian(info, 0, 4);
    appendLittleEndian(info, rowSize * height, 4);
    appendLittleEndian(info, 2835, 4);
    appendLittleEndian(info, 2835, 4);
    appendLittleEndian(info, 0, 4);  // colours used
    appendLittleEndian(info, 0, 4);  // colours important
    std::string pixels(rowSize * height, '\0');
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            for (int c = 0; c < 3; c++) {
                unsigned char value = (unsigned char)rgb[(size_t)(y * width + x) * 3 + c];
                if (inverted) {
                    value = (unsigned char)(255 - value);
                }
                pixels[(size_t)(height - 1 - y) * rowSize + x * 3 + (2 - c)] = (char)value;
            }
        }
    }
    if (parts == HEADER_ONLY) {
        return bitmapFileHeader(14, 14);
    }
    if (parts == PIXELS_ONLY) {
        return bitmapFileHeader(14 + pixels.size(), 14) + pixels;
    }
    return bitmapFileHeader(14 + info.size() + pixels.size(), 14 + info.size()) + info + pixels;
}

RUNNING_T startProgram(const std::vector<std::string> &argv, const std::string &dir,
                       const std::vector<std::string> &extraEnvironment) {
    RUNNING_T running;
    running.captureDir = makeTempDir();
    const std::string outputPath = running.captureDir + "/stdout";
    const std::string errorsPath = running.captureDir + "/stderr";
    running.pid = fork();
    if (running.pid == 0) {
        int output = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int errors = open(errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (output < 0 || errors < 0 || dup2(output, 1) < 0 || dup2(errors, 2) < 0 ||
            chdir(dir.c_str()) != 0) {
            _exit(127);
        }
        for (const std::string &entry : extraEnvironment) {
            putenv(const_cast<char *>(entry.c_str()));
        }
        std::vector<char *> args;
        for (const std::string &arg : argv) {
            args.push_back(const_cast<char *>(arg.c_str()));
        }
        args.push_back(NULL);
        execve(args[0], args.data(), environ);
        _exit(127);
    }
    return running;
}

RUN_RESULT_T finishProgram(const RUNNING_T &running) {
    int status = 0;
    waitpid(running.pid, &status, 0);
    RUN_RESULT_T result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.output = readFile(running.captureDir + "/stdout");
    result.errors = readFile(running.captureDir + "/stderr");
    removeTree(running.captureDir);
    return result;
}

RUN_RESULT_T runProgram(const std::vector<std::string> &argv, const std::string &dir,
                        const std::vector<std::string> &extraEnvironment) {
    return finishProgram(startProgram(argv, dir, extraEnvironment));
}
