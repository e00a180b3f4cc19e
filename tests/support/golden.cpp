#include "support/golden.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

std::string goldenPath(const std::string& name)
{
    return std::string(QUORVANE_SOURCE_DIR) + "/tests/golden/" + name + ".png";
}

std::string goldenOutputPath(const std::string& name, const std::string& suffix)
{
    std::string folder = std::string(QUORVANE_BINARY_DIR) + "/golden-out";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return folder + "/" + name + suffix;
}

namespace {

int channel(uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

}  // namespace

::testing::AssertionResult matchesGolden(const Canvas& actual, const std::string& name,
                                         GoldenTolerance tolerance)
{
    const std::string path = goldenPath(name);
    const char* update = std::getenv("UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        if (!actual.savePng(path)) return ::testing::AssertionFailure() << "cannot write " << path;
        return ::testing::AssertionSuccess() << "rebaselined " << path;
    }
    std::optional<Canvas> expected = Canvas::loadPng(path);
    const std::string actualPath = goldenOutputPath(name, ".actual.png");
    if (!expected) {
        actual.savePng(actualPath);
        return ::testing::AssertionFailure()
               << "no golden " << path << " (actual written to " << actualPath
               << "; run with UPDATE_GOLDEN=1 to create it)";
    }
    if (expected->width() != actual.width() || expected->height() != actual.height()) {
        actual.savePng(actualPath);
        return ::testing::AssertionFailure()
               << name << ": size " << actual.width() << "x" << actual.height() << ", golden "
               << expected->width() << "x" << expected->height() << " (actual: " << actualPath
               << ")";
    }
    const int w = actual.width(), h = actual.height();
    Canvas diff(w, h);
    long bad = 0;
    int worst = 0;
    uint8_t* diffRows = diff.data();
    for (int y = 0; y < h; ++y) {
        auto* out =
            reinterpret_cast<uint32_t*>(diffRows + static_cast<std::size_t>(y) * diff.stride());
        for (int x = 0; x < w; ++x) {
            const uint32_t a = actual.pixel(x, y), e = expected->pixel(x, y);
            int d = 0;
            for (int shift = 0; shift < 32; shift += 8)
                d = std::max(d, std::abs(channel(a, shift) - channel(e, shift)));
            worst = std::max(worst, d);
            if (d > tolerance.perChannel) {
                ++bad;
                out[x] = 0xFFFF0000u;
            } else {
                // Faded golden, so the red marks stand out.
                const uint32_t grey = (channel(e, 16) + channel(e, 8) + channel(e, 0)) / 3;
                const uint32_t faded = 160 + grey * 95 / 255;
                out[x] = 0xFF000000u | (faded << 16) | (faded << 8) | faded;
            }
        }
    }
    const double allowed = tolerance.badFraction * static_cast<double>(w) * h;
    if (bad > allowed) {
        const std::string diffPath = goldenOutputPath(name, ".diff.png");
        actual.savePng(actualPath);
        diff.savePng(diffPath);
        return ::testing::AssertionFailure()
               << name << ": " << bad << " pixels differ by more than " << tolerance.perChannel
               << " (worst " << worst << "; allowed " << static_cast<long>(allowed)
               << "). Actual: " << actualPath << ", diff: " << diffPath;
    }
    return ::testing::AssertionSuccess();
}

// fontconfig 2.14 loses 288 bytes while it loads its configuration on the first font match (a
// plain C program that matches one font shows the same). Every screen test matches fonts, so the
// leak checker is told about it here, in the file every such test links.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
