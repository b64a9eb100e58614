#include "tools/sleep_timer_form.h"

#include "platform/power_off.h"
#include "player/player.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace kesto {

namespace {

// The captions keep their trailing blanks: they pad the button's text.
const QString kStartCaption = QStringLiteral("启动  ");
const QString kCancelCaption = QStringLiteral("取消   ");

} // namespace

TTimer_Form::TTimer_Form(Player& player, QWidget* parent) : QDialog(parent), player_(player) {
    setWindowTitle(QStringLiteral("休眠定时器"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    QFont own = font();
    own.setPointSize(8);
    setFont(own);
    setFixedSize(233, 126);

    Label1 = new QLabel(QStringLiteral("您希望在几分钟后退出 Kesto:"), this);
    Label1->setGeometry(12, 12, 209, 18);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(12, 34, 209, 24);
    CheckBox1 = new QCheckBox(QStringLiteral("完成后关闭计算机(&S)"), this);
    CheckBox1->setGeometry(12, 64, 209, 22);
    Button1 = new QPushButton(kStartCaption, this);
    Button1->setDefault(true);
    Button1->setAutoDefault(true);
    Button1->setGeometry(233 - 12 - 100, 126 - 12 - 28, 100, 28);
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);

    finishProgram = [] {
    };
    powerOff = [] {
        requestSystemPowerOff();
    };
    startFade = [this] {
        startSleepFade(player_);
    };

    connect(Button1, &QPushButton::clicked, this, &TTimer_Form::Button1Click);
    connect(Timer1, &QTimer::timeout, this, &TTimer_Form::Timer1Timer);
}

void TTimer_Form::setCounting(bool counting) {
    Button1->setText(counting ? kCancelCaption : kStartCaption);
    Edit1->setReadOnly(counting);
    Edit1->setEnabled(!counting);
    QPalette p = Edit1->palette();
    p.setColor(QPalette::Base,
               counting ? palette().color(QPalette::Button) : palette().color(QPalette::Base));
    Edit1->setPalette(p);
}

void TTimer_Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    setCounting(false);
    Edit1->setText(QStringLiteral("30"));
    Edit1->setFocus();
    Edit1->selectAll();
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TTimer_Form::Button1Click() {
    if (countdown_.running()) {
        reject();
        return;
    }
    const std::optional<int> minutes = parseSleepMinutes(Edit1->text().toStdString());
    if (!minutes) {
        player_.view.ShowMessageKind(MessageKind::Information, "输入无效。");
        return;
    }
    countdown_.start(*minutes);
    Edit1->setText(QString::fromStdString(countdown_.minutesText()));
    Timer1->start();
    setCounting(true);
}

void TTimer_Form::Timer1Timer() {
    const SleepCountdown::Step step = countdown_.tick();
    Edit1->setText(QString::fromStdString(countdown_.minutesText()));
    switch (step) {
    case SleepCountdown::Step::Counting:
        break;
    case SleepCountdown::Step::StartFade:
        startFade();
        break;
    case SleepCountdown::Step::Finish:
        finish();
        break;
    }
}

void TTimer_Form::finish() {
    Timer1->stop();
    // The countdown has stopped already, so closing says nothing.
    accept();
    if (CheckBox1->isChecked())
        powerOff();
    else
        finishProgram();
}

void TTimer_Form::done(int result) {
    const bool cancelled = countdown_.running();
    countdown_.stop();
    Timer1->stop();
    QDialog::done(result);
    if (cancelled)
        player_.view.ShowMessageKind(MessageKind::Information, "休眠定时器被终止。");
}

} // namespace kesto
