// Golden-image comparison for screen tests: a canvas is compared with tests/golden/<name>.png.
// Pixels may differ by a small tolerance per channel (anti-aliasing between library versions);
// a handful of pixels beyond it are allowed too. On a mismatch the actual picture and a diff
// (changed pixels in red over a faded copy of the golden) are written to
// <build folder>/golden-out/<name>.actual.png and .diff.png. With UPDATE_GOLDEN=1 in the
// environment the golden is (re)written from the canvas and the comparison passes.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "platform/canvas.h"
#include "platform/rect.h"

struct GoldenTolerance {
    int perChannel = 24;         // largest allowed difference of one colour channel
    double badFraction = 0.002;  // share of pixels allowed beyond perChannel
};

::testing::AssertionResult matchesGolden(const Canvas& actual, const std::string& name,
                                         GoldenTolerance tolerance = {});

// The largest difference of one channel between two ARGB pixels.
int channelDistance(uint32_t a, uint32_t b);
// How many pixels of `area` differ between two canvases (a pixel outside one of them is 0).
long differingPixels(const Canvas& a, const Canvas& b, const Rect& area);
// Same size and every pixel alike.
bool samePixels(const Canvas& a, const Canvas& b);
