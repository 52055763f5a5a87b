#pragma once
// The main window's colours, in one place.

#include <controls/uTileButton.h>

#include <QColor>

// Toolbar tiles (0xAARRGGBB): green adds and sets up, blue saves, red clears, orange informs.
inline constexpr TAlphaColor AddTileColor = 0xFF8CBF26;
inline constexpr TAlphaColor SaveTileColor = 0xFF1BA1E2;
inline constexpr TAlphaColor CheckTileColor = 0xFF00ABA9;
inline constexpr TAlphaColor ClearTileColor = 0xFFE51400;
inline constexpr TAlphaColor AboutTileColor = 0xFFF09609;
inline constexpr TAlphaColor SetupTileColor = 0xFF8CBF26;

// The dark strip behind the tiles and the title, and the product link on it.
inline const QColor ToolbarBackground{0x22, 0x22, 0x22};
inline const QColor ProductLinkOnToolbar{0xCC, 0xDC, 0xEB};
// The search strip under the toolbar.
inline const QColor SearchStripBackground{0xFF, 0xFF, 0xFF};
