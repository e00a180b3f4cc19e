// Screenshots and flyers: finding a game's PNG (a clone falls back to its parent's), turning it
// upright for the viewer in the current orientation, and drawing it unscaled in a corner of the
// list view or fitted into a cell of the image browser. A picture never reaches past the view
// rectangle (over the status bars): one too large for it is scaled down, keeping its aspect.
//
// A picture file that exists but cannot be read is skipped, and named once per run on standard
// error with the reason.
//
// Decoded, turned pictures are kept in a small cache bounded by memory, so that the list view,
// which draws two pictures on every repaint, does not decode them again while the player holds a
// direction. What reaches the screen is the same as decoding on every draw.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "catalogue/game_record.h"
#include "config/settings.h"
#include "platform/canvas.h"
#include "platform/image.h"
#include "platform/rect.h"

enum class PictureKind { Screenshot, Flyer };

// "<folder>/<romname>.png" when that file exists, else the same for the game's cloneof when it
// has one and that file exists, else nothing.
std::optional<std::string> findPicture(const std::string& folder, const GameRecord& game);

// Row stride in bytes of a bottom-up device-independent bitmap: rows padded to 4 bytes.
int dibRowStride(int width, int bitsPerPixel);

// The picture turned for the orientation: -90 a quarter turn counter-clockwise (the old top edge
// becomes the left edge), 90 clockwise (it becomes the right edge), 180 a half turn; any other
// value leaves it as it is.
Picture turnPicture(const Picture& picture, int orientation);

// A copy of the picture resized to width x height: each output pixel averages the source pixels
// it covers when shrinking (no aliasing of fine detail), and interpolates linearly when
// enlarging. An empty picture for an empty size or source.
Picture resizePicture(const Picture& picture, int width, int height);

// Writes "Cannot read picture <path>: <why>" on standard error, the first time only for each
// path in this run (a repaint must not repeat it). Thread-safe.
void reportUnreadablePicture(const std::string& path, const std::string& why);

// The size a w x h picture is drawn at in a space of maxWidth x maxHeight: its own when it fits,
// else scaled down keeping its aspect ratio (never below 1 x 1). 0 x 0 when there is no space.
struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};
PictureSize shrinkToFit(int w, int h, int maxWidth, int maxHeight);

// Screen position of the top-left pixel of a w x h picture placed 10 pixels in from the corner
// of `area` that is the viewer's bottom-right (screenshot) or top-right (flyer).
Point cornerPicturePosition(PictureKind kind, int orientation, const Rect& area, int w, int h);

// Where a picture of iw x ih lands when fitted into `box` keeping its aspect ratio, centred.
// Empty for an empty box or picture.
Rect fittedPictureRect(const Rect& box, int iw, int ih);

// Where an image-browser cell's picture lands: fitted into `box` as above when that stays inside
// `view`; otherwise fitted into the part of the box inside the view (empty when none is).
Rect cellPictureRect(const Rect& box, const Rect& view, int iw, int ih);

class PictureCache {
public:
    // Holds decoded pictures up to about maxBytes of pixels (at least the most recent one).
    explicit PictureCache(std::size_t maxBytes = kDefaultMaxBytes);

    // Default: the image browser's page on the screen and the pages before and after it (27
    // cells of at most 184 x 244 pixels each, about 5 MB a page at most, less once fitted), and
    // the list's two corner pictures. More would only keep pictures nobody is looking at, and
    // a cabinet's launcher should stay small beside the emulator it starts.
    static constexpr std::size_t kDefaultMaxBytes = 12u << 20;

    // The picture at path, turned for orientation; null when the file does not decode (that
    // answer is remembered too). The pointer stays valid while the caller holds it.
    std::shared_ptr<const Picture> get(const std::string& path, int orientation);
    // The same picture turned and resized to exactly width x height (the image browser's cells
    // keep only these small copies, so a page of pictures costs little memory). Null when the
    // file does not decode or the size is empty.
    std::shared_ptr<const Picture> getResized(const std::string& path, int orientation, int width,
                                              int height);

    // The picture turned and resized as cellPictureRect places it in `box` within `view`; dest
    // receives where it lands. Only the resized copy is kept. Null when the file does not decode
    // or nothing of it fits.
    std::shared_ptr<const Picture> getFitted(const std::string& path, int orientation,
                                             const Rect& box, const Rect& view, Rect& dest);
    std::shared_ptr<const Picture> getFitted(const std::string& path, int orientation,
                                             const Rect& box, Rect& dest)
    {
        return getFitted(path, orientation, box, box, dest);
    }
    // The picture turned, and scaled down as shrinkToFit says when it is larger than maxWidth x
    // maxHeight (then only the smaller copy is kept). Null when the file does not decode or
    // there is no space.
    std::shared_ptr<const Picture> getWithin(const std::string& path, int orientation, int maxWidth,
                                             int maxHeight);

    // The key getFitted files a cell's picture under, and a way to file one decoded elsewhere
    // (null: the file does not decode) with the size of the picture it was made from.
    static std::string fittedKey(const std::string& path, int orientation, const Rect& box,
                                 const Rect& view);
    void storeFitted(const std::string& key, std::shared_ptr<const Picture> picture,
                     int sourceWidth, int sourceHeight);
    bool holds(const std::string& key) { return findEntry(key) != nullptr; }
    std::size_t maxBytes() const { return maxBytes_; }

    std::size_t bytesHeld() const { return bytes_; }
    int decodeCount() const { return decodes_; }  // files decoded since construction
    void clear();

private:
    struct Entry {
        std::string key;
        std::shared_ptr<const Picture> picture;  // null: does not decode
        std::size_t bytes = 0;
        int sourceWidth = 0, sourceHeight = 0;  // of the decoded picture a fitted one came from
    };
    std::shared_ptr<const Picture> decode(const std::string& path, int orientation);
    Entry* findEntry(const std::string& key);
    std::shared_ptr<const Picture>* find(const std::string& key);
    void store(const std::string& key, std::shared_ptr<const Picture> picture, int sourceWidth = 0,
               int sourceHeight = 0);
    void trim();
    std::size_t maxBytes_;
    std::size_t bytes_ = 0;
    int decodes_ = 0;
    std::list<Entry> lru_;  // most recent first
    std::unordered_map<std::string, std::list<Entry>::iterator> index_;
};

// Draws the game's screenshot or flyer unscaled in its corner of `area`, or scaled down to fit
// 10 pixels in from the area's edges when it is larger (nothing when the game has none or it
// does not decode). Folders and orientation come from the settings.
void drawCornerPicture(Canvas& canvas, PictureCache& cache, const LauncherSettings& settings,
                       const GameRecord& game, const Rect& area, PictureKind kind);

// The file of the picture the image browser shows for the game (PreviewPictures chooses the
// folder), if there is one.
std::optional<std::string> previewPicturePath(const LauncherSettings& settings,
                                              const GameRecord& game);

// Draws the picture chosen by PreviewPictures scaled to fit `box`, centred, kept inside `view`
// (nothing when the game has none).
void drawPictureFitted(Canvas& canvas, PictureCache& cache, const LauncherSettings& settings,
                       const GameRecord& game, const Rect& box, const Rect& view);
