// The window's side of playback: the transport's actions, the status and
// level timers, the deferred start-up work, the total-time command, and the
// view operations the transport drives.

#include "app/app_kesto.h"

#include "app/header_layout.h"
#include "app/mpris_service.h"
#include "app/status_panels.h"
#include "app/transport_icons.h"
#include "controls/gorse_listbox.h"
#include "controls/gorse_progress.h"
#include "platform/memory.h"
#include "playback/level_meter.h"
#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/status_tick.h"
#include "playback/time_text.h"
#include "playback/total_time.h"
#include "playback/transport.h"
#include "playback/volume.h"
#include "player/key_codes.h"
#include "player/paths.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "prefs/associations.h"
#include "tools/message_boxes.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace kesto {

void TAppKesto::connectTransport() {
    const Actions& a = actions();
    const auto key = [this](int code, int shift = vk::NoModifier) {
        return [this, code, shift] {
            RunKeyCommand(*player_, code, shift);
        };
    };
    connect(a.PlayAc, &QAction::triggered, this, key(vk::Return));
    connect(a.PauseAc, &QAction::triggered, this, key(vk::Space));
    connect(a.StopAc, &QAction::triggered, this, key(vk::Numpad0));
    connect(a.NextAc, &QAction::triggered, this, key(vk::Tab));
    connect(a.PrevAc, &QAction::triggered, this, key(vk::Tab, vk::ShiftModifier));
    connect(a.TerugspoelenAc, &QAction::triggered, this, key(vk::Back));
    connect(a.JumpAc, &QAction::triggered, this, key(vk::OemGrave));
    connect(a.PlayModeToggleAc, &QAction::triggered, this,
            [this] { stepPlayMode(*player_, false); });
    const std::pair<QAction*, PlayMode> modes[] = {
        {a.ModeAc1, PlayMode::RepeatList}, {a.ModeAc2, PlayMode::RepeatFile},
        {a.ModeAc3, PlayMode::PlayList},   {a.ModeAc4, PlayMode::PlayFile},
        {a.ModeAc5, PlayMode::Shuffle},
    };
    for (const auto& [action, mode] : modes)
        connect(action, &QAction::triggered, this, [this, mode] { setPlayMode(*player_, mode); });
    connect(a.ResetMixerAc, &QAction::triggered, this, [this] { ResetMixer(*player_); });
    // Total time walks lines of the list while it lets events in: it waits
    // for, and holds off, the commands that change it.
    connect(a.TotalTimeAc, &QAction::triggered, this,
            [this] { runListCommand([this] { totalTimeCommand(); }); });

    // The transport bar: play; pause, which first loads a stopped entry so it
    // is held paused; a full stop; previous; next; record.
    connect(SpeedButton[0], &QToolButton::clicked, a.PlayAc, &QAction::trigger);
    connect(SpeedButton[1], &QToolButton::clicked, this, [this] { pauseButton(*player_); });
    const auto fullStop = [this] {
        RunKeyCommand(*player_, vk::Numpad0, vk::NoModifier);
        RunKeyCommand(*player_, vk::Numpad0, vk::NoModifier);
    };
    connect(SpeedButton[2], &QToolButton::clicked, this, fullStop);
    connect(SpeedButton[3], &QToolButton::clicked, a.PrevAc, &QAction::trigger);
    connect(SpeedButton[4], &QToolButton::clicked, a.NextAc, &QAction::trigger);
    connect(SpeedButton[5], &QToolButton::clicked, a.RecordStartAc, &QAction::trigger);
    SpeedButton[5]->setEnabled(a.RecordStartAc->isEnabled());

    for (QAction* item : TrayPopupMenu->actions()) {
        const QString name = item->objectName();
        if (name == QStringLiteral("TrayStop"))
            connect(item, &QAction::triggered, this, fullStop);
        else if (name.startsWith(QStringLiteral("TrayVolume")))
            connect(item, &QAction::triggered, this,
                    [this, v = name.mid(10).toInt()] { SetVolume(*player_, v); });
    }

    connect(ListScreen, &TGorseListbox::lineDoubleClicked, this,
            [this] { RunKeyCommand(*player_, vk::Return, vk::NoModifier); });
    // Children by name, so tests can see whether they run.
    statusTimer_.setParent(this);
    statusTimer_.setObjectName(QStringLiteral("StatusTimer"));
    levelTimer_.setParent(this);
    levelTimer_.setObjectName(QStringLiteral("LevelTimer"));
    connect(&statusTimer_, &QTimer::timeout, this, [this] { StatusTick(*player_); });
    levelTimer_.setInterval(20);
    connect(&levelTimer_, &QTimer::timeout, this, &TAppKesto::levelWake);
    tickClock_.start();
}

