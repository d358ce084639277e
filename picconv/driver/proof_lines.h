// A committed line's card on the proof sheet, when one is made.
#ifndef PICCONV_DRIVER_PROOF_LINES_H
#define PICCONV_DRIVER_PROOF_LINES_H

#include <string>

#include "picconv/driver/line_outcome.h"
#include "picconv/driver/run_state.h"

// outcome as committed; skipped is the state's entry for a line the state skipped.
void noteProof(long number, const std::string &text, const LINE_OUTCOME_T &outcome,
               const STATE_ENTRY_T &skipped);

#endif
