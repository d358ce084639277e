// picconv --proof on real files: the same sheet from one process and from workers, the changes
// since the previous proof, the pictures kept for lines the state skips and nothing else kept.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picconv/proof/proof_sheet.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/run_program.h"
#include "tests/support/test_files.h"

namespace {

const char COMMANDS[] =
    "ifbmp.spi|sheet.bmp|a.pmbp|0,0,16,16|0,0,16,16\n"
    "# a note\n"
    "ifbmp.spi|sheet.bmp|b.pmbp|16,8,24,16|0,0,48,32\n"
    "ifbmp.spi|missing.bmp|c.pmbp|0,0,8,8|0,0,8,8\n"
    "ifbmp.spi|sheet.bmp|d.pmbp|-4,40,20,20|0,0,8,8\n";

class PicconvProof : public ::testing::Test {
   protected:
    void SetUp() override {
        dir = makeTempDir("picconv-proof");
        BMP_LAYOUT_T layout;
        layout.width = 64;
        layout.height = 48;
        for (int y = 0; y < layout.height; y++) {
            for (int x = 0; x < layout.width; x++) {
                layout.values.push_back(
                    static_cast<uint32_t>((x * 4) << 16 | (y * 5) << 8 | (x ^ y) * 4));
            }
        }
        ASSERT_TRUE(writeBytes(dir + "/sheet.bmp", writeBmp(layout)));
        ASSERT_TRUE(writeFile(dir + "/commands.txt", COMMANDS));
    }
    void TearDown() override { removeTree(dir); }

    RUN_RESULT_T run(const std::vector<std::string> &options, const std::string &in = "") {
        std::vector<std::string> argv = {PICCONV_PATH};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back("commands.txt");
        return runProgram(argv, in.empty() ? dir : in);
    }

    // proof.json of folder, read back; every picture it names must be in folder/pictures, and
    // nothing else.
    PROOF_SHEET_T sheetIn(const std::string &folder) {
        PROOF_SHEET_T sheet;
        EXPECT_TRUE(readProofJson(readFile(folder + "/proof.json"), &sheet)) << folder;
        std::set<std::string> named;
        for (const std::string &name : proofPictureNames(sheet)) {
            named.insert(name);
        }
        const std::vector<std::string> there = listDir(folder + "/pictures");
        EXPECT_EQ(std::set<std::string>(there.begin(), there.end()), named) << folder;
        EXPECT_TRUE(fileExists(folder + "/index.html"));
        return sheet;
    }

    std::string dir;
};

}  // namespace

TEST_F(PicconvProof, OneProcessAndWorkersShowTheSameSheet) {
    EXPECT_EQ(run({}).status, 4);
    EXPECT_FALSE(fileExists(dir + "/proof"));  // without --proof, nothing
    const std::string parallel = makeTempDir("picconv-proof-j");
    ASSERT_TRUE(writeBytes(parallel + "/sheet.bmp", readBytes(dir + "/sheet.bmp")));
    ASSERT_TRUE(writeFile(parallel + "/commands.txt", COMMANDS));
    removeTree(dir + "/a.pmbp");  // so both runs write every output
    for (const char *name : {"b.pmbp", "d.pmbp"}) {
        removeTree(dir + "/" + name);
    }
    EXPECT_EQ(run({"--proof", "proof"}).status, 4);
    EXPECT_EQ(run({"-k", "-j", "2", "--proof", "proof"}, parallel).status, 4);
    EXPECT_EQ(readFile(dir + "/proof/index.html"), readFile(parallel + "/proof/index.html"));
    EXPECT_EQ(readFile(dir + "/proof/proof.json"), readFile(parallel + "/proof/proof.json"));
    EXPECT_EQ(listDir(dir + "/proof/pictures"), listDir(parallel + "/proof/pictures"));
    const PROOF_SHEET_T sheet = sheetIn(dir + "/proof");
    ASSERT_EQ(sheet.cards.size(), 5u);
    const LINE_STATUS_T statuses[] = {LINE_WRITTEN, LINE_NOT_A_RECORD, LINE_WRITTEN, LINE_NO_OUTPUT,
                                      LINE_WRITTEN};
    for (size_t i = 0; i < 5; i++) {
        EXPECT_EQ(sheet.cards[i].status, statuses[i]) << i;
    }
    EXPECT_EQ(sheet.cards[3].reason,
              "cannot open the picture missing.bmp: No such file or directory");
    // One scaled-down sheet shared by its cuts, one file for the cuts, one for the outputs.
    EXPECT_EQ(listDir(dir + "/proof/pictures").size(), 3u);
    EXPECT_EQ(sheet.cards[0].pictures.source.file, sheet.cards[4].pictures.source.file);
    EXPECT_EQ(sheet.cards[2].pictures.w, 24u);
    EXPECT_EQ(sheet.cards[2].pictures.output.width, 48u);  // upright: the output size's w
    EXPECT_EQ(sheet.cards[2].pictures.output.height, 32u);
    removeTree(parallel);
}

