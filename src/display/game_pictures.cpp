#include "display/game_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

std::optional<std::string> findPicture(const std::string& folder, const GameRecord& game)
{
    std::string own = folder + "/" + game.romname + ".png";
    if (pictureFileExists(own)) return own;
    if (game.cloneof) {
        std::string parent = folder + "/" + *game.cloneof + ".png";
        if (pictureFileExists(parent)) return parent;
    }
    return std::nullopt;
}

int dibRowStride(int width, int bitsPerPixel)
{
    return static_cast<int>(((static_cast<int64_t>(width) * bitsPerPixel + 31) / 32) * 4);
}

Picture turnPicture(const Picture& picture, int orientation)
{
    if (orientation != 90 && orientation != -90 && orientation != 180) return picture;
    const int W = picture.width, H = picture.height;
    if (W <= 0 || H <= 0 || picture.pixels.size() < static_cast<std::size_t>(W) * H)
        return picture;
    Picture turned;
    const bool quarter = orientation != 180;
    turned.width = quarter ? H : W;
    turned.height = quarter ? W : H;
    turned.pixels.resize(static_cast<std::size_t>(W) * H);
    const uint32_t* in = picture.pixels.data();
    uint32_t* out = turned.pixels.data();
    const int NW = turned.width, NH = turned.height;
    for (int y = 0; y < NH; ++y) {
        uint32_t* row = out + static_cast<std::size_t>(y) * NW;
        for (int x = 0; x < NW; ++x) {
            int ox, oy;
            if (orientation == -90) {
                ox = W - 1 - y;  // the old top edge becomes the left edge
                oy = x;
            } else if (orientation == 90) {
                ox = y;  // the old top edge becomes the right edge
                oy = H - 1 - x;
            } else {
                ox = W - 1 - x;
                oy = H - 1 - y;
            }
            row[x] = in[static_cast<std::size_t>(oy) * W + ox];
        }
    }
    return turned;
}

namespace {

// Resamples `lines` lines of premultiplied pixels from n to m samples each. A line's samples are
// `step` apart; lines start `lineStep` apart, in both source and destination.
void resampleLines(const uint32_t* src, int n, int srcStep, int srcLineStep, uint32_t* dst, int m,
                   int dstStep, int dstLineStep, int lines)
{
    for (int line = 0; line < lines; ++line) {
        const uint32_t* in = src + static_cast<std::ptrdiff_t>(line) * srcLineStep;
        uint32_t* out = dst + static_cast<std::ptrdiff_t>(line) * dstLineStep;
        if (m <= n) {
            for (int i = 0; i < m; ++i) {
                const int a = static_cast<int>(static_cast<int64_t>(i) * n / m);
                const int b = std::max(a + 1, static_cast<int>(static_cast<int64_t>(i + 1) * n / m));
                uint32_t sum[4] = {0, 0, 0, 0};
                for (int k = a; k < b; ++k) {
                    const uint32_t p = in[static_cast<std::ptrdiff_t>(k) * srcStep];
                    sum[0] += p >> 24;
                    sum[1] += (p >> 16) & 0xFF;
                    sum[2] += (p >> 8) & 0xFF;
                    sum[3] += p & 0xFF;
                }
                const uint32_t count = static_cast<uint32_t>(b - a), half = count / 2;
                out[static_cast<std::ptrdiff_t>(i) * dstStep] =
                    ((sum[0] + half) / count) << 24 | ((sum[1] + half) / count) << 16 |
                    ((sum[2] + half) / count) << 8 | ((sum[3] + half) / count);
            }
        } else {
            for (int i = 0; i < m; ++i) {
                double pos = (i + 0.5) * n / m - 0.5;
                pos = std::clamp(pos, 0.0, static_cast<double>(n - 1));
                const int k = static_cast<int>(pos);
                const int k1 = std::min(k + 1, n - 1);
                const uint32_t w1 = static_cast<uint32_t>((pos - k) * 256.0 + 0.5), w0 = 256 - w1;
                const uint32_t p = in[static_cast<std::ptrdiff_t>(k) * srcStep];
                const uint32_t q = in[static_cast<std::ptrdiff_t>(k1) * srcStep];
                uint32_t result = 0;
                for (int shift = 0; shift < 32; shift += 8) {
                    const uint32_t c = (((p >> shift) & 0xFF) * w0 + ((q >> shift) & 0xFF) * w1 +
                                        128) >> 8;
                    result |= c << shift;
                }
                out[static_cast<std::ptrdiff_t>(i) * dstStep] = result;
            }
        }
    }
}

}  // namespace

Picture resizePicture(const Picture& picture, int width, int height)
{
    const int W = picture.width, H = picture.height;
    Picture out;
    if (width <= 0 || height <= 0 || W <= 0 || H <= 0 ||
        picture.pixels.size() < static_cast<std::size_t>(W) * H)
        return out;
    // Rows first (W -> width), then columns (H -> height).
    std::vector<uint32_t> rows(static_cast<std::size_t>(width) * H);
    resampleLines(picture.pixels.data(), W, 1, W, rows.data(), width, 1, width, H);
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<std::size_t>(width) * height);
    resampleLines(rows.data(), H, width, 1, out.pixels.data(), height, width, 1, width);
    return out;
}

