#include "picconv/proof/proof_page.h"

#include <stdio.h>

#include <string>

namespace {

// Every picture sits in a frame of this one colour, which nothing else on the page uses.
const char PAGE_STYLE[] =
    "body{font:14px/1.4 sans-serif;margin:0;background:#eeeeea;color:#222}"
    "header,main,.removed{padding:4px 16px}header{background:#fff;border-bottom:1px solid #bbb}"
    "h1{font-size:20px;margin:6px 0}h2{font-size:15px;margin:0 0 4px}code{font-size:13px;"
    "word-break:break-all}.totals b{font-size:16px}.filter label{border:1px solid #888;"
    "border-radius:3px;padding:2px 8px;margin-right:4px;cursor:pointer}"
    "#show-all:checked~header [for=show-all],#show-changed:checked~header [for=show-changed],"
    "#show-failed:checked~header [for=show-failed]{background:#333;color:#fff}"
    "#show-changed:checked~main .card:not(.changed),#show-failed:checked~main .card:not(.failed),"
    "#show-failed:checked~.removed{display:none}"
    ".card{background:#fff;border:1px solid #bbb;border-radius:4px;margin:10px 0;padding:8px 12px;"
    "content-visibility:auto;contain-intrinsic-size:auto 320px}.card p{margin:2px 0}"
    ".short{color:#666;padding:4px 12px}.badge{display:inline-block;border-radius:3px;"
    "padding:0 6px;margin-left:6px;font-size:12px;background:#ddd}.changed .change,"
    ".added .change{background:#f5c542}.failed .status{background:#c00;color:#fff}"
    ".reason{background:#fde8e8;border-left:5px solid #c00;padding:6px 8px}"
    ".pictures{display:flex;flex-wrap:wrap;gap:14px;align-items:flex-start;margin-top:6px}"
    "figure{margin:0}figcaption{font-size:12px;color:#555}"
    ".frame{display:inline-block;position:relative;line-height:0;border:2px solid #2b50c8}"
    ".clip{display:inline-block;overflow:hidden;vertical-align:top}.clip img{display:block;"
    "max-width:none;image-rendering:crisp-edges;image-rendering:pixelated}"
    ".rect{position:absolute;box-sizing:border-box;border:2px solid #e0102f;"
    "outline:1px solid #fff;min-width:3px;min-height:3px}.before .frame{opacity:.85}";

std::string number(uint64_t value) {
    return std::to_string(value);
}

// A percentage of whole, limited to 0..100, for the rectangle drawn over the source.
std::string percent(int64_t part, uint32_t whole) {
    double value = whole == 0 ? 0 : 100.0 * static_cast<double>(part) / whole;
    value = value < 0 ? 0 : (value > 100 ? 100 : value);
    char text[32];
    snprintf(text, sizeof text, "%.3f%%", value);
    return text;
}

// A picture, a part of an atlas, enlarged step times with sharp pixels, in a frame the caller
// closes: the whole atlas, enlarged and moved, seen through a window of the picture's size.
std::string image(const PICTURE_REF_T &ref, uint32_t step, const char *alt) {
    const auto px = [step](uint32_t value) { return number(static_cast<uint64_t>(value) * step); };
    std::string move;
    if (ref.x != 0 || ref.y != 0) {
        move = " style=\"margin:-" + px(ref.y) + "px 0 0 -" + px(ref.x) + "px\"";
    }
    return "<span class=\"frame\"><span class=\"clip\" style=\"width:" + px(ref.width) +
           "px;height:" + px(ref.height) + "px\"><img src=\"pictures/" + htmlText(ref.file) +
           "\" width=\"" + px(ref.fileWidth) + "\" height=\"" + px(ref.fileHeight) + "\" alt=\"" +
           alt + "\"" + move + "></span>";
}

// "x 3" for an enlargement, "1:4" for a picture stored reduced.
std::string scaleText(uint32_t enlarged, uint32_t reduced) {
    return reduced > 1 ? "1:" + number(reduced) : "&times; " + number(enlarged);
}

std::string sourceFigure(const PROOF_PICTURES_T &p) {
    const int64_t right = static_cast<int64_t>(p.x) + p.w;
    const int64_t bottom = static_cast<int64_t>(p.y) + p.h;
    const int64_t left = p.x < 0 ? 0 : p.x;
    const int64_t top = p.y < 0 ? 0 : p.y;
    return "<figure>" + image(p.source, 1, "source") +
           "<span class=\"rect\" style=\"left:" + percent(left, p.sourceWidth) +
           ";top:" + percent(top, p.sourceHeight) +
           ";width:" + percent(right - left, p.sourceWidth) +
           ";height:" + percent(bottom - top, p.sourceHeight) +
           "\"></span></span><figcaption>source, " + number(p.sourceWidth) + " &times; " +
           number(p.sourceHeight) + "</figcaption></figure>";
}

std::string figure(const char *kind, const PICTURE_REF_T &ref, uint32_t step, const char *alt,
                   const std::string &caption) {
    return std::string("<figure") + kind + ">" + image(ref, step, alt) + "</span><figcaption>" +
           caption + "</figcaption></figure>";
}

std::string picturesHtml(const PROOF_CARD_T &card) {
    const PROOF_PICTURES_T &p = card.pictures;
    // A failed line's output was never written: its picture would mislead.
    const bool showOutput = !p.output.file.empty() && card.status != LINE_NO_OUTPUT;
    const bool showCut = !p.cut.file.empty();
    uint32_t cutStep = 1;
    uint32_t outputStep = 1;
    displaySteps(showCut ? p.cut.width : 0, p.cut.height, showOutput ? p.output.width : 0,
                 p.output.height, &cutStep, &outputStep);
    std::string html = "<div class=\"pictures\">";
    if (!p.source.file.empty()) {
        html += sourceFigure(p);
    }
    if (showCut) {
        html += figure("", p.cut, cutStep, "rectangle as cut",
                       "rectangle " + number(p.w) + " &times; " + number(p.h) + " at " +
                           std::to_string(p.x) + ", " + std::to_string(p.y) + ", " +
                           scaleText(cutStep, p.cutStep));
    }
    if (showOutput) {
        html += figure("", p.output, outputStep, "output",
                       "output, upright, " + scaleText(outputStep, p.outputStep));
    }
    if (!card.previousOutput.file.empty()) {
        // Beside the new output, at about its size.
        const PICTURE_REF_T &shown = showOutput ? p.output : p.cut;
        const uint32_t shownStep = showOutput ? outputStep : cutStep;
        uint32_t unused = 1;
        uint32_t previousStep = 1;
        displaySteps(shown.width * shownStep, shown.height * shownStep, card.previousOutput.width,
                     card.previousOutput.height, &unused, &previousStep);
        html += figure(" class=\"before\"", card.previousOutput, previousStep, "previous output",
                       "previous output, " + scaleText(previousStep, 1));
    }
    return html + "</div>";
}

const char *statusWords(LINE_STATUS_T status) {
    switch (status) {
        case LINE_WRITTEN:
            return "written";
        case LINE_UNCHANGED:
            return "unchanged: the file already held these bytes";
        case LINE_SKIPPED:
            return "skipped by the state: nothing it is made from changed";
        case LINE_NOT_A_RECORD:
            return "skipped: fewer than five fields";
        default:
            return "failed";
    }
}

std::string badge(const char *kind, const char *text) {
    return std::string(" <span class=\"badge ") + kind + "\">" + text + "</span>";
}

}  // namespace

