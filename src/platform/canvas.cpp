#include "platform/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <cairo.h>

#include "platform/font_impl.h"
#include "platform/image.h"

namespace {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, ContextDeleter>;

void setColour(cairo_t* cr, Colorref c)
{
    cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                         ((c >> 16) & 0xFF) / 255.0);
}

// A Cairo surface over a picture's pixels, without copying them. Cairo wants a stride that is a
// multiple of 4 bytes, which 4-byte pixels always give.
SurfacePtr pictureSurface(const Picture& picture)
{
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() < static_cast<std::size_t>(picture.width) * picture.height)
        return nullptr;
    auto* data = reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(picture.pixels.data()));
    SurfacePtr s(cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, picture.width,
                                                     picture.height, picture.width * 4));
    if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    return s;
}

}  // namespace

struct Canvas::Impl {
    SurfacePtr surface;
    ContextPtr cr;
    int width = 0;
    int height = 0;
};

Canvas::Canvas() : Canvas(0, 0) {}

Canvas::Canvas(int width, int height) : impl_(std::make_unique<Impl>())
{
    width = std::clamp(width, 0, kMaxCanvasSide);
    height = std::clamp(height, 0, kMaxCanvasSide);
    if (width == 0 || height == 0) return;
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return;
    ContextPtr cr(cairo_create(surface.get()));
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return;
    cairo_set_source_rgb(cr.get(), 0, 0, 0);
    cairo_paint(cr.get());
    impl_->surface = std::move(surface);
    impl_->cr = std::move(cr);
    impl_->width = width;
    impl_->height = height;
}

Canvas::~Canvas() = default;
Canvas::Canvas(Canvas&&) noexcept = default;
Canvas& Canvas::operator=(Canvas&&) noexcept = default;

int Canvas::width() const { return impl_ ? impl_->width : 0; }
int Canvas::height() const { return impl_ ? impl_->height : 0; }

void Canvas::fillRect(const Rect& rect, Colorref colour)
{
    if (!impl_ || !impl_->cr || rect.empty()) return;
    cairo_t* cr = impl_->cr.get();
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    setColour(cr, colour);
    cairo_rectangle(cr, rect.left, rect.top, rect.width(), rect.height());
    cairo_fill(cr);
    cairo_restore(cr);
}