void TAppKesto::levelWake() {
    // The level tick may rest the meter and so end the ride: ask first.
    const bool statusNow =
        statusRides_ && sharedWake_.statusRunsAt(tickClock_.elapsed(), levelTimer_.interval());
    LevelTick(*player_);
    if (statusNow && statusWanted_)
        StatusTick(*player_);
}

void TAppKesto::runDeferredStartup() {
    processPendingMessages();
    const bool deviceOpens = InitOutput(*player_);
    StopPlayback(*player_, true);

    tray_ = new QSystemTrayIcon(applicationIcon(), this);
    tray_->setContextMenu(TrayPopupMenu);
    tray_->setToolTip(applicationTitle());
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick || r == QSystemTrayIcon::Trigger)
            restoreFromTray();
    });

    // A path from the command line starts only now, with the output open.
    // A device that would not open a moment ago has had its one warning:
    // trying again at once would only repeat it.
    if (deviceOpens && start_.enqueueOption >= 0 && start_.enqueueOption <= 2)
        OpenEntry(*player_, player_->playlist.CurrentIndex);

    mpris_ = std::make_unique<MprisService>(*player_,
                                            MprisHost{[this] { ForceForegroundWindow(); },
                                                      [this] { close(); },
                                                      [this](const QString& path) {
                                                          receiveHandOver(path);
                                                      }},
                                            this);

    startUpdateCheck();

    // Another program may have taken the user's media types while we were away.
    if (start_.claimAssociationsAtStartup) {
        FileAssociations associations(DesktopPlaces::fromEnvironment(), executablePath(),
                                      player_->settings);
        reclaimWantedTypes(associations, player_->settings);
    }
    TrimWorkingSet();
}

void TAppKesto::stopTimers() {
    statusWanted_ = levelWanted_ = statusRides_ = false;
    statusTimer_.stop();
    levelTimer_.stop();
    dragScrollTimer_.stop();
}

void TAppKesto::totalTimeCommand() {
    const QString savedPanel = StatusBar1->text(kInfoPanel);
    const std::optional<std::int64_t> seconds = measureSelectedLength(*player_);
    StatusBar1->setText(kInfoPanel, savedPanel);
    if (seconds)
        ShowMessageKind(MessageKind::Information,
                        "时间总计:   " + timeTextSeconds(*seconds) + " 分钟。");
}

// ---- The transport's view ----

void TAppKesto::notifyDesktopPlayer() {
    // The desktop's player controls follow the state, the title and the volume.
    if (mpris_)
        mpris_->changed();
}

void TAppKesto::setCaption(const std::string& text) {
    const QString caption = QString::fromStdString(text);
    setWindowTitle(caption);
    // What a window manager shows for the minimised window (an icon's label)
    // follows the caption too, not the name the window was created with.
    setWindowIconText(caption);
    setApplicationTitle(caption);
    notifyDesktopPlayer();
}

void TAppKesto::showSeekBar(std::int64_t max, std::int64_t position) {
    Progres->setMax(max);
    Progres->setPosition(position);
}

