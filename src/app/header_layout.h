#pragma once

// Where the header's parts go at a given width. The seek bar and the meter
// keep their places; the lower row holds the transport bar, the time
// read-out and, at the right, the volume read-out or the meter's dB scale.
// When the row is too narrow for all of them, the labels give way in order
// of importance (the dB scale first, then the volume, the time last), so no
// label is ever drawn over another or over the buttons.

#include <QLabel>
#include <QRect>

class QFontMetrics;

namespace kesto {

// The narrowest header: the transport bar and the small meter side by side.
inline constexpr int kHeaderMinimumWidth = 160;

struct HeaderInput {
    int width = 0;       // the header's client width
    int border = 0;      // (window width - client width) div 2
    int style = 1;       // the meter style
    int timeLeft = 146;  // 146 beside the transport bar, 6 without it
    int timeNeed = 0;    // pixels the time read-out needs whole
    int volumeWidth = 0; // the volume read-out's width
    bool volumeWanted = false;
    bool scaleWanted = false;
    bool volumeBarShown = false; // the volume bar stands in for a meter
};

struct HeaderPlan {
    QRect progres;
    QRect levelMeter6;
    QRect levelMeter14;
    QRect scale;
    QRect volume;
    QRect time;
    bool volumeShown = false;
    bool scaleShown = false;
    bool timeShown = false;
    // Every wanted label has its place and the time read-out is whole.
    bool complete = false;
};

HeaderPlan planHeader(const HeaderInput& in);

// What the time read-out needs to show `text` whole, with every digit as wide
// as the widest one, so the layout holds still while the numbers change.
// Never less than a two-digit-minute text ("00:00 / 00:00 / -00:00").
int timeTextNeed(const QFontMetrics& metrics, const QString& text);
// The widest text the read-out shows for files up to 9999 minutes: the fine
// format of short files, "0:00:00 / 0:00:00 / -0:00:00".
int widestTimeTextNeed(const QFontMetrics& metrics);

// The time read-out. Too narrow for its whole text, it shows the leading
// parts that fit (position, then length), never a number cut in half.
class TimeLabel : public QLabel {
    Q_OBJECT
public:
    explicit TimeLabel(QWidget* parent = nullptr);
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace kesto
