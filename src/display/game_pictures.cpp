#include "display/game_pictures.h"

#include <cmath>

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

std::shared_ptr<const Picture> PictureCache::get(const std::string& path, int orientation)
{
    std::string key = std::to_string(orientation) + "|" + path;
    if (auto found = index_.find(key); found != index_.end()) {
        lru_.splice(lru_.begin(), lru_, found->second);
        return found->second->picture;
    }
    ++decodes_;
    std::shared_ptr<const Picture> picture;
    if (std::optional<Picture> loaded = loadPicture(path))
        picture = std::make_shared<const Picture>(turnPicture(*loaded, orientation));
    Entry entry;
    entry.key = key;
    entry.picture = picture;
    // A failure is remembered too (it costs a little bookkeeping, not pixels), so a broken file
    // is not decoded again on every repaint.
    entry.bytes = (picture ? picture->byteSize() : 0) + key.size() + 64;
    bytes_ += entry.bytes;
    lru_.push_front(std::move(entry));
    index_[key] = lru_.begin();
    trim();
    return picture;
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
    Rect dest = fittedPictureRect(box, picture->width, picture->height);
    canvas.drawPictureScaled(*picture, dest);
}
