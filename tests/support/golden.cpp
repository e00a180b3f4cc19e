#include "support/golden.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

int channel(uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

}  // namespace

::testing::AssertionResult matchesGolden(const Canvas& actual, const std::string& name,
                                         GoldenTolerance tolerance)
{
    const std::string path = std::string(QUORVANE_SOURCE_DIR) + "/tests/golden/" + name + ".png";
    const char* update = std::getenv("UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        if (!actual.savePng(path)) return ::testing::AssertionFailure() << "cannot write " << path;
        return ::testing::AssertionSuccess() << "rebaselined " << path;
    }
    const std::string out = std::string(QUORVANE_BINARY_DIR) + "/golden-out/";
    std::error_code ignored;
    std::filesystem::create_directories(out, ignored);
    const std::string actualPath = out + name + ".actual.png", diffPath = out + name + ".diff.png";
    std::optional<Canvas> expected = Canvas::loadPng(path);
    const int w = actual.width(), h = actual.height();
    if (!expected || expected->width() != w || expected->height() != h) {
        actual.savePng(actualPath);
        return ::testing::AssertionFailure()
               << (expected ? "a golden of another size: " : "no golden ") << path << " (actual "
               << w << "x" << h << " written to " << actualPath
               << "; UPDATE_GOLDEN=1 writes it as the golden)";
    }
    Canvas diff(w, h);
    long bad = 0;
    int worst = 0;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(diff.data() + std::size_t(y) * diff.stride());
        for (int x = 0; x < w; ++x) {
            const uint32_t a = actual.pixel(x, y), e = expected->pixel(x, y);
            int d = 0;
            for (int shift = 0; shift < 32; shift += 8)
                d = std::max(d, std::abs(channel(a, shift) - channel(e, shift)));
            worst = std::max(worst, d);
            // Changed pixels in red over a faded golden, so that they stand out.
            const uint32_t faded =
                160 + (channel(e, 16) + channel(e, 8) + channel(e, 0)) / 3 * 95 / 255;
            const bool changed = d > tolerance.perChannel;
            bad += changed;
            row[x] = changed ? 0xFFFF0000u : 0xFF000000u | faded << 16 | faded << 8 | faded;
        }
    }
    const double allowed = tolerance.badFraction * static_cast<double>(w) * h;
    if (bad <= allowed) return ::testing::AssertionSuccess();
    actual.savePng(actualPath);
    diff.savePng(diffPath);
    return ::testing::AssertionFailure()
           << name << ": " << bad << " pixels differ by more than " << tolerance.perChannel
           << " (worst " << worst << "; allowed " << static_cast<long>(allowed)
           << "). Actual: " << actualPath << ", diff: " << diffPath;
}

// fontconfig 2.14 loses 288 bytes while it loads its configuration on the first font match (a
// plain C program that matches one font shows the same). Every screen test matches fonts, so the
// leak checker is told about it here, in the file every such test links.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
