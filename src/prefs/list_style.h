#pragma once

// The playlist view's look: background, font and the colours that mark the
// selected, playing, queued and shuffled lines. A colour is either fixed or a
// role of the desktop palette; the default look keeps roles so that it
// follows the desktop's theme, while a scheme file fixes every colour at the
// moment it is loaded.

#include <QColor>
#include <QFont>
#include <QPaintDevice>
#include <QPalette>
#include <QString>
#include <cstddef>

#include <optional>

namespace kesto {

struct StyleColour {
    std::optional<QPalette::ColorRole> role; // set: follow the palette
    QColor rgb;                              // used when no role is set

    static StyleColour fixed(QColor c) { return {std::nullopt, c}; }
    static StyleColour system(QPalette::ColorRole r) { return {r, {}}; }
    QColor resolve(const QPalette& palette) const { return role ? palette.color(*role) : rgb; }
    bool operator==(const StyleColour&) const = default;
};

struct ListStyle {
    StyleColour background;
    QString fontName;
    int fontSize = 8;
    bool fontBold = false;
    StyleColour fontColor;
    StyleColour selectedFontColor;
    StyleColour selectionColor;
    StyleColour playingSelectionColor;
    StyleColour playingColor;
    StyleColour playingSelectedColor;
    bool playingBold = true;
    StyleColour queuedColor;
    StyleColour shuffledColor;
    int itemHeight = 13;

    QFont font() const;
};

// The orange of queued lines in the default look.
inline const QColor kQueuedOrange{0xFF, 0x6F, 0x28};

// The height of one playlist line in `font`: the font's own line height on
// `device` (the list; else the primary screen), and never less than the
// look's drawn height. Fixed heights made lines overlap at 120 or 144 dpi.
int lineHeightFor(const QFont& font, int designHeight, const QPaintDevice* device = nullptr);

// Look 0 follows the desktop (with the window's own font at 8 points, lines
// of at least 13 pixels); look 1 (at least 24) is the loud alternative the "love list" key switches
// to. Other values: look 0.
ListStyle ApplyBuiltInLook(int look, const ListStyle& current, const QString& windowFontName);

// A scheme file (ini format, section "Style"). A missing file or key takes
// its default; a colour that is not hexadecimal keeps its default too. The
// item height is the height of a line of text in the scheme's font. A file
// larger than kMaxSchemeBytes (a real one is a few hundred bytes) or not a
// regular file reads as missing.
inline constexpr std::size_t kMaxSchemeBytes = 256 * 1024;
ListStyle LoadScheme(const QString& path, const QPalette& palette);

// The palette roles that stand for the desktop's user-interface colours.
namespace SystemColour {
inline constexpr QPalette::ColorRole Window = QPalette::Base;
inline constexpr QPalette::ColorRole WindowText = QPalette::Text;
inline constexpr QPalette::ColorRole Highlight = QPalette::Highlight;
inline constexpr QPalette::ColorRole HighlightText = QPalette::HighlightedText;
inline constexpr QPalette::ColorRole ButtonShadow = QPalette::Dark;
} // namespace SystemColour

} // namespace kesto
