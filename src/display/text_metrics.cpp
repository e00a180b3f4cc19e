#include "display/text_metrics.h"

#include <algorithm>

int getLineHeight(const Font& font) { return std::max(1, font.lineHeight()); }

int getTextWidth(const Font& font, const std::string& text) { return font.textWidth(text); }

int countTextLines(const Font& font, int orientation, int width, int height, int reserved)
{
    int extent = isQuarterTurn(orientation) ? width : height;
    return std::max(0, (extent - reserved) / getLineHeight(font));
}

int countPreviewRows(const Font& captionFont, const LauncherSettings& settings, int orientation,
                     int width, int height, int reserved)
{
    int extent = isQuarterTurn(orientation) ? width : height;
    long pitch = static_cast<long>(getLineHeight(captionFont)) + settings.PreviewModeHeight +
                 settings.PreviewModeSpacer;
    if (pitch <= 0) return 0;
    long free = static_cast<long>(extent) - settings.PreviewModeSpacer - reserved;
    return static_cast<int>(std::max(0L, free / pitch));
}

int countPreviewColumns(const LauncherSettings& settings, int orientation, int width, int height)
{
    int extent = isQuarterTurn(orientation) ? height : width;
    long pitch = static_cast<long>(settings.PreviewModeWidth) + settings.PreviewModeSpacer;
    if (pitch <= 0) return 0;
    long free = static_cast<long>(extent) - settings.PreviewModeSpacer;
    return static_cast<int>(std::max(0L, free / pitch));
}

void removeLastCharacter(std::string& text)
{
    if (text.empty()) return;
    std::size_t end = text.size() - 1;
    // Step back over continuation bytes, but never more than a character's worth.
    int steps = 0;
    while (end > 0 && steps < 3 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
        ++steps;
    }
    unsigned char lead = static_cast<unsigned char>(text[end]);
    if (steps > 0 && (lead & 0xC0) != 0xC0) end = text.size() - 1;  // stray continuation byte
    text.erase(end);
}

void cutToBytes(std::string& text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes) return;
    std::size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.erase(end);
}
