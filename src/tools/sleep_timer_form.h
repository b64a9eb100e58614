#pragma once

// The sleep timer window: minutes to wait, a box for switching the computer
// off, start and cancel. The countdown runs while the window is open (the
// rest of the player plays on behind it) and ends with closing it.

#include "tools/sleep_timer_countdown.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kesto {

class Player;

class TTimer_Form : public QDialog {
    Q_OBJECT
public:
    explicit TTimer_Form(Player& player, QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* Edit1;
    QCheckBox* CheckBox1;
    QPushButton* Button1;
    QTimer* Timer1; // the one-second clock; idle until a countdown starts

    // What the end does: the player's normal exit, or the power-off request.
    // Tests put recorders here, so no test can switch a machine off.
    std::function<void()> finishProgram;
    std::function<void()> powerOff;
    // The fade at 50 seconds left; by default the output's volume slide.
    std::function<void()> startFade;

    // One second of the countdown (what Timer1 runs).
    void Timer1Timer();
    const SleepCountdown& countdown() const { return countdown_; }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void Button1Click();
    void finish();
    void setCounting(bool counting);

    Player& player_;
    SleepCountdown countdown_;
};

} // namespace kesto
