#include "support/golden.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

int channelDistance(uint32_t a, uint32_t b)
{
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return worst;
}

long differingPixels(const Canvas& a, const Canvas& b, const Rect& area)
{
    long count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

bool samePixels(const Canvas& a, const Canvas& b)
{
    return a.width() == b.width() && a.height() == b.height() &&
           differingPixels(a, b, {0, 0, a.width(), a.height()}) == 0;
}

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
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t e = expected->pixel(x, y);
            const int d = channelDistance(actual.pixel(x, y), e);
            worst = std::max(worst, d);
            bad += d > tolerance.perChannel;
            // Changed pixels in red over a faded golden, so that they stand out.
            const uint32_t grey = (((e >> 16) & 0xFF) + ((e >> 8) & 0xFF) + (e & 0xFF)) / 3;
            const uint32_t faded = 160 + grey * 95 / 255;
            diff.fillRect({x, y, x + 1, y + 1},
                          d > tolerance.perChannel ? 0x0000FF : faded << 16 | faded << 8 | faded);
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
