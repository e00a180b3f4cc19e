#include "display/game_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <set>

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

void reportUnreadablePicture(const std::string& path, const std::string& why)
{
    static std::mutex guard;
    static std::set<std::string> reported;
    std::lock_guard<std::mutex> lock(guard);
    if (!reported.insert(path).second) return;
    std::fprintf(stderr, "Cannot read picture %s: %s\n", path.c_str(), why.c_str());
    std::fflush(stderr);
}

int dibRowStride(int width, int bitsPerPixel)
{
    return static_cast<int>(((static_cast<int64_t>(width) * bitsPerPixel + 31) / 32) * 4);
}

Picture turnPicture(const Picture& picture, int orientation)
{
    if (orientation != 90 && orientation != -90 && orientation != 180) return picture;
    const int W = picture.width, H = picture.height;
    if (W <= 0 || H <= 0 || picture.pixels.size() < static_cast<std::size_t>(W) * H) return picture;
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

// How one output sample is made from a line of n source samples: the average of [a, b) when
// shrinking, or source a blended with source b by weight/256 when enlarging.
struct Tap {
    int a = 0;
    int b = 0;
    uint32_t weight = 0;
};

std::vector<Tap> makeTaps(int n, int m)
{
    std::vector<Tap> taps(static_cast<std::size_t>(m));
    for (int i = 0; i < m; ++i) {
        Tap& t = taps[static_cast<std::size_t>(i)];
        if (m <= n) {
            t.a = static_cast<int>(static_cast<int64_t>(i) * n / m);
            t.b = std::max(t.a + 1, static_cast<int>(static_cast<int64_t>(i + 1) * n / m));
        } else {
            const double pos = std::clamp((i + 0.5) * n / m - 0.5, 0.0, static_cast<double>(n - 1));
            t.a = static_cast<int>(pos);
            t.b = std::min(t.a + 1, n - 1);
            t.weight = static_cast<uint32_t>((pos - t.a) * 256.0 + 0.5);
        }
    }
    return taps;
}

uint32_t blend(uint32_t p, uint32_t q, uint32_t w1)
{
    const uint32_t w0 = 256 - w1;
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8)
        result |= ((((p >> shift) & 0xFF) * w0 + ((q >> shift) & 0xFF) * w1 + 128) >> 8) << shift;
    return result;
}

uint32_t average(const uint32_t* sum, uint32_t count)
{
    const uint32_t half = count / 2;
    return ((sum[0] + half) / count) << 24 | ((sum[1] + half) / count) << 16 |
           ((sum[2] + half) / count) << 8 | ((sum[3] + half) / count);
}

void accumulate(uint32_t* sum, uint32_t p)
{
    sum[0] += p >> 24;
    sum[1] += (p >> 16) & 0xFF;
    sum[2] += (p >> 8) & 0xFF;
    sum[3] += p & 0xFF;
}

}  // namespace

Picture resizePicture(const Picture& picture, int width, int height)
{
    const int W = picture.width, H = picture.height;
    Picture out;
    if (width <= 0 || height <= 0 || W <= 0 || H <= 0 ||
        picture.pixels.size() < static_cast<std::size_t>(W) * H)
        return out;
    // Down the columns first (H -> height), a whole row of bytes at a time so that the compiler
    // can vectorise the heavy pass, then along the rows (W -> width) on the fewer rows left.
    const std::size_t rowBytes = static_cast<std::size_t>(W) * 4;
    std::vector<uint32_t> columns(static_cast<std::size_t>(W) * height);
    auto* columnBytes = reinterpret_cast<uint8_t*>(columns.data());
    const auto* sourceBytes = reinterpret_cast<const uint8_t*>(picture.pixels.data());
    const std::vector<Tap> down = makeTaps(H, height);
    std::vector<uint32_t> sums(rowBytes);
    for (int y = 0; y < height; ++y) {
        const Tap& t = down[static_cast<std::size_t>(y)];
        uint8_t* target = columnBytes + static_cast<std::size_t>(y) * rowBytes;
        const uint8_t* p = sourceBytes + static_cast<std::size_t>(t.a) * rowBytes;
        if (height > H) {
            const uint8_t* q = sourceBytes + static_cast<std::size_t>(t.b) * rowBytes;
            const uint32_t w1 = t.weight, w0 = 256 - w1;
            for (std::size_t j = 0; j < rowBytes; ++j)
                target[j] = static_cast<uint8_t>((p[j] * w0 + q[j] * w1 + 128) >> 8);
            continue;
        }
        const uint32_t count = static_cast<uint32_t>(t.b - t.a);
        if (count == 1) {
            std::copy(p, p + rowBytes, target);
            continue;
        }
        std::fill(sums.begin(), sums.end(), 0u);
        for (int k = t.a; k < t.b; ++k) {
            const uint8_t* row = sourceBytes + static_cast<std::size_t>(k) * rowBytes;
            for (std::size_t j = 0; j < rowBytes; ++j) sums[j] += row[j];
        }
        // Division by a multiply: the rounded average, or one step above it at worst.
        const uint32_t half = count / 2, inverse = (65536 + count - 1) / count;
        for (std::size_t j = 0; j < rowBytes; ++j)
            target[j] =
                static_cast<uint8_t>(std::min<uint32_t>(255, ((sums[j] + half) * inverse) >> 16));
    }
    const std::vector<Tap> across = makeTaps(W, width);
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const uint32_t* in = columns.data() + static_cast<std::size_t>(y) * W;
        uint32_t* row = out.pixels.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const Tap& t = across[static_cast<std::size_t>(x)];
            if (width > W) {
                row[x] = blend(in[t.a], in[t.b], t.weight);
            } else {
                uint32_t sum[4] = {0, 0, 0, 0};
                for (int k = t.a; k < t.b; ++k) accumulate(sum, in[k]);
                row[x] = average(sum, static_cast<uint32_t>(t.b - t.a));
            }
        }
    }
    return out;
}