std::string htmlText(const std::string &text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

void displaySteps(uint32_t cutWidth, uint32_t cutHeight, uint32_t outputWidth,
                  uint32_t outputHeight, uint32_t *cutStep, uint32_t *outputStep) {
    const uint32_t cutSide = cutWidth > cutHeight ? cutWidth : cutHeight;
    const uint32_t outputSide = outputWidth > outputHeight ? outputWidth : outputHeight;
    const bool haveCut = cutWidth > 0 && cutHeight > 0;
    const bool haveOutput = outputWidth > 0 && outputHeight > 0;
    // Either may grow to the other's own size, to be compared with it.
    uint32_t limit = PROOF_DISPLAY_SIDE;
    limit = haveCut && cutSide > limit ? cutSide : limit;
    limit = haveOutput && outputSide > limit ? outputSide : limit;
    const uint32_t mostCut = haveCut ? limit / cutSide : 1;
    const uint32_t mostOutput = haveOutput ? limit / outputSide : 1;
    *cutStep = mostCut;
    *outputStep = mostOutput;
    if (!haveCut || !haveOutput) {
        return;
    }
    // For each enlargement of the cut, the output's nearest; the closest pair wins, the larger
    // on a tie.
    uint64_t best = UINT64_MAX;
    for (uint32_t c = 1; c <= mostCut; c++) {
        const uint64_t target = static_cast<uint64_t>(cutWidth + cutHeight) * c;
        uint64_t o = (2 * target + outputWidth + outputHeight) / (2 * (outputWidth + outputHeight));
        o = o < 1 ? 1 : (o > mostOutput ? mostOutput : o);
        const int64_t dw =
            static_cast<int64_t>(cutWidth) * c - static_cast<int64_t>(outputWidth * o);
        const int64_t dh =
            static_cast<int64_t>(cutHeight) * c - static_cast<int64_t>(outputHeight * o);
        const uint64_t distance = static_cast<uint64_t>((dw < 0 ? -dw : dw) + (dh < 0 ? -dh : dh));
        if (distance <= best) {
            best = distance;
            *cutStep = c;
            *outputStep = static_cast<uint32_t>(o);
        }
    }
}

std::string proofTotalsHtml(const PROOF_SHEET_T &sheet) {
    const PROOF_TOTALS_T t = proofTotals(sheet);
    std::string html = "<p class=\"totals\" id=\"totals\">" + number(sheet.cards.size()) +
                       " lines: <b>" + number(t.written) + "</b> written, <b>" +
                       number(t.unchanged) + "</b> unchanged, <b>" + number(t.skipped) +
                       "</b> skipped by the state, <b>" + number(t.failed) + "</b> failed";
    if (t.notRecords > 0) {
        html += " (and " + number(t.notRecords) + " without five fields)";
    }
    html += "</p>\n<p id=\"changes\">";
    if (sheet.hadPrevious) {
        html += "Since the previous proof: <b>" + number(t.changed) + "</b> changed, <b>" +
                number(t.added) + "</b> added, <b>" + number(t.removed) + "</b> removed.";
    } else {
        html += "No previous proof in this folder: nothing to compare with.";
    }
    html += "</p>\n";
    if (t.failed > 0) {
        html += "<p id=\"failed-lines\">Failed:";
        const char *separator = " ";
        for (const PROOF_CARD_T &card : sheet.cards) {
            if (card.status == LINE_NO_OUTPUT || card.status == LINE_FATAL) {
                html += separator;
                html += "<a href=\"#line-" + number(card.number) + "\">line " +
                        number(card.number) + "</a>";
                separator = ", ";
            }
        }
        html += "</p>\n";
    }
    return html +
           "<p class=\"filter\">Show: <label for=\"show-all\">all lines</label><label "
           "for=\"show-changed\">only changed</label><label for=\"show-failed\">only "
           "failed</label></p>\n";
}

std::string proofCardHtml(const PROOF_CARD_T &card) {
    const bool failed = card.status == LINE_NO_OUTPUT || card.status == LINE_FATAL;
    const bool changed = card.change == CHANGE_CHANGED || card.change == CHANGE_ADDED;
    const char *kind = failed                             ? "failed"
                       : card.status == LINE_NOT_A_RECORD ? "short"
                       : card.status == LINE_SKIPPED      ? "skipped"
                       : card.status == LINE_UNCHANGED    ? "unchanged"
                                                          : "written";
    std::string html = "<section class=\"card " + std::string(kind) + (changed ? " changed" : "") +
                       "\" id=\"line-" + number(card.number) + "\">\n<h2>line " +
                       number(card.number) + badge("status", statusWords(card.status));
    if (card.change == CHANGE_CHANGED) {
        html += badge("change", "changed");
    } else if (card.change == CHANGE_ADDED) {
        html += badge("change", "added");
    }
    html += "</h2>\n<p><code>" + htmlText(card.text) + "</code></p>\n";
    if (card.status == LINE_NOT_A_RECORD) {
        return html + "</section>\n";
    }
    html += "<p>output <code>" + htmlText(card.output) + "</code>";
    if (card.hashed && card.havePictures) {
        html += ": " + number(card.pictures.storedWidth) + " &times; " +
                number(card.pictures.storedHeight) + " pixels as stored, " + number(card.size) +
                " bytes";
    } else if (card.hashed) {
        html += ": " + number(card.size) + " bytes";
    }
    html += "</p>\n";
    if (failed) {
        html += "<p class=\"reason\"><strong>No output written:</strong> " +
                htmlText(card.reason.empty() ? std::string("no reason was given") : card.reason) +
                "</p>\n";
    }
    if (card.havePictures) {
        html += picturesHtml(card) + "\n";
        if (!card.pictures.complete) {
            html += "<p>Some of this line's pictures could not be written.</p>\n";
        }
    } else if (card.status == LINE_SKIPPED) {
        html += "<p>No pictures: no earlier proof in this folder holds them.</p>\n";
    }
    return html + "</section>\n";
}

std::string proofPageHtml(const PROOF_SHEET_T &sheet) {
    std::string html = std::string(
                           "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta "
                           "charset=\"utf-8\">\n<title>picconv proof sheet</title>\n"
                           "<style>") +
                       PAGE_STYLE +
                       "</style>\n</head>\n<body>\n"
                       "<input type=\"radio\" name=\"show\" id=\"show-all\" hidden checked>"
                       "<input type=\"radio\" name=\"show\" id=\"show-changed\" hidden>"
                       "<input type=\"radio\" name=\"show\" id=\"show-failed\" hidden>\n"
                       "<header>\n<h1>picconv proof sheet</h1>\n" +
                       proofTotalsHtml(sheet) + "</header>\n<main>\n";
    for (const PROOF_CARD_T &card : sheet.cards) {
        html += proofCardHtml(card);
    }
    html += "</main>\n";
    if (!sheet.removed.empty()) {
        html +=
            "<section class=\"removed\" id=\"removed\">\n<h2>Removed since the previous "
            "proof</h2>\n<ul>\n";
        for (const PROOF_REMOVED_T &removed : sheet.removed) {
            html += "<li>line " + number(removed.number) + ": <code>" + htmlText(removed.text) +
                    "</code>, output <code>" + htmlText(removed.output) + "</code></li>\n";
        }
        html += "</ul>\n</section>\n";
    }
    return html + "</body>\n</html>\n";
}