Point cornerPicturePosition(PictureKind kind, int orientation, const Rect& a, int w, int h)
{
    const bool shot = kind == PictureKind::Screenshot;
    switch (orientation) {
    case -90:
        return shot ? Point{a.right - w - 10, a.top + 10} : Point{a.left + 10, a.top + 10};
    case 90:
        return shot ? Point{a.left + 10, a.bottom - h - 10}
                    : Point{a.right - w - 10, a.bottom - h - 10};
    case 180:
        return shot ? Point{a.left + 10, a.top + 10} : Point{a.left + 10, a.bottom - h - 10};
    default:
        return shot ? Point{a.right - w - 10, a.bottom - h - 10}
                    : Point{a.right - w - 10, a.top + 10};
    }
}

Rect fittedPictureRect(const Rect& box, int iw, int ih)
{
    const int cw = box.width(), ch = box.height();
    if (cw <= 0 || ch <= 0 || iw <= 0 || ih <= 0) return Rect{box.left, box.top, box.left, box.top};
    double s = static_cast<double>(cw) / iw;
    if (ih * s > ch) s = static_cast<double>(ch) / ih;
    int dw = static_cast<int>(iw * s);
    int dh = static_cast<int>(ih * s);
    int x = box.left + static_cast<int>(cw - iw * s) / 2;
    int y = box.top + static_cast<int>(ch - ih * s) / 2;
    return Rect{x, y, x + dw, y + dh};
}

PictureCache::PictureCache(std::size_t maxBytes) : maxBytes_(maxBytes) {}

std::shared_ptr<const Picture>* PictureCache::find(const std::string& key)
{
    auto found = index_.find(key);
    if (found == index_.end()) return nullptr;
    lru_.splice(lru_.begin(), lru_, found->second);
    return &found->second->picture;
}

void PictureCache::store(const std::string& key, std::shared_ptr<const Picture> picture)
{
    Entry entry;
    entry.key = key;
    // A failure is remembered too (it costs a little bookkeeping, not pixels), so a broken file
    // is not decoded again on every repaint.
    entry.bytes = (picture ? picture->byteSize() : 0) + key.size() + 64;
    entry.picture = std::move(picture);
    bytes_ += entry.bytes;
    lru_.push_front(std::move(entry));
    index_[key] = lru_.begin();
    trim();
}

std::shared_ptr<const Picture> PictureCache::get(const std::string& path, int orientation)
{
    const std::string key = std::to_string(orientation) + "|" + path;
    if (auto* found = find(key)) return *found;
    ++decodes_;
    std::shared_ptr<const Picture> picture;
    if (std::optional<Picture> loaded = loadPicture(path))
        picture = std::make_shared<const Picture>(turnPicture(*loaded, orientation));
    store(key, picture);
    return picture;
}

std::shared_ptr<const Picture> PictureCache::getResized(const std::string& path, int orientation,
                                                        int width, int height)
{
    if (width <= 0 || height <= 0) return nullptr;
    const std::string key = std::to_string(orientation) + "|" + std::to_string(width) + "x" +
                            std::to_string(height) + "|" + path;
    if (auto* found = find(key)) return *found;
    // Use the full picture when it is held already, without keeping a new one for this.
    std::shared_ptr<const Picture> full;
    const std::string fullKey = std::to_string(orientation) + "|" + path;
    if (auto* held = find(fullKey)) {
        full = *held;
    } else {
        ++decodes_;
        if (std::optional<Picture> loaded = loadPicture(path))
            full = std::make_shared<const Picture>(turnPicture(*loaded, orientation));
        else
            store(fullKey, nullptr);  // remember the failure
    }
    std::shared_ptr<const Picture> resized;
    if (full) resized = std::make_shared<const Picture>(resizePicture(*full, width, height));
    store(key, resized);
    return resized;
}

void PictureCache::trim()
{
    while (bytes_ > maxBytes_ && lru_.size() > 1) {
        bytes_ -= lru_.back().bytes;
        index_.erase(lru_.back().key);
        lru_.pop_back();
    }
}

void PictureCache::clear()
{
    lru_.clear();
    index_.clear();
    bytes_ = 0;
}

void drawCornerPicture(Canvas& canvas, PictureCache& cache, const LauncherSettings& settings,
                       const GameRecord& game, const Rect& area, PictureKind kind)
{
    const std::string& folder =
        kind == PictureKind::Screenshot ? settings.SnapshotDir : settings.FlyerDir;
    std::optional<std::string> path = findPicture(folder, game);
    if (!path) return;
    std::shared_ptr<const Picture> picture = cache.get(*path, settings.CurrentOrientation);
    if (!picture) return;
    Point at = cornerPicturePosition(kind, settings.CurrentOrientation, area, picture->width,
                                     picture->height);
    canvas.drawPicture(*picture, at.x, at.y);
}

void drawPictureFitted(Canvas& canvas, PictureCache& cache, const LauncherSettings& settings,
                       const GameRecord& game, const Rect& box)
{
    const std::string& folder =
        settings.PreviewPictures == kPreviewFlyers ? settings.FlyerDir : settings.SnapshotDir;
    std::optional<std::string> path = findPicture(folder, game);
    if (!path) return;
    std::shared_ptr<const Picture> picture = cache.get(*path, settings.CurrentOrientation);
    if (!picture) return;
    const Rect dest = fittedPictureRect(box, picture->width, picture->height);
    std::shared_ptr<const Picture> fitted =
        cache.getResized(*path, settings.CurrentOrientation, dest.width(), dest.height());
    if (fitted) canvas.drawPicture(*fitted, dest.left, dest.top);
}