PictureSize shrinkToFit(int w, int h, int maxWidth, int maxHeight)
{
    if (w <= 0 || h <= 0 || maxWidth <= 0 || maxHeight <= 0) return {};
    if (w <= maxWidth && h <= maxHeight) return {w, h};
    const double s =
        std::min(static_cast<double>(maxWidth) / w, static_cast<double>(maxHeight) / h);
    return {std::clamp(static_cast<int>(w * s), 1, maxWidth),
            std::clamp(static_cast<int>(h * s), 1, maxHeight)};
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

Rect cellPictureRect(const Rect& box, const Rect& view, int iw, int ih)
{
    const Rect dest = fittedPictureRect(box, iw, ih);
    if (dest.left >= view.left && dest.top >= view.top && dest.right <= view.right &&
        dest.bottom <= view.bottom)
        return dest;
    const Rect visible{std::max(box.left, view.left), std::max(box.top, view.top),
                       std::min(box.right, view.right), std::min(box.bottom, view.bottom)};
    if (visible.empty()) return Rect{box.left, box.top, box.left, box.top};
    return fittedPictureRect(visible, iw, ih);
}

PictureCache::PictureCache(std::size_t maxBytes) : maxBytes_(maxBytes) {}

PictureCache::Entry* PictureCache::findEntry(const std::string& key)
{
    auto found = index_.find(key);
    if (found == index_.end()) return nullptr;
    lru_.splice(lru_.begin(), lru_, found->second);
    return &*found->second;
}

std::shared_ptr<const Picture>* PictureCache::find(const std::string& key)
{
    Entry* entry = findEntry(key);
    return entry ? &entry->picture : nullptr;
}

void PictureCache::store(const std::string& key, std::shared_ptr<const Picture> picture,
                         int sourceWidth, int sourceHeight)
{
    Entry entry;
    entry.key = key;
    entry.sourceWidth = sourceWidth;
    entry.sourceHeight = sourceHeight;
    // A failure is remembered too (it costs a little bookkeeping, not pixels), so a broken file
    // is not decoded again on every repaint.
    entry.bytes = (picture ? picture->byteSize() : 0) + key.size() + 64;
    entry.picture = std::move(picture);
    bytes_ += entry.bytes;
    lru_.push_front(std::move(entry));
    index_[key] = lru_.begin();
    trim();
}

namespace {

// The key of a picture: its orientation, its file's size and time (so a picture replaced on disk
// is read again, as it would be without the cache) and its path.
std::string pictureKey(const std::string& path, int orientation)
{
    std::optional<PictureFileStamp> stamp = pictureFileStamp(path);
    std::string key = std::to_string(orientation) + "|";
    if (stamp) key += std::to_string(stamp->size) + "|" + std::to_string(stamp->modifiedNs);
    return key + "|" + path;
}

}  // namespace

std::shared_ptr<const Picture> PictureCache::decode(const std::string& path, int orientation)
{
    ++decodes_;
    std::string why;
    std::optional<Picture> loaded = loadPicture(path, &why);
    if (!loaded) {
        reportUnreadablePicture(path, why);
        return nullptr;
    }
    // Upright pictures are moved, not copied: a copy of a large picture costs as much as a
    // good part of its decoding.
    if (orientation != 90 && orientation != -90 && orientation != 180)
        return std::make_shared<const Picture>(std::move(*loaded));
    return std::make_shared<const Picture>(turnPicture(*loaded, orientation));
}

std::shared_ptr<const Picture> PictureCache::get(const std::string& path, int orientation)
{
    const std::string key = pictureKey(path, orientation);
    if (auto* found = find(key)) return *found;
    std::shared_ptr<const Picture> picture = decode(path, orientation);
    store(key, picture);
    return picture;
}

std::string PictureCache::fittedKey(const std::string& path, int orientation, const Rect& box,
                                    const Rect& view)
{
    // The box's size and the part of it inside the view decide the result, not where it is.
    const Rect visible{
        std::max(box.left, view.left) - box.left, std::max(box.top, view.top) - box.top,
        std::min(box.right, view.right) - box.left, std::min(box.bottom, view.bottom) - box.top};
    return "fit " + std::to_string(box.width()) + "x" + std::to_string(box.height()) + " " +
           std::to_string(visible.left) + "," + std::to_string(visible.top) + "," +
           std::to_string(visible.right) + "," + std::to_string(visible.bottom) + "|" +
           pictureKey(path, orientation);
}

void PictureCache::storeFitted(const std::string& key, std::shared_ptr<const Picture> picture,
                               int sourceWidth, int sourceHeight)
{
    if (findEntry(key)) return;
    store(key, std::move(picture), sourceWidth, sourceHeight);
}

std::shared_ptr<const Picture> PictureCache::getFitted(const std::string& path, int orientation,
                                                       const Rect& box, const Rect& view,
                                                       Rect& dest)
{
    const std::string key = fittedKey(path, orientation, box, view);
    if (Entry* entry = findEntry(key)) {
        dest = cellPictureRect(box, view, entry->sourceWidth, entry->sourceHeight);
        return entry->picture;
    }
    // Only the small fitted copy is kept: a page of cells must not hold a page of full pictures.
    std::shared_ptr<const Picture> full;
    if (auto* held = find(pictureKey(path, orientation)))
        full = *held;
    else
        full = decode(path, orientation);
    std::shared_ptr<const Picture> fitted;
    int sourceWidth = 0, sourceHeight = 0;
    if (full) {
        sourceWidth = full->width;
        sourceHeight = full->height;
        dest = cellPictureRect(box, view, sourceWidth, sourceHeight);
        if (!dest.empty())
            fitted =
                std::make_shared<const Picture>(resizePicture(*full, dest.width(), dest.height()));
    }
    store(key, fitted, sourceWidth, sourceHeight);
    return fitted;
}

std::shared_ptr<const Picture> PictureCache::getWithin(const std::string& path, int orientation,
                                                       int maxWidth, int maxHeight)
{
    if (maxWidth <= 0 || maxHeight <= 0) return nullptr;
    const std::string fullKey = pictureKey(path, orientation);
    const std::string key =
        "within " + std::to_string(maxWidth) + "x" + std::to_string(maxHeight) + "|" + fullKey;
    if (auto* found = find(key)) return *found;
    std::shared_ptr<const Picture> full;
    if (auto* held = find(fullKey))
        full = *held;
    else
        full = decode(path, orientation);
    std::shared_ptr<const Picture> shown = full;
    if (full) {
        const PictureSize size = shrinkToFit(full->width, full->height, maxWidth, maxHeight);
        if (size.width != full->width || size.height != full->height)
            shown = std::make_shared<const Picture>(resizePicture(*full, size.width, size.height));
    }
    store(key, shown);
    return shown;
}

std::shared_ptr<const Picture> PictureCache::getResized(const std::string& path, int orientation,
                                                        int width, int height)
{
    if (width <= 0 || height <= 0) return nullptr;
    const std::string fullKey = pictureKey(path, orientation);
    const std::string key = std::to_string(width) + "x" + std::to_string(height) + "|" + fullKey;
    if (auto* found = find(key)) return *found;
    // Use the full picture when it is held already, without keeping a new one for this.
    std::shared_ptr<const Picture> full;
    if (auto* held = find(fullKey)) {
        full = *held;
    } else {
        full = decode(path, orientation);
        if (!full) store(fullKey, nullptr);  // remember the failure
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
    // 10 pixels in from each edge of the area, as the corner placement puts it.
    std::shared_ptr<const Picture> picture =
        cache.getWithin(*path, settings.CurrentOrientation, area.width() - 20, area.height() - 20);
    if (!picture) return;
    Point at = cornerPicturePosition(kind, settings.CurrentOrientation, area, picture->width,
                                     picture->height);
    canvas.drawPicture(*picture, at.x, at.y);
}

std::optional<std::string> previewPicturePath(const LauncherSettings& settings,
                                              const GameRecord& game)
{
    const std::string& folder =
        settings.PreviewPictures == kPreviewFlyers ? settings.FlyerDir : settings.SnapshotDir;
    return findPicture(folder, game);
}

void drawPictureFitted(Canvas& canvas, PictureCache& cache, const LauncherSettings& settings,
                       const GameRecord& game, const Rect& box, const Rect& view)
{
    std::optional<std::string> path = previewPicturePath(settings, game);
    if (!path) return;
    Rect dest;
    std::shared_ptr<const Picture> fitted =
        cache.getFitted(*path, settings.CurrentOrientation, box, view, dest);
    if (fitted) canvas.drawPicture(*fitted, dest.left, dest.top);
}
