// The proof sheet's pieces: the page's text, proof.json written and read back, the comparison
// with the previous proof, the pictures a line hands over and the atlases they go into.
#include <stdint.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SDL.h"

#include "common/pmbp_header.h"
#include "picconv/imaging/pixel_access.h"
#include "picconv/proof/proof_json.h"
#include "picconv/proof/proof_page.h"
#include "picconv/proof/proof_pictures.h"
#include "picconv/proof/proof_sheet.h"
#include "picconv/proof/proof_store.h"
#include "platform/files.h"
#include "tests/support/test_files.h"

namespace {

const std::string NAME_A = "0123456789abcdef0123456789abcdef.png";
const std::string NAME_B = "fedcba9876543210fedcba9876543210.png";

PICTURE_REF_T ref(const std::string &file, uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
    PICTURE_REF_T r = noPicture();
    r.file = file;
    r.fileWidth = 1024;
    r.fileHeight = 64;
    r.x = x;
    r.y = y;
    r.width = w;
    r.height = h;
    return r;
}

// A record line as the run notes it: output "NAME.pmbp", its bytes' hash from seed.
PROOF_CARD_T card(long number, const std::string &name, LINE_STATUS_T status, uint8_t seed) {
    PROOF_CARD_T c = proofCardOf(
        number, "ifbmp.spi|" + name + ".bmp|" + name + ".pmbp|1,2,30,40|0,0,8,8\n", status);
    c.output = name + ".pmbp";
    c.hashed = status != LINE_NO_OUTPUT && status != LINE_NOT_A_RECORD;
    memset(c.hash, seed, sizeof c.hash);
    c.size = c.hashed ? 36 : 0;
    c.reason = status == LINE_NO_OUTPUT ? "cannot open the picture " + name + ".bmp" : "";
    if (status != LINE_SKIPPED && status != LINE_NOT_A_RECORD) {
        c.havePictures = true;
        c.pictures.source = ref(NAME_A, 0, 0, 200, 50);
        c.pictures.cut = ref(NAME_B, 8 * seed, 0, 30, 40);
        c.pictures.output = ref(NAME_B, 8 * seed, 40, 40, 8);
        c.pictures.sourceWidth = 400;
        c.pictures.sourceHeight = 100;
        c.pictures.x = -3;
        c.pictures.y = 2;
        c.pictures.w = 30;
        c.pictures.h = 40;
        c.pictures.storedWidth = 8;
        c.pictures.storedHeight = 40;
    }
    return c;
}

PROOF_SHEET_T sheetOf(const std::vector<PROOF_CARD_T> &cards) {
    PROOF_SHEET_T sheet;
    sheet.hadPrevious = false;
    sheet.cards = cards;
    return sheet;
}

}  // namespace

TEST(PicconvProofPage, FailedLinesAreMarkedLinkedAndEscaped) {
    PROOF_CARD_T failed = card(3, "a<b>&\"'", LINE_NO_OUTPUT, 1);
    const std::string html = proofCardHtml(failed);
    EXPECT_NE(html.find("<section class=\"card failed\" id=\"line-3\">"), std::string::npos);
    EXPECT_NE(html.find("a&lt;b&gt;&amp;&quot;&#39;.pmbp"), std::string::npos) << html;
    EXPECT_NE(html.find("<p class=\"reason\"><strong>No output written:</strong> cannot open the "
                        "picture a&lt;b&gt;&amp;&quot;&#39;.bmp</p>"),
              std::string::npos)
        << html;
    // Its cut is shown, its output (never written) is not.
    EXPECT_NE(html.find("rectangle as cut"), std::string::npos);
    EXPECT_EQ(html.find("alt=\"output\""), std::string::npos);

    PROOF_SHEET_T sheet =
        sheetOf({card(1, "x", LINE_WRITTEN, 2), proofCardOf(2, "# note", LINE_NOT_A_RECORD), failed,
                 card(4, "y", LINE_SKIPPED, 3), card(5, "z", LINE_UNCHANGED, 4)});
    const std::string totals = proofTotalsHtml(sheet);
    EXPECT_NE(totals.find("5 lines: <b>1</b> written, <b>1</b> unchanged, <b>1</b> skipped by the "
                          "state, <b>1</b> failed (and 1 without five fields)"),
              std::string::npos)
        << totals;
    EXPECT_NE(totals.find("Failed: <a href=\"#line-3\">line 3</a></p>"), std::string::npos);
    const std::string page = proofPageHtml(sheet);
    // Nothing from elsewhere: no script, no address but the pictures'.
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("://"), std::string::npos);
    EXPECT_NE(page.find("skipped: fewer than five fields"), std::string::npos);
    EXPECT_NE(page.find("No pictures: no earlier proof in this folder holds them."),
              std::string::npos);
}

