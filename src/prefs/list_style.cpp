#include "prefs/list_style.h"

#include "player/ini_document.h"
#include "player/settings.h"
#include "prefs/colour_text.h"

#include <QFile>
#include <QFontMetrics>

#include <algorithm>

namespace kesto {

namespace {

// Beyond a few hundred points the font metrics overflow into a negative line
// height; no screen shows a playlist line larger than this.
constexpr int kMaxFontSize = 288;

int boundedFontSize(int size) {
    return size > 0 ? std::min(size, kMaxFontSize) : 8;
}

std::uint32_t rgbOf(const QColor& c) {
    return c.rgb() & 0xFFFFFF;
}
QColor colourOf(std::uint32_t rgb) {
    return QColor(QRgb(rgb | 0xFF000000u));
}

} // namespace

QFont ListStyle::font() const {
    QFont f(fontName);
    f.setPointSize(boundedFontSize(fontSize));
    f.setBold(fontBold);
    return f;
}

int lineHeightFor(const QFont& font, int designHeight, const QPaintDevice* device) {
    QFont bold = font;
    bold.setBold(true); // the playing line is drawn bold
    const auto height = [device](const QFont& f) {
        return device ? QFontMetrics(f, device).height() : QFontMetrics(f).height();
    };
    return std::max({designHeight, height(font), height(bold)});
}

ListStyle ApplyBuiltInLook(int look, const ListStyle& current, const QString& windowFontName) {
    ListStyle s = current;
    if (look == 1) {
        s.background = StyleColour::fixed(QColor(0xFD, 0x02, 0x47));
        s.fontSize = 14;
        s.fontBold = false;
        s.itemHeight = lineHeightFor(s.font(), 24);
        s.fontColor = StyleColour::fixed(Qt::white);
        s.selectedFontColor = StyleColour::fixed(Qt::white);
        s.selectionColor = StyleColour::fixed(QColor(0x80, 0x00, 0x40));
        s.playingSelectionColor = StyleColour::fixed(QColor(0x80, 0x00, 0x40));
        s.playingColor = StyleColour::fixed(QColor(0xFF, 0x80, 0xFF));
        s.playingSelectedColor = StyleColour::fixed(Qt::white);
        s.playingBold = true;
        s.queuedColor = StyleColour::fixed(QColor(0xFF, 0x80, 0xC0));
        s.shuffledColor = StyleColour::system(SystemColour::ButtonShadow);
        return s;
    }
    s.background = StyleColour::system(SystemColour::Window);
    s.fontName = windowFontName;
    s.fontSize = 8;
    s.fontBold = false;
    s.itemHeight = lineHeightFor(s.font(), 13);
    s.fontColor = StyleColour::system(SystemColour::WindowText);
    s.selectedFontColor = StyleColour::system(SystemColour::HighlightText);
    s.selectionColor = StyleColour::system(SystemColour::Highlight);
    s.playingSelectionColor = StyleColour::system(SystemColour::Highlight);
    s.playingColor = s.fontColor;
    s.playingSelectedColor = s.selectedFontColor;
    s.playingBold = true;
    s.queuedColor = StyleColour::fixed(kQueuedOrange);
    s.shuffledColor = StyleColour::system(SystemColour::ButtonShadow);
    return s;
}

ListStyle LoadScheme(const QString& path, const QPalette& palette) {
    // A scheme is a file from anywhere: only a regular file of a scheme's
    // size is read. A FIFO would hold the window, a link to /dev/zero has no
    // end, and megabytes of lines would cost seconds; each reads as no file.
    IniDocument doc;
    if (const auto text = readWholeFile(QFile::encodeName(path).toStdString(), kMaxSchemeBytes))
        doc = IniDocument::parse(*text);
    const auto raw = [&](const char* key) {
        return doc.value("Style", key);
    };
    // Each default is a colour of this moment: a scheme fixes the desktop's
    // colours as they are now.
    const auto colour = [&](const char* key, QColor def) {
        const auto v = raw(key);
        const auto parsed = v ? parseColourText(*v) : std::nullopt;
        return StyleColour::fixed(parsed ? colourOf(*parsed) : colourOf(rgbOf(def)));
    };
    const auto integer = [&](const char* key, int def) {
        const auto v = raw(key);
        return v ? parseIniInt(*v).value_or(def) : def;
    };

    ListStyle s;
    s.background = colour("background_color", palette.color(SystemColour::Window));
    const auto name = raw("font_name");
    s.fontName = name ? QString::fromUtf8(name->data(), static_cast<int>(name->size()))
                      : QStringLiteral("Tahoma");
    s.fontSize = integer("font_size", 8);
    if (s.fontSize > kMaxFontSize)
        s.fontSize = kMaxFontSize;
    {
        QFont f(s.fontName);
        f.setPointSize(boundedFontSize(s.fontSize));
        s.itemHeight = QFontMetrics(f).height();
    }
    s.fontBold = integer("font_bold", 0) != 0;
    s.fontColor = colour("font_color", palette.color(SystemColour::WindowText));
    s.selectedFontColor = colour("font_color_selected", palette.color(SystemColour::HighlightText));
    s.selectionColor = colour("selection_color", palette.color(SystemColour::Highlight));
    s.playingSelectionColor =
        colour("selection_color_playingitem", palette.color(SystemColour::Highlight));
    s.playingColor = colour("playingitem_color", palette.color(SystemColour::WindowText));
    s.playingSelectedColor = colour("playingitem_color_selected", s.selectedFontColor.rgb);
    s.playingBold = integer("playingitem_bold", 1) != 0;
    s.queuedColor = colour("queueditem_color", kQueuedOrange);
    s.shuffledColor = colour("shuffleditem_color", palette.color(SystemColour::ButtonShadow));
    return s;
}

} // namespace kesto
