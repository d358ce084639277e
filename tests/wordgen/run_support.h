// Runs the built wordgen in a scratch folder and reads back what it left there.
#ifndef TESTS_WORDGEN_RUN_SUPPORT_H
#define TESTS_WORDGEN_RUN_SUPPORT_H

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

// (function name, word) in table order.
typedef std::vector<std::pair<std::string, std::string>> WORD_PAIRS_T;

// The header's text written out by hand, as a reference that does not share the writer's code.
std::string expectedHeader(const WORD_PAIRS_T &words);

// A fresh folder per test, removed afterwards.
class WordgenRun : public ::testing::Test {
   protected:
    void SetUp() override { folder = makeTempDir("wordgen-test"); }
    void TearDown() override { removeTree(folder); }

    std::string path(const std::string &name) const { return folder + "/" + name; }
    void write(const std::string &name, const std::string &content) {
        ASSERT_TRUE(writeFile(path(name), content)) << name;
    }
    // The header is written in text mode: CR LF line ends on Windows.
    std::string read(const std::string &name) const { return readText(path(name)); }
    bool exists(const std::string &name) const { return fileExists(path(name)); }
    // Runs program (wordgen unless named) in the test's folder.
    RUN_RESULT_T wordgen(const std::vector<std::string> &args,
                         const std::vector<std::string> &env = {},
                         const std::string &program = WORDGEN_PATH) {
        std::vector<std::string> argv{program};
        argv.insert(argv.end(), args.begin(), args.end());
        return runProgram(argv, folder, env);
    }

    std::string folder;
};

#endif
