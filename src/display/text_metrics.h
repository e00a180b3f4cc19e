// Measurements the views and the browse controller share: how many text lines, preview rows
// and preview columns fit into an area in the current orientation. In orientations 90 and -90
// lines stack across the screen's width, so the roles of width and height swap.
#pragma once

#include <string>

#include "config/settings.h"
#include "platform/font.h"

// Whether an orientation turns the screen a quarter (90 or -90).
inline bool isQuarterTurn(int orientation) { return orientation == 90 || orientation == -90; }

// Line height of the font: the pitch of every list. Always at least 1.
int getLineHeight(const Font& font);
// Width in pixels of the UTF-8 text in the font.
int getTextWidth(const Font& font, const std::string& text);

// Whole lines of `font` that fit: (height - reserved) / line height in orientations 0 and 180,
// (width - reserved) / line height in 90 and -90. Never negative.
int countTextLines(const Font& font, int orientation, int width, int height, int reserved);

// Preview rows that fit: (extent - PreviewModeSpacer - reserved) / (caption line height +
// PreviewModeHeight + PreviewModeSpacer); extent is height in 0 and 180, width in 90 and -90.
// Never negative; 0 when the settings give a pitch of 0 or less.
int countPreviewRows(const Font& captionFont, const LauncherSettings& settings, int orientation,
                     int width, int height, int reserved);

// Preview columns that fit: (extent - PreviewModeSpacer) / (PreviewModeWidth +
// PreviewModeSpacer); extent is width in 0 and 180, height in 90 and -90. Never negative.
int countPreviewColumns(const LauncherSettings& settings, int orientation, int width, int height);

// UTF-8 helpers for captions and status texts: cutting removes whole characters only.
// Removes the last character (with its continuation bytes) from text; nothing for "".
void removeLastCharacter(std::string& text);
// Cuts text to at most maxBytes bytes at a character boundary.
void cutToBytes(std::string& text, std::size_t maxBytes);
