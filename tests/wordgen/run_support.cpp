#include "tests/wordgen/run_support.h"

std::string expectedHeader(const WORD_PAIRS_T &words) {
    std::string text = "/* This file auto genareted */\n";
    for (const auto &w : words) {
        text += "NATIVEWORD(" + w.first + ");\n";
    }
    text += "\n#ifdef _NATIVEWORD_TABEL_SET_\nNATIVE_WORD_LIST_T g_native_word_table[]= {\n";
    for (const auto &w : words) {
        text += " {\"" + w.second + "\", " + w.first + "},\n";
    }
    return text + "};\n#endif\n";
}