TEST(PicconvProofPage, CutAndOutputAreShownAtAboutOneSize) {
    struct {
        uint32_t cw, ch, ow, oh, cutStep, outputStep;
    } cases[] = {
        {80, 60, 160, 120, 2, 1},    // the output twice the cut
        {320, 240, 160, 120, 1, 2},  // a larger cut: the output grows to it
        {40, 40, 80, 80, 4, 2},     {32, 32, 32, 32, 6, 6},
        {1, 1, 8, 8, 192, 24},      {300, 10, 0, 0, 1, 1},  // no output
        {0, 0, 17, 5, 1, 11},                               // no cut
        {320, 320, 320, 320, 1, 1},                         // never reduced
    };
    for (const auto &c : cases) {
        uint32_t cutStep = 0;
        uint32_t outputStep = 0;
        displaySteps(c.cw, c.ch, c.ow, c.oh, &cutStep, &outputStep);
        EXPECT_EQ(cutStep, c.cutStep) << c.cw << "x" << c.ch << " " << c.ow << "x" << c.oh;
        EXPECT_EQ(outputStep, c.outputStep) << c.cw << "x" << c.ch << " " << c.ow << "x" << c.oh;
    }
}

TEST(PicconvProofJson, ReadsBackWhatItWritesAndRefusesTheRest) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; round++) {
        std::string text(random() % 40, ' ');
        for (char &c : text) {
            c = static_cast<char>(random() % 256);
        }
        JSON_T value;
        ASSERT_TRUE(
            parseJson("[" + jsonString(wellFormedText(text)) + ", -1.5e3, true, null]", &value));
        ASSERT_EQ(value.items.size(), 4u);
        EXPECT_EQ(value.items[0].text, wellFormedText(text));
        EXPECT_EQ(wellFormedText(value.items[0].text), value.items[0].text);
    }
    JSON_T value;
    ASSERT_TRUE(parseJson(" {\"a\": \"\\u00e9\\ud83d\\ude00\", \"b\": {\"c\": 12}} ", &value));
    EXPECT_EQ(jsonMemberText(value, "a"), "\xc3\xa9\xf0\x9f\x98\x80");
    EXPECT_EQ(jsonMemberNumber(*jsonMember(value, "b"), "c", 0), 12);
    for (const char *broken : {"", "{", "[1,]", "{\"a\" 1}", "\"\\ud800\"", "\"a", "nul", "[1] 2",
                               "\"\x01\"", "{\"a\":1,}", "--1"}) {
        EXPECT_FALSE(parseJson(broken, &value)) << broken;
    }
    EXPECT_FALSE(parseJson(std::string(100, '['), &value));  // nested too deep
}

TEST(PicconvProofSheet, ProofJsonKeepsEveryLinesFacts) {
    PROOF_SHEET_T sheet = sheetOf(
        {card(1, "x", LINE_WRITTEN, 2), proofCardOf(2, "# a \"note\"\r\n", LINE_NOT_A_RECORD),
         card(3, "y", LINE_NO_OUTPUT, 1), card(4, "z", LINE_UNCHANGED, 4)});
    sheet.cards[0].change = CHANGE_ADDED;
    const std::string json = proofJsonText(sheet);
    EXPECT_NE(json.find("\"fields\": [\"ifbmp.spi\", \"x.bmp\", \"x.pmbp\", \"1,2,30,40\", "
                        "\"0,0,8,8\"], \"status\": \"written\", \"reason\": null"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"changed\": true, \"added\": true"), std::string::npos);
    PROOF_SHEET_T back;
    ASSERT_TRUE(readProofJson(json, &back));
    ASSERT_EQ(back.cards.size(), sheet.cards.size());
    for (size_t i = 0; i < back.cards.size(); i++) {
        const PROOF_CARD_T &a = sheet.cards[i];
        const PROOF_CARD_T &b = back.cards[i];
        EXPECT_EQ(b.number, a.number);
        EXPECT_EQ(b.text, a.text);
        EXPECT_EQ(b.fields, a.fields);
        EXPECT_EQ(b.status, a.status);
        EXPECT_EQ(b.reason, a.reason);
        EXPECT_EQ(b.hashed, a.hashed);
        EXPECT_EQ(b.hashed ? hexOf(b.hash) : "", a.hashed ? hexOf(a.hash) : "");
        EXPECT_EQ(b.havePictures, a.havePictures);
        EXPECT_EQ(b.pictures.cut.file, a.pictures.cut.file);
        EXPECT_EQ(b.pictures.output.y, a.pictures.output.y);
        EXPECT_EQ(b.pictures.x, a.pictures.x);
    }
    EXPECT_EQ(back.cards[1].text, "# a \"note\"");
    EXPECT_EQ(back.cards[1].fields, std::vector<std::string>{"# a \"note\""});
    // A picture that is not one of ours, or outside its file, is never taken.
    for (const char *from : {"pictures/0123456789abcdef", "1024, 64, 16, 0, 30, 40]"}) {
        std::string bad = json;
        bad.replace(bad.find(from), strlen(from),
                    from[0] == 'p' ? "../../etc/passwd" : "1024, 64, 16, 0, 30, 99]");
        EXPECT_FALSE(readProofJson(bad, &back)) << from;
    }
}

