#pragma once

// The status bar: four panels of text (volume, file count, play mode, format
// or state) that report where they were pressed. Each panel has its design
// width, widens when its text would not fit (a six-digit file count in the
// desktop's font), and the last one reaches the right edge, as a status text
// such as a progress report needs the room.

#include <QString>
#include <QWidget>

#include <array>

namespace kesto {

class StatusPanels : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPanels = 4;
    explicit StatusPanels(QWidget* parent = nullptr);

    void setText(int panel, const QString& text);
    QString text(int panel) const { return texts_.at(static_cast<std::size_t>(panel)); }
    // The width `panel` has now; a panel of design width 0 stays hidden.
    int panelWidth(int panel) const;
    // The x just right of `panel`.
    int panelRight(int panel) const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void pressed(int x, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::array<QString, kPanels> texts_;
    std::array<int, kPanels> designWidths_{0, 75, 75, 125};
};

} // namespace kesto
