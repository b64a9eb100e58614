// Keys and the mouse: routing keys into the command dispatcher, dragging the
// volume and the seek bar, the status bar's play-mode panel, moving the
// window by its background, and the tray.

#include "app/app_kesto.h"

#include "app/key_map.h"
#include "app/status_panels.h"
#include "controls/gorse_listbox.h"
#include "controls/gorse_progress.h"
#include "playback/level_meter.h"
#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/status_tick.h"
#include "playback/time_text.h"
#include "playback/transport.h"
#include "playback/volume.h"
#include "player/key_codes.h"
#include "player/player.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace kesto {

namespace {

bool isVolumeKey(int vkCode) {
    return vkCode == vk::Add || vkCode == vk::Subtract || vkCode == vk::OemPlus ||
           vkCode == vk::OemMinus;
}

bool isSeekKey(int vkCode) {
    return vkCode == vk::Left || vkCode == vk::Right || vkCode == vk::Numpad1 ||
           vkCode == vk::Numpad3;
}

} // namespace

int volumeAfterDrag(int startVolume, int startY, int pointerY, int pointerScreenY) {
    if (pointerScreenY <= 0)
        return 1000;
    return std::clamp(startVolume + (startY - pointerY) * 18, 0, 1000);
}

bool TAppKesto::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListScreen) {
        if (event->type() == QEvent::KeyPress)
            return listKeyPress(static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::KeyRelease)
            return listKeyRelease(static_cast<QKeyEvent*>(event));
        // The release of a held arrow goes wherever the keyboard went: to
        // another window after Alt+Tab, or to a menu. Without it the seek
        // would hold the end of the file back for good.
        if (event->type() == QEvent::FocusOut)
            endHeldSeek();
        return false;
    }
    if (watched == ListScreen->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(event);
            // A right press picks the line under the pointer unless several
            // lines are selected, so the context menu acts on what was clicked.
            if (me->button() == Qt::RightButton && ListScreen->selectedCount() <= 1) {
                const int line = ListScreen->indexAt(me->position().toPoint().y());
                if (line >= 0) {
                    ListScreen->clearSelection();
                    ListScreen->setSelected(line, true);
                    ListScreen->setFocusedIndex(line);
                }
            }
        }
        return false;
    }
    if (watched == LabelVolume || watched == PanelLevelMeter14)
        return volumeDragEvent(event);
    if (watched == Progres)
        return seekDragEvent(event);
    if ((watched == ProgressPanel || watched == centralWidget()) &&
        event->type() == QEvent::MouseButtonPress)
        return backgroundPress(static_cast<QMouseEvent*>(event));
    return QMainWindow::eventFilter(watched, event);
}

bool TAppKesto::listKeyPress(QKeyEvent* event) {
    const int code = vkFromQtKey(event->key(), event->modifiers());
    if (code == 0) {
        keyHandled_ = false;
        return false;
    }
    if (isVolumeKey(code) && vuStyle_ == VUStyle::FourteenLeds && !volumeDragging_) {
        volumeDragging_ = true;
        scaleWanted_ = false;
        volumeWanted_ = true;
        VolumeProcesBar->show();
        LevelMeter14->resize(139 - VolumeProcesBar->width(), LevelMeter14->height());
        layoutHeader();
    }
    keyHandled_ = RunKeyCommand(*player_, code, shiftStateFromQt(event->modifiers()));
    // A handled key is swallowed, and with it the character it would type.
    return keyHandled_;
}

bool TAppKesto::listKeyRelease(QKeyEvent* event) {
    const int code = vkFromQtKey(event->key(), event->modifiers());
    if (event->isAutoRepeat())
        return false;
    if (isSeekKey(code) && player_->transport.DeviceReady) {
        finishKeyboardSeek(*player_);
    } else if (isVolumeKey(code) && vuStyle_ == VUStyle::FourteenLeds) {
        volumeDragging_ = false;
        scaleWanted_ = true;
        volumeWanted_ = false;
        VolumeProcesBar->hide();
        LevelMeter14->resize(143, LevelMeter14->height());
        layoutHeader();
    }
    return false;
}