TEST(PicconvProofSheet, ChangesAreFoundByOutputPath) {
    PROOF_SHEET_T previous =
        sheetOf({card(1, "same", LINE_WRITTEN, 1), card(2, "twice", LINE_WRITTEN, 2),
                 card(3, "twice", LINE_WRITTEN, 3), card(4, "gone", LINE_WRITTEN, 4),
                 card(5, "failing", LINE_NO_OUTPUT, 5), card(6, "kept", LINE_WRITTEN, 6)});
    PROOF_SHEET_T sheet =
        sheetOf({card(1, "same", LINE_UNCHANGED, 1), card(2, "twice", LINE_WRITTEN, 2),
                 card(3, "twice", LINE_WRITTEN, 9), card(4, "new", LINE_WRITTEN, 7),
                 card(5, "failing", LINE_NO_OUTPUT, 5), card(6, "kept", LINE_SKIPPED, 6)});
    compareWithPrevious(&sheet, previous);
    const PROOF_CHANGE_T expected[] = {CHANGE_SAME,  CHANGE_SAME, CHANGE_CHANGED,
                                       CHANGE_ADDED, CHANGE_SAME, CHANGE_SAME};
    for (size_t i = 0; i < sheet.cards.size(); i++) {
        EXPECT_EQ(sheet.cards[i].change, expected[i]) << "line " << i + 1;
    }
    // The second line naming twice.pmbp changed: its previous output stays beside the new one.
    EXPECT_EQ(sheet.cards[2].previousOutput.x, 8u * 3);
    EXPECT_TRUE(sheet.cards[1].previousOutput.file.empty());
    // The skipped line shows the previous proof's pictures of its line.
    EXPECT_TRUE(sheet.cards[5].havePictures);
    EXPECT_EQ(sheet.cards[5].pictures.cut.x, 8u * 6);
    ASSERT_EQ(sheet.removed.size(), 1u);
    EXPECT_EQ(sheet.removed[0].output, "gone.pmbp");
    const PROOF_TOTALS_T totals = proofTotals(sheet);
    EXPECT_EQ(totals.changed, 1);
    EXPECT_EQ(totals.added, 1);
    EXPECT_EQ(totals.removed, 1);
    const std::string page = proofPageHtml(sheet);
    EXPECT_NE(page.find("Since the previous proof: <b>1</b> changed, <b>1</b> added, <b>1</b> "
                        "removed."),
              std::string::npos);
    EXPECT_NE(page.find("<figure class=\"before\">"), std::string::npos);
    EXPECT_NE(page.find("<li>line 4: <code>ifbmp.spi|gone.bmp|gone.pmbp"), std::string::npos);
}

