#pragma once

// The status bar: four fixed-width panels of text (volume, file count, play
// mode, format or state) that report where they were pressed.

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
    int panelWidth(int panel) const { return widths_.at(static_cast<std::size_t>(panel)); }
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
    std::array<int, kPanels> widths_{0, 75, 75, 125};
};

} // namespace kesto
