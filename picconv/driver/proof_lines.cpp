#include "picconv/driver/proof_lines.h"

#include <string.h>

#include "picconv/proof/proof.h"

void noteProof(long number, const std::string &text, const LINE_OUTCOME_T &outcome,
               const STATE_ENTRY_T &skipped) {
    if (proofFolder() == nullptr) {
        return;
    }
    PROOF_LINE_T line;
    line.number = number;
    line.text = text;
    line.status = outcome.status;
    line.reason = outcome.status == LINE_NO_OUTPUT ? outcome.problem : std::string();
    line.output = outcome.output;
    line.pictures = outcome.proofPictures;
    line.hashed = false;
    line.size = 0;
    if (outcome.status == LINE_WRITTEN || outcome.status == LINE_UNCHANGED) {
        sha256Of(outcome.bytes.data(), outcome.bytes.size(), line.hash);
        line.hashed = true;
        line.size = outcome.bytes.size();
    } else if (outcome.status == LINE_SKIPPED) {
        memcpy(line.hash, skipped.outputHash, sizeof line.hash);
        line.hashed = true;
        line.size = skipped.outputStamp.size;
    }
    noteProofLine(line);
}
