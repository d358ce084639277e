// The proof sheet as one HTML page: plain functions from the sheet's records to text. The page
// needs nothing but its pictures: no script, no server, nothing from the network (the filter is
// radio buttons and CSS).
#ifndef PICCONV_PROOF_PROOF_PAGE_H
#define PICCONV_PROOF_PROOF_PAGE_H

#include <stdint.h>

#include <string>

#include "picconv/proof/proof_sheet.h"

// The side the cut and the output are enlarged towards, by whole steps.
const uint32_t PROOF_DISPLAY_SIDE = 192;

// text with &, <, >, " and ' escaped, for element text and quoted attributes.
std::string htmlText(const std::string &text);

// Whole enlargements for the cut and the output that show them at about the same size, each side
// at most PROOF_DISPLAY_SIDE or the larger picture's own side (never reduced: at least 1 each).
// A picture of no pixels gets 1 and does not count.
void displaySteps(uint32_t cutWidth, uint32_t cutHeight, uint32_t outputWidth,
                  uint32_t outputHeight, uint32_t *cutStep, uint32_t *outputStep);

// The top of the page: totals, the changes, links to the failed lines and the filter.
std::string proofTotalsHtml(const PROOF_SHEET_T &sheet);

std::string proofCardHtml(const PROOF_CARD_T &card);

std::string proofPageHtml(const PROOF_SHEET_T &sheet);

#endif
