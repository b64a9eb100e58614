#pragma once

// One gauge for four jobs: the seek bar, the volume bars and the two LED
// level meters. Positions are 64-bit so the seek bar can count milliseconds of
// any file. A position change repaints only the inside of the frame; Qt's
// backing store keeps every paint off screen until it is complete.

#include <QColor>
#include <QString>
#include <QWidget>
#include <algorithm>

namespace kesto {

class TGorseProgress : public QWidget {
    Q_OBJECT
public:
    enum BarType { brNormal, brClassicWindows, brStereo, brStereoLeds };
    enum CaptionType { ctCustom, ctPercent, ctValue, ctNone };
    enum Orientation { pbHorizontal, pbVertical };

    explicit TGorseProgress(QWidget* parent = nullptr);

    qint64 Max() const { return max_; }
    qint64 Position() const { return position_; }
    qint64 Position2() const { return position2_; }
    QColor BackgroundColor() const { return background_; }
    QColor BarColor() const { return bar_; }
    QColor FrameTopColor() const { return frameTop_; }
    QColor FrameBottomColor() const { return frameBottom_; }
    QColor captionColor() const { return captionColor_; }
    BarType barType() const { return barType_; }
    int BorderWidth() const { return borderWidth_; }
    QString Caption() const { return caption_; }
    CaptionType captionType() const { return captionType_; }
    Orientation orientation() const { return orientation_; }
    int StereoSeperation() const { return stereoSeparation_; }
    int LedSeperation() const { return ledSeparation_; }
    int LedWidth() const { return ledWidth_; }

    void setMax(qint64 value);
    void setPosition(qint64 value);
    void setPosition2(qint64 value);
    // Both positions of a level meter fed by its own fast timer. A change is
    // painted (for LEDs, only the LEDs that changed) before this returns,
    // inside the timer's wake: the update is not posted to the event loop,
    // which would take it a second pass (a wake-up write, another poll) for
    // every frame the meter shows.
    void setLevels(qint64 first, qint64 second);
    void setBackgroundColor(const QColor& c);
    void setBarColor(const QColor& c);
    void setFrameTopColor(const QColor& c);
    void setFrameBottomColor(const QColor& c);
    void setCaptionColor(const QColor& c);
    void setBarType(BarType t);
    void setBorderWidth(int width);
    void setCaption(const QString& text);
    void setCaptionType(CaptionType t);
    void setOrientation(Orientation o);
    void setStereoSeperation(int pixels);
    void setLedSeperation(int pixels);
    void setLedWidth(int pixels);

    // The area inside the frame and the border gap, in widget coordinates;
    // empty when the control is too small to draw a bar.
    QRect innerRect() const;

    QSize sizeHint() const override { return {150, 16}; }

Q_SIGNALS:
    // A position really changed (never for a value equal to the current one).
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // `damage` is the part of the inside (its own coordinates) to draw.
    void paintBar(class QPainter& p, int w, int h, const QRect& damage) const;
    // The LEDs from the a-th to the b-th of one channel (0 the upper or left),
    // in widget coordinates.
    QRect ledsBetween(int channel, qint64 a, qint64 b) const;
    // From one LED's start to the next one's, never 0.
    int ledStep() const { return std::max(ledWidth_ + ledSeparation_, 1); }
    void paintCaption(class QPainter& p, int h) const;
    void setPositionOf(qint64& field, qint64 value);
    // Stores a position; true when the picture changes with it.
    bool storePosition(qint64& field, qint64 value);
    // What a position looks like on screen: pixels of bar, or the value itself
    // where every step shows.
    qint64 drawnExtent(qint64 position) const;
    void repaintAll() { update(); }

    qint64 max_ = 100;
    qint64 position_ = 0;
    qint64 position2_ = 0;
    QColor background_;
    QColor bar_;
    QColor frameTop_;
    QColor frameBottom_;
    QColor captionColor_;
    BarType barType_ = brNormal;
    int borderWidth_ = 1;
    QString caption_ = QStringLiteral("TGorseProgress");
    CaptionType captionType_ = ctNone;
    Orientation orientation_ = pbHorizontal;
    int stereoSeparation_ = 1;
    int ledSeparation_ = 1;
    int ledWidth_ = 1;
};

} // namespace kesto