bool TAppKesto::volumeDragEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton)
            return false;
        volumeDragging_ = true;
        volumeDragStartY_ = qRound(me->globalPosition().y());
        volumeDragStartVolume_ = player_->transport.Volume;
        if (vuStyle_ == VUStyle::SevenLeds) {
            VolumeProcesBar->show();
            LevelMeter6->hide();
        } else if (vuStyle_ == VUStyle::FourteenLeds) {
            VolumeProcesBar->show();
            volumeWanted_ = true;
            scaleWanted_ = false;
            LevelMeter14->resize(143 - VolumeProcesBar->width() - borderWidth_,
                                 LevelMeter14->height());
        }
        layoutHeader();
        return true;
    }
    case QEvent::MouseMove: {
        if (!volumeDragging_)
            return false;
        auto* me = static_cast<QMouseEvent*>(event);
        const int y = qRound(me->globalPosition().y());
        SetVolume(*player_, volumeAfterDrag(volumeDragStartVolume_, volumeDragStartY_, y, y));
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!volumeDragging_)
            return false;
        volumeDragging_ = false;
        if (vuStyle_ == VUStyle::SevenLeds) {
            LevelMeter6->show();
            VolumeProcesBar->hide();
        } else if (vuStyle_ == VUStyle::FourteenLeds) {
            // The scale comes back in the read-out's place, as after the keys.
            scaleWanted_ = true;
            volumeWanted_ = false;
            LevelMeter14->resize(143, LevelMeter14->height());
            VolumeProcesBar->hide();
        }
        layoutHeader();
        // A drag ends a pending soft mute: the next Pause mutes afresh.
        player_->transport.MuteRestore = -1;
        return true;
    }
    default:
        return false;
    }
}

bool TAppKesto::seekDragEvent(QEvent* event) {
    const auto positionAt = [this](const QMouseEvent* me) {
        const qint64 x = std::clamp<qint64>(qRound(me->position().x()), 0, Progres->width());
        return static_cast<qint64>(std::llround(static_cast<double>(player_->mirror.SeekBarMax) *
                                                x / std::max(1, Progres->width())));
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton || !beginSeekDrag(*player_))
            return true;
        seekDragTo(*player_, positionAt(me));
        return true;
    }
    case QEvent::MouseMove: {
        if (!player_->transport.Seeking)
            return false;
        seekDragTo(*player_, positionAt(static_cast<QMouseEvent*>(event)));
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (player_->transport.Seeking &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            endSeekDrag(*player_);
        return true;
    default:
        return false;
    }
}

void TAppKesto::statusBarPressed(int x, Qt::MouseButton button) {
    // Only the play-mode panel answers: strictly between its left and right edges.
    if (x > StatusBar1->panelRight(1) && x < StatusBar1->panelRight(2))
        stepPlayMode(*player_, button == Qt::RightButton);
}

bool TAppKesto::backgroundPress(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || event->modifiers() != Qt::NoModifier)
        return false;
    if (player_->settings.readBool("Window", "CaptionBar", true))
        return false;
    if (QWindow* w = windowHandle())
        w->startSystemMove();
    return true;
}

void TAppKesto::hideToTray() {
    if (tray_) {
        LevelStop(*player_);
        tray_->show();
        inTray_ = true;
    }
    hide();
}

void TAppKesto::restoreFromTray() {
    ForceForegroundWindow();
}

void TAppKesto::backInView() {
    if (!inTray_ || isHidden() || isMinimized())
        return;
    inTray_ = false;
    // Back from the tray while the output plays: the ticks run again.
    if (player_->audio.ChannelIsActive(player_->feed.OutputStream) == ChannelState::Playing) {
        setStatusRunning(*player_, true);
        LevelStart(*player_);
    }
    // The icon stays a moment, so a double click that restored the window
    // does not land on what appears under the pointer.
    if (tray_)
        QTimer::singleShot(300, tray_, [this] {
            if (!inTray_)
                tray_->hide();
        });
}

void TAppKesto::endHeldSeek() {
    if (player_ && player_->transport.Seeking)
        endSeek(*player_);
}

} // namespace kesto