void Canvas::roundRectOutline(int x1, int y1, int x2, int y2, int ellipseWidth, int ellipseHeight,
                              int penWidth, Colorref colour)
{
    if (!impl_ || !impl_->cr || penWidth < 1) return;
    cairo_t* cr = impl_->cr.get();
    // GDI's RoundRect covers [left, right - 1]; the pen is centred on that outline.
    double left = std::min(x1, x2), right = std::max(x1, x2) - 1;
    double top = std::min(y1, y2), bottom = std::max(y1, y2) - 1;
    if (right < left) right = left;
    if (bottom < top) bottom = top;
    double rx = std::min(std::max(ellipseWidth, 0) / 2.0, (right - left) / 2.0);
    double ry = std::min(std::max(ellipseHeight, 0) / 2.0, (bottom - top) / 2.0);
    cairo_save(cr);
    setColour(cr, colour);
    cairo_set_line_width(cr, penWidth);
    cairo_new_path(cr);
    if (rx <= 0 || ry <= 0) {
        cairo_rectangle(cr, left, top, right - left, bottom - top);
    } else {
        auto corner = [&](double cx, double cy, double a0, double a1) {
            cairo_save(cr);
            cairo_translate(cr, cx, cy);
            cairo_scale(cr, rx, ry);
            cairo_arc(cr, 0, 0, 1, a0, a1);
            cairo_restore(cr);
        };
        corner(right - rx, top + ry, -M_PI / 2, 0);
        corner(right - rx, bottom - ry, 0, M_PI / 2);
        corner(left + rx, bottom - ry, M_PI / 2, M_PI);
        corner(left + rx, top + ry, M_PI, 3 * M_PI / 2);
        cairo_close_path(cr);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

void Canvas::drawText(int x, int y, const std::string& utf8, const Font& font, Colorref colour)
{
    if (!impl_ || !impl_->cr || utf8.empty()) return;
    const Font::Impl& f = font.impl();
    const ShapedText* shaped = f.drawnText(utf8);
    if (!shaped) return;
    cairo_t* cr = impl_->cr.get();
    cairo_save(cr);
    setColour(cr, colour);
    cairo_translate(cr, x, y);
    // The escapement is counter-clockwise in tenths of a degree; Cairo turns clockwise. The
    // font's drawing context is turned the same way, so glyphs are hinted for this turn.
    cairo_rotate(cr, -f.escapement / 10.0 * M_PI / 180.0);
    // The baseline sits the face's ascent below the reference point, whichever fonts the
    // characters come from.
    double pen = 0;
    for (const ShapedText::Run& run : shaped->runs) {
        if (run.item->analysis.font) {
            cairo_move_to(cr, pen, f.ascent);
            pango_cairo_show_glyph_string(cr, run.item->analysis.font, run.glyphs.get());
        }
        pen += static_cast<double>(run.width) / PANGO_SCALE;
    }
    cairo_restore(cr);
    // A failed text operation must not poison the canvas for later drawing.
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        impl_->cr.reset(cairo_create(impl_->surface.get()));
    }
}

void Canvas::drawPicture(const Picture& picture, int x, int y)
{
    if (!impl_ || !impl_->cr) return;
    SurfacePtr source = pictureSurface(picture);
    if (!source) return;
    cairo_t* cr = impl_->cr.get();
    cairo_save(cr);
    cairo_set_source_surface(cr, source.get(), x, y);
    cairo_rectangle(cr, x, y, picture.width, picture.height);
    cairo_fill(cr);
    cairo_restore(cr);
}

void Canvas::drawPictureScaled(const Picture& picture, const Rect& dest)
{
    if (!impl_ || !impl_->cr || dest.empty()) return;
    SurfacePtr source = pictureSurface(picture);
    if (!source) return;
    cairo_t* cr = impl_->cr.get();
    cairo_save(cr);
    cairo_rectangle(cr, dest.left, dest.top, dest.width(), dest.height());
    cairo_clip(cr);
    cairo_translate(cr, dest.left, dest.top);
    cairo_scale(cr, static_cast<double>(dest.width()) / picture.width,
                static_cast<double>(dest.height()) / picture.height);
    cairo_set_source_surface(cr, source.get(), 0, 0);
    cairo_pattern_t* pattern = cairo_get_source(cr);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
}

void Canvas::copyFrom(const Canvas& source, const Rect& sourceRect, int x, int y)
{
    if (!impl_ || !impl_->cr || !source.impl_ || !source.impl_->surface || sourceRect.empty())
        return;
    cairo_surface_flush(source.impl_->surface.get());
    cairo_t* cr = impl_->cr.get();
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, source.impl_->surface.get(), x - sourceRect.left,
                             y - sourceRect.top);
    // Only pixels that exist in the source are copied.
    Rect clipped{std::max(sourceRect.left, 0), std::max(sourceRect.top, 0),
                 std::min(sourceRect.right, source.width()),
                 std::min(sourceRect.bottom, source.height())};
    if (!clipped.empty()) {
        cairo_rectangle(cr, x + clipped.left - sourceRect.left, y + clipped.top - sourceRect.top,
                        clipped.width(), clipped.height());
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

const uint8_t* Canvas::data() const
{
    if (!impl_ || !impl_->surface) return nullptr;
    cairo_surface_flush(impl_->surface.get());
    return cairo_image_surface_get_data(impl_->surface.get());
}

uint8_t* Canvas::data()
{
    if (!impl_ || !impl_->surface) return nullptr;
    cairo_surface_flush(impl_->surface.get());
    cairo_surface_mark_dirty(impl_->surface.get());
    return cairo_image_surface_get_data(impl_->surface.get());
}

int Canvas::stride() const
{
    if (!impl_ || !impl_->surface) return 0;
    return cairo_image_surface_get_stride(impl_->surface.get());
}

uint32_t Canvas::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
    const uint8_t* row = data() + static_cast<std::size_t>(y) * stride();
    uint32_t value;
    std::memcpy(&value, row + static_cast<std::size_t>(x) * 4, 4);
    return value;
}

bool Canvas::savePng(const std::string& path) const
{
    if (!impl_ || !impl_->surface) return false;
    cairo_surface_flush(impl_->surface.get());
    return cairo_surface_write_to_png(impl_->surface.get(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

std::optional<Canvas> Canvas::loadPng(const std::string& path)
{
    SurfacePtr loaded(cairo_image_surface_create_from_png(path.c_str()));
    if (cairo_surface_status(loaded.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
    int w = cairo_image_surface_get_width(loaded.get());
    int h = cairo_image_surface_get_height(loaded.get());
    if (w <= 0 || h <= 0 || w > kMaxCanvasSide || h > kMaxCanvasSide) return std::nullopt;
    Canvas canvas(w, h);
    if (canvas.width() != w) return std::nullopt;
    cairo_t* cr = canvas.impl_->cr.get();
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, loaded.get(), 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    return canvas;
}
