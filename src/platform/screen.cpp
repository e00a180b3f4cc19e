#include "platform/screen.h"

#include <algorithm>
#include <cstring>

ScreenLayer* LayerStack::find(LayerId id)
{
    for (auto& layer : layers_)
        if (layer.id == id) return &layer;
    return nullptr;
}

LayerId LayerStack::add(const Rect& rect)
{
    ScreenLayer layer;
    layer.id = nextId_++;
    layer.rect = rect;
    layer.canvas = Canvas(rect.width(), rect.height());
    layers_.push_back(std::move(layer));
    return layers_.back().id;
}

void LayerStack::move(LayerId id, const Rect& rect)
{
    ScreenLayer* layer = find(id);
    if (!layer) return;
    if (rect.width() != layer->rect.width() || rect.height() != layer->rect.height())
        layer->canvas = Canvas(rect.width(), rect.height());
    layer->rect = rect;
}

void LayerStack::setVisible(LayerId id, bool visible)
{
    if (ScreenLayer* layer = find(id)) layer->visible = visible;
}

void LayerStack::raise(LayerId id)
{
    auto it = std::find_if(layers_.begin(), layers_.end(),
                           [id](const ScreenLayer& l) { return l.id == id; });
    if (it == layers_.end()) return;
    std::rotate(it, it + 1, layers_.end());
}

void LayerStack::remove(LayerId id)
{
    std::erase_if(layers_, [id](const ScreenLayer& l) { return l.id == id; });
}

Canvas* LayerStack::canvas(LayerId id)
{
    ScreenLayer* layer = find(id);
    return layer ? &layer->canvas : nullptr;
}

std::optional<Rect> LayerStack::rect(LayerId id) const
{
    for (const auto& layer : layers_)
        if (layer.id == id) return layer.rect;
    return std::nullopt;
}

namespace {

// Copies `part` of `source` (clipped to the pixels it has) to `to`, which stands for the part's
// top-left pixel, rows `stride` bytes apart.
void copyPixels(const Canvas& source, Rect part, uint8_t* to, std::size_t stride)
{
    const Rect clipped{std::max(part.left, 0), std::max(part.top, 0),
                       std::min(part.right, source.width()),
                       std::min(part.bottom, source.height())};
    if (clipped.empty()) return;
    to += static_cast<std::size_t>(clipped.top - part.top) * stride +
          static_cast<std::size_t>(clipped.left - part.left) * 4;
    const std::size_t from = static_cast<std::size_t>(source.stride());
    const uint8_t* row = source.data() + static_cast<std::size_t>(clipped.top) * from +
                         static_cast<std::size_t>(clipped.left) * 4;
    const std::size_t bytes = static_cast<std::size_t>(clipped.width()) * 4;
    for (int y = 0; y < clipped.height(); ++y)
        std::memcpy(to + static_cast<std::size_t>(y) * stride,
                    row + static_cast<std::size_t>(y) * from, bytes);
}

}  // namespace

void LayerStack::composite(const Canvas& frame, Canvas& out) const
{
    composite(frame, out, Rect{0, 0, frame.width(), frame.height()});
}

void LayerStack::composite(const Canvas& frame, Canvas& out, const Rect& area) const
{
    const Rect clip{std::max(area.left, 0), std::max(area.top, 0),
                    std::min({area.right, frame.width(), out.width()}),
                    std::min({area.bottom, frame.height(), out.height()})};
    if (clip.empty()) return;
    const std::size_t stride = static_cast<std::size_t>(out.stride());
    composite(frame, clip,
              out.data() + static_cast<std::size_t>(clip.top) * stride +
                  static_cast<std::size_t>(clip.left) * 4,
              stride);
}

void LayerStack::composite(const Canvas& frame, const Rect& area, uint8_t* pixels,
                           std::size_t stride) const
{
    if (area.empty()) return;
    copyPixels(frame, area, pixels, stride);
    for (const auto& layer : layers_) {
        if (!layer.visible) continue;
        // The part of the layer inside the area, in the layer's own coordinates.
        const Rect part{std::max(area.left, layer.rect.left) - layer.rect.left,
                        std::max(area.top, layer.rect.top) - layer.rect.top,
                        std::min(area.right, layer.rect.right) - layer.rect.left,
                        std::min(area.bottom, layer.rect.bottom) - layer.rect.top};
        if (part.empty()) continue;
        const int x = layer.rect.left + part.left - area.left;
        const int y = layer.rect.top + part.top - area.top;
        copyPixels(layer.canvas, part,
                   pixels + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 4,
                   stride);
    }
}

FakeScreen::FakeScreen(int width, int height) : LayeredScreen(width, height), presented_(width, height)
{
}

void FakeScreen::present()
{
    ++presentCount;
    lastPresentArea.reset();
    layers_.composite(frame_, presented_);
}

void FakeScreen::presentArea(const Rect& area)
{
    ++presentCount;
    lastPresentArea = area;
    layers_.composite(frame_, presented_, area);
}

bool FakeScreen::saveScreenshot(const std::string& path)
{
    if (presentCount == 0) layers_.composite(frame_, presented_);
    return presented_.savePng(path);
}

std::optional<ScreenEvent> FakeScreen::pollEvent()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.empty()) return std::nullopt;
    ScreenEvent event = queue_.front();
    queue_.pop_front();
    return event;
}

std::optional<ScreenEvent> FakeScreen::waitEvent(int timeoutMs)
{
    if (auto event = pollEvent()) return event;
    if (whenIdle) whenIdle(timeoutMs);
    return pollEvent();
}

void FakeScreen::postFromAnyThread(ScreenEventType type) { push(ScreenEvent{type, 0, 0}); }

void FakeScreen::requestRepaint()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& e : queue_)
        if (e.type == ScreenEventType::Repaint) return;
    queue_.push_back(ScreenEvent{ScreenEventType::Repaint, 0, 0});
}

void FakeScreen::suspendForChild()
{
    ++suspendCount;
    focused = false;
}

void FakeScreen::resumeAfterChild()
{
    ++resumeCount;
    focused = true;
}

void FakeScreen::push(const ScreenEvent& event)
{
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(event);
}

void FakeScreen::resize(int width, int height)
{
    frame_ = Canvas(width, height);
    presented_ = Canvas(width, height);
    push(ScreenEvent{ScreenEventType::Resized, 0, 0});
}

bool FakeScreen::fireTimer(int id)
{
    if (!timers.count(id)) return false;
    push(ScreenEvent{ScreenEventType::Timer, 0, id});
    return true;
}