void TAppKesto::setTimeLabel(const std::string& text) {
    LabelTime->setText(QString::fromStdString(text));
    // A text that needs more room than the layout gave it (a file of 100
    // minutes or more, a short file's fine format) lays the header out anew.
    // The room depends on the digits' places only, and the text changes
    // every tick, so the measuring waits for a new shape.
    std::string shape = text;
    std::replace_if(
        shape.begin(), shape.end(), [](char c) { return c >= '1' && c <= '9'; }, '0');
    if (shape == timeShape_)
        return;
    timeShape_ = std::move(shape);
    if (timeTextNeed(LabelTime->fontMetrics(), LabelTime->text()) != timeNeed_)
        layoutHeader();
}

void TAppKesto::showVolume(int volume) {
    const int percent = volume / 10;
    LabelVolume->setText(QString::number(percent) + QStringLiteral(" %"));
    VolumeProcesBar->setPosition(percent);
    VolumeProcesBar2->setPosition(percent);
    notifyDesktopPlayer();
}

void TAppKesto::showLevels(VUStyle style, int leftLeds, int rightLeds) {
    switch (style) {
    case VUStyle::SevenLeds:
        LevelMeter6->setLevels(leftLeds, rightLeds);
        break;
    case VUStyle::FourteenLeds:
        LevelMeter14->setLevels(leftLeds, rightLeds);
        break;
    case VUStyle::None:
        break;
    }
}

void TAppKesto::setPlayModeChecked(PlayMode mode) {
    const Actions& a = actions();
    a.ModeAc1->setChecked(mode == PlayMode::RepeatList);
    a.ModeAc2->setChecked(mode == PlayMode::RepeatFile);
    a.ModeAc3->setChecked(mode == PlayMode::PlayList);
    a.ModeAc4->setChecked(mode == PlayMode::PlayFile);
    a.ModeAc5->setChecked(mode == PlayMode::Shuffle);
}

void TAppKesto::setStatusTimer(bool running, int periodMs) {
    statusWanted_ = running;
    statusPeriod_ = periodMs;
    statusTimer_.stop(); // a new period starts counting now
    statusRides_ = false;
    arrangeTicks();
    notifyDesktopPlayer();
}

void TAppKesto::setLevelTimer(bool running) {
    levelWanted_ = running;
    arrangeTicks();
}

void TAppKesto::arrangeTicks() {
    // Without a meter on screen the level tick has nothing to draw: rather
    // than wake the UI thread 50 times a second for nothing, its timer waits
    // for one (a meter style, or the window back from the task bar or tray).
    const bool level = levelWanted_ && vuStyle_ != VUStyle::None && !meterOffScreen_;
    if (!level)
        levelTimer_.stop();
    else if (!levelTimer_.isActive())
        levelTimer_.start();
    // The fine time's 10 ms ticks are faster than the level wakes: they keep
    // their own timer.
    const bool ride = statusWanted_ && level && statusPeriod_ > levelTimer_.interval();
    if (ride && !statusRides_) {
        statusTimer_.stop();
        sharedWake_.start(tickClock_.elapsed(), statusPeriod_);
    } else if (statusWanted_ && !ride && !statusTimer_.isActive()) {
        statusTimer_.start(statusPeriod_);
    } else if (!statusWanted_) {
        statusTimer_.stop();
    }
    statusRides_ = ride;
}

void TAppKesto::setMeterOffScreen(bool off) {
    if (off == meterOffScreen_)
        return;
    meterOffScreen_ = off;
    if (off && player_)
        levelForget(*player_);
    arrangeTicks();
}

void TAppKesto::setClipboardText(const std::string& text) {
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

void TAppKesto::runAddFilesCommand() {
    actions().OpenFileAc->trigger();
}

void TAppKesto::openFindWindow(const std::string& seed) {
    Q_EMIT findRequested(QString::fromStdString(seed));
}

void TAppKesto::useBuiltInLook(int look) {
    applyListStyle(ApplyBuiltInLook(look, style_, font().family()));
}

void TAppKesto::maximizeWindow() {
    showMaximized();
}

void TAppKesto::setTrayHint(const std::string& text) {
    if (tray_)
        tray_->setToolTip(QString::fromStdString(text));
}

} // namespace kesto
