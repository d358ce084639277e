// A run stopped by Ctrl-C, a termination request or a hang-up, at any moment, leaves the
// earlier header or the complete new one at the output path, and no stray file beside it.
#include <signal.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/wordgen/run_support.h"

namespace {

class WordgenStop : public WordgenRun {
   protected:
    // Waits until a file other than the input and the output shows up beside them (the header
    // being written), or until the run is over; true when one showed up.
    bool waitForTemporaryFile(const std::string &finished) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            const std::vector<std::string> names = listDir(folder);
            if (names.size() > 2) {
                return true;
            }
            if (read("out.h").size() == finished.size()) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    }
};

struct STOP_MOMENT_T {
    int signalNumber;
    bool afterWritingStarts;  // otherwise counted from the start, while the input is read
    int delayMilliseconds;
};

TEST_F(WordgenStop, AStoppedRunLeavesTheOldOrTheWholeNewHeaderAndNoStrayFile) {
    if (!canSignalPrograms(SIGTERM) || !canSignalPrograms(SIGHUP)) {
        GTEST_SKIP() << "stop requests cannot be sent to another program here";
    }
    // Long names make the header about twice the input, so the write takes a while.
    std::string input;
    for (int i = 0; input.size() < (30u << 20); ++i) {
        const std::string id = std::to_string(i);
        input += "NATIVEWORD(nw_" + std::string(180, 'f') + id + ") { /* w" + id + " */\n";
    }
    write("big.c", input);
    input.clear();
    const std::vector<std::string> argv = {WORDGEN_PATH, "-o", "out.h", "big.c"};
    ASSERT_EQ(runProgram(argv, folder).status, 0);
    const std::string complete = read("out.h");
    ASSERT_GT(complete.size(), 50u << 20);
    const std::string old = expectedHeader({{"nw_old", "old"}});

    const STOP_MOMENT_T moments[] = {
        {SIGTERM, false, 0}, {SIGINT, false, 20}, {SIGTERM, true, 0},  {SIGHUP, true, 2},
        {SIGTERM, true, 10}, {SIGINT, true, 30},  {SIGTERM, true, 80},
    };
    int stoppedMidWrite = 0;
    for (const STOP_MOMENT_T &moment : moments) {
        const std::string label = "signal " + std::to_string(moment.signalNumber) + " after " +
                                  std::to_string(moment.delayMilliseconds) + " ms" +
                                  (moment.afterWritingStarts ? " of writing" : "");
        write("out.h", old);
        const RUNNING_T running = startProgram(argv, folder);
        const bool writing = moment.afterWritingStarts && waitForTemporaryFile(complete);
        std::this_thread::sleep_for(std::chrono::milliseconds(moment.delayMilliseconds));
        signalProgram(running, moment.signalNumber);
        const RUN_RESULT_T r = finishProgram(running);

        const std::string now = read("out.h");
        if (r.status == 0) {
            EXPECT_TRUE(now == complete) << label << ": " << now.size() << " bytes";
        } else {
            // A signal that comes before wordgen's handlers are in place ends it all the same.
            EXPECT_TRUE(r.status == 128 + moment.signalNumber || r.signal == moment.signalNumber)
                << label << ": status " << r.status << ", signal " << r.signal;
            EXPECT_TRUE(now == old || now == complete) << label << ": " << now.size() << " bytes";
            stoppedMidWrite += writing && r.status != -1 && now == old ? 1 : 0;
        }
        EXPECT_EQ(listDir(folder), (std::vector<std::string>{"big.c", "out.h"})) << label;
    }
    // Otherwise the write was too quick to be caught and the test proved little.
    EXPECT_GT(stoppedMidWrite, 0);
}

}  // namespace
