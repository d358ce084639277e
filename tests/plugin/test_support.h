#ifndef PLUGIN_TEST_SUPPORT_H
#define PLUGIN_TEST_SUPPORT_H

#include <string>
#include <vector>

// The test plug-ins, built into one folder of the build tree.
std::string testPluginPath(const std::string &name);

std::string makeTempDir();
void removeTree(const std::string &path);
std::string readFile(const std::string &path);
void writeFile(const std::string &path, const std::string &bytes);
bool fileExists(const std::string &path);
std::vector<std::string> readLines(const std::string &path);

// A binary PPM picture whose pixel values follow from seed.
std::string makePpm(int width, int height, int seed);

// The temporary bitmap the working test plug-in gives for ppm, with or without each
// block (sizes and offset counted accordingly).
enum BITMAP_PARTS_T { INFO_AND_PIXELS, PIXELS_ONLY, HEADER_ONLY };
std::string expectedBitmap(const std::string &ppm, BITMAP_PARTS_T parts, bool inverted = false);
std::string bitmapFileHeader(unsigned int fileSize, unsigned int pixelOffset);

struct RUN_RESULT_T {
    int status;  // exit status, or -1 when the program did not exit normally
    std::string output;
    std::string errors;
};

// Runs argv[0] in directory dir with extra environment entries; both output streams
// are captured.
RUN_RESULT_T runProgram(const std::vector<std::string> &argv, const std::string &dir,
                        const std::vector<std::string> &extraEnvironment);

// The same in two steps, for programs that must run at the same time.
struct RUNNING_T {
    int pid;
    std::string captureDir;
};
RUNNING_T startProgram(const std::vector<std::string> &argv, const std::string &dir,
                       const std::vector<std::string> &extraEnvironment);
RUN_RESULT_T finishProgram(const RUNNING_T &running);

#endif
