// The arithmetic of the main window's scroll bar: which bar value stands for
// a page top, and which page top a bar movement asks for. Values run from 1
// to kScrollMax whatever the file's length.
#pragma once

#include <cstdint>

namespace qx {

// x to the nearest integer, halves to the even neighbour.
std::int64_t RoundHalfEven(double x);

// The bar value that stands for the page starting at bufferTop.
int BarValueForTop(std::int64_t bufferTop, std::int64_t workingLength);

// The page top after delta arrow steps (rows) from bufferTop: never before 0,
// and never past the row that holds the last byte.
std::int64_t TopForStep(std::int64_t bufferTop, int delta, std::int64_t workingLength);

// The page top for a thumb dragged to barValue; at most the last byte.
std::int64_t TopForThumb(int barValue, double scrollScale, std::int64_t workingLength);

// True for the deltas of an arrow click (1) or a trough click (16).
bool IsStepDelta(int delta);

}  // namespace qx
