#ifndef TESTS_PICCONV_RUN_PROGRAM_H
#define TESTS_PICCONV_RUN_PROGRAM_H

#include <string>
#include <vector>

struct RUN_RESULT_T {
    int status;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs argv[0] with argv in directory dir. env entries "NAME=value" are set, "NAME" unset.
RUN_RESULT_T runProgram(const std::vector<std::string> &argv, const std::string &dir,
                        const std::vector<std::string> &env = {});

std::string readFile(const std::string &path);
bool fileExists(const std::string &path);
std::string makeTempDir();
void removeTree(const std::string &path);
std::vector<std::string> listDir(const std::string &path);

#endif