TEST_F(PicconvProof, AnotherProofMarksWhatChangedAndKeepsOnlyWhatItShows) {
    ASSERT_EQ(run({"--proof", "proof"}).status, 4);
    const PROOF_SHEET_T first = sheetIn(dir + "/proof");
    std::string commands = COMMANDS;
    commands.replace(commands.find("0,0,16,16|"), 10, "2,0,16,16|");  // a changes
    const size_t b = commands.find("ifbmp.spi|sheet.bmp|b");
    commands.erase(b, commands.find('\n', b) + 1 - b);               // b goes
    commands += "ifbmp.spi|sheet.bmp|e.pmbp|0,0,64,48|0,0,32,24\n";  // e comes
    ASSERT_TRUE(writeFile(dir + "/commands.txt", commands));
    ASSERT_EQ(run({"--proof", "proof"}).status, 4);
    const PROOF_SHEET_T second = sheetIn(dir + "/proof");
    ASSERT_EQ(second.cards.size(), 5u);
    EXPECT_FALSE(first.hadPrevious);
    EXPECT_TRUE(second.hadPrevious);
    EXPECT_FALSE(second.cards[0].previousOutput.file.empty());  // a: the old output beside
    EXPECT_EQ(second.cards[0].previousOutput.x, first.cards[0].pictures.output.x);
    const std::string json = readFile(dir + "/proof/proof.json");
    EXPECT_NE(json.find("\"output\": \"a.pmbp\", \"hash\": \"" + hexOf(second.cards[0].hash) +
                        "\", \"size\": 84, \"changed\": true, \"added\": false, "
                        "\"previousHash\": \"" +
                        hexOf(first.cards[0].hash) + "\""),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"output\": \"e.pmbp\", \"hash\": \"" + hexOf(second.cards[4].hash) +
                        "\", \"size\": 212, \"changed\": true, \"added\": true"),
              std::string::npos);
    EXPECT_NE(json.find("\"removed\": [\n{\"number\": 3, \"text\": "
                        "\"ifbmp.spi|sheet.bmp|b.pmbp|16,8,24,16|0,0,48,32\", \"output\": "
                        "\"b.pmbp\"}\n]"),
              std::string::npos);
    const std::string page = readFile(dir + "/proof/index.html");
    EXPECT_NE(page.find("<figure class=\"before\">"), std::string::npos);
    EXPECT_NE(page.find("<b>2</b> changed, <b>1</b> added, <b>1</b> removed."), std::string::npos);
}

TEST_F(PicconvProof, LinesTheStateSkipsKeepThePreviousPictures) {
    ASSERT_EQ(run({"-k", "--state", "state", "--proof", "proof"}).status, 4);
    const PROOF_SHEET_T first = sheetIn(dir + "/proof");
    ASSERT_EQ(run({"-k", "-j", "2", "--state", "state", "--proof", "proof"}).status, 4);
    const PROOF_SHEET_T second = sheetIn(dir + "/proof");
    ASSERT_EQ(second.cards.size(), first.cards.size());
    for (size_t i : {0, 2, 4}) {
        EXPECT_EQ(second.cards[i].status, LINE_SKIPPED) << i;
        EXPECT_EQ(second.cards[i].pictures.cut.file, first.cards[i].pictures.cut.file) << i;
        EXPECT_EQ(second.cards[i].pictures.output.y, first.cards[i].pictures.output.y) << i;
        EXPECT_EQ(hexOf(second.cards[i].hash), hexOf(first.cards[i].hash)) << i;
    }
    EXPECT_EQ(readFile(dir + "/proof/index.html").find("No pictures"), std::string::npos);
}