TEST(PicconvProofPictures, CutAndOutputTravelAsPixels) {
    const std::string dir = makeTempDir("proof-pictures");
    ASSERT_TRUE(makeFolder((dir + "/pictures").c_str()));
    // 5 x 3 source whose pixel (x, y) is grey 10 * x + 100 * y.
    SDL_Surface *source = SDL_CreateRGBSurface(SDL_SWSURFACE, 5, 3, 24, 0xff0000, 0xff00, 0xff, 0);
    ASSERT_NE(source, nullptr);
    for (int y = 0; y < 3; y++) {
        for (int x = 0; x < 5; x++) {
            const uint8_t grey = static_cast<uint8_t>(10 * x + 100 * y);
            putPixel(source, x, y, SDL_MapRGB(source->format, grey, grey, grey));
        }
    }
    // An output stored 8 wide and 2 high: row 0 codes 0,1,2,3,0,1,2,3; row 1 all 3.
    std::vector<uint8_t> file(PMBP_HEADER_SIZE);
    const PMBP_HEADER_T header = makePmbpHeader(8, 2);
    encodePmbpHeader(&header, file.data());
    file.insert(file.end(), {0x1b, 0x1b, 0xff, 0xff});
    const QUAD_T quad = {-1, 1, 3, 3};  // one column left of the picture, one row below it
    const std::string text =
        makeProofPicturesText(dir.c_str(), source, "five.bmp", &quad, file.data(), file.size());
    PROOF_PICTURES_T pictures;
    RASTER_T cut;
    RASTER_T output;
    ASSERT_TRUE(parseProofPicturesText(text, &pictures, &cut, &output));
    EXPECT_TRUE(pictures.complete);
    EXPECT_TRUE(fileExists(dir + "/pictures/" + pictures.source.file));
    EXPECT_EQ(pictures.source.width, 5u);
    ASSERT_EQ(cut.width, 3u);
    ASSERT_EQ(cut.height, 3u);
    // Edges repeat, as the converter reads them.
    const uint8_t expectedCut[3][3] = {{100, 100, 110}, {200, 200, 210}, {200, 200, 210}};
    for (int y = 0; y < 3; y++) {
        for (int x = 0; x < 3; x++) {
            EXPECT_EQ(cut.samples[3 * (3 * y + x)], expectedCut[y][x]) << x << "," << y;
        }
    }
    // Upright: 2 wide, 8 high; upright (x, y) is stored (y, 1 - x); 2-bit grey is 3 - code.
    ASSERT_EQ(output.width, 2u);
    ASSERT_EQ(output.height, 8u);
    for (uint32_t y = 0; y < 8; y++) {
        EXPECT_EQ(output.samples[2 * y], 0) << y;
        EXPECT_EQ(output.samples[2 * y + 1], 3 - y % 4) << y;
    }
    EXPECT_EQ(pictures.storedWidth, 8u);
    EXPECT_FALSE(parseProofPicturesText(text.substr(0, text.size() - 1), &pictures, &cut, &output));
    SDL_FreeSurface(source);
    removeTree(dir);
}

TEST(PicconvProofStore, AtlasesHoldEveryPictureApart) {
    const std::string dir = makeTempDir("proof-atlas");
    ASSERT_TRUE(makeFolder((dir + "/pictures").c_str()));
    PROOF_ATLAS_T atlas = newAtlas(PNG_GREY_2BIT);
    std::mt19937 random(3);
    std::vector<PICTURE_REF_T> refs;
    std::vector<RASTER_T> placed;
    for (int k = 0; k < 60; k++) {
        const uint32_t width = 1 + static_cast<uint32_t>(random() % 320);
        RASTER_T raster = {PNG_GREY_2BIT, width, 1 + static_cast<uint32_t>(random() % 320), {}};
        raster.samples.assign(static_cast<size_t>(raster.width) * raster.height, k % 4);
        refs.push_back(noPicture());
        placeInAtlas(dir.c_str(), &atlas, raster, &refs.back());
        placed.push_back(raster);
    }
    ASSERT_TRUE(finishAtlas(dir.c_str(), &atlas));
    ASSERT_GT(atlas.files.size(), 1u);
    for (size_t i = 0; i < refs.size(); i++) {
        resolveAtlasRef(atlas, &refs[i]);
        ASSERT_TRUE(fileExists(dir + "/pictures/" + refs[i].file));
        EXPECT_EQ(refs[i].width, placed[i].width);
        EXPECT_LE(refs[i].x + refs[i].width, refs[i].fileWidth);
        EXPECT_LE(refs[i].y + refs[i].height, refs[i].fileHeight);
        for (size_t j = 0; j < i; j++) {
            const bool apart =
                refs[i].file != refs[j].file || refs[i].x >= refs[j].x + refs[j].width ||
                refs[j].x >= refs[i].x + refs[i].width || refs[i].y >= refs[j].y + refs[j].height ||
                refs[j].y >= refs[i].y + refs[i].height;
            EXPECT_TRUE(apart) << i << " overlaps " << j;
        }
    }
    EXPECT_TRUE(isProofPictureName(refs[0].file));
    EXPECT_FALSE(isProofPictureName("../" + refs[0].file));
    removeTree(dir);
}
