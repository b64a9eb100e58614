#include "app/app_kesto.h"

#include "app/header_layout.h"
#include "app/mpris_service.h"
#include "app/status_panels.h"
#include "app/transport_icons.h"
#include "app/window_snap.h"
#include "controls/gorse_listbox.h"
#include "controls/gorse_progress.h"
#include "playback/next_entry.h"
#include "playback/play_order.h"
#include "playback/transport.h"
#include "playback/volume.h"
#include "player/player.h"
#include "playlist/dir_form.h"
#include "playlist/find_form.h"
#include "playlist/list_view.h"
#include "playlist/open_path.h"
#include "playlist/playlist_sort.h"
#include "prefs/global_hotkeys.h"
#include "prefs/list_style.h"
#include "prefs/preferences_form.h"
#include "prefs/update_check.h"
#include "stream/radio_form.h"
#include "tags/file_info_form.h"
#include "tools/about_form.h"
#include "tools/favorites_form.h"
#include "tools/info_form.h"
#include "tools/input_form.h"
#include "tools/message_boxes.h"
#include "tools/replace_filenames_form.h"
#include "tools/sleep_timer_form.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMoveEvent>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kesto {

namespace {

constexpr int kHeaderHeight = 42;
constexpr int kWideMeterWidth = 143;

TGorseProgress* gauge(const char* name, QWidget* parent, TGorseProgress::Orientation o,
                      TGorseProgress::BarType t, qint64 max, QSize size, int stereoSep, int ledSep,
                      int ledWidth) {
    auto* g = new TGorseProgress(parent);
    g->setObjectName(QString::fromLatin1(name));
    g->setOrientation(o);
    g->setBarType(t);
    g->setMax(max);
    g->resize(size);
    g->setStereoSeperation(stereoSep);
    g->setLedSeperation(ledSep);
    g->setLedWidth(ledWidth);
    return g;
}

} // namespace

TAppKesto::TAppKesto(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("AppKesto"));
    // The desktop's typeface at the compact size the layout was drawn for.
    QFont compact = QApplication::font();
    compact.setPointSize(8);
    setFont(compact);
    setWindowIcon(applicationIcon());
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    buildHeader();
    buildPlayBar();
    ListScreen = new TGorseListbox(central);
    ListScreen->setObjectName(QStringLiteral("ListScreen"));
    ListScreen->setDrawItem(
        [this](QPainter& p, int index, const QRect& r, TGorseListbox::LineState state) {
            ListScreenDrawItem(p, index, r, state.selected);
        });
    StatusBar1 = new StatusPanels(central);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    column->addWidget(ProgressPanel);
    column->addWidget(ListScreen, 1);
    column->addWidget(StatusBar1);

    actions_ = std::make_unique<Actions>(this);
    buildMenus();
    connectActions();
    connectTransport();
    connectPlaylistCommands();
    connectToolCommands();
    connect(ListScreen, &TGorseListbox::dragStarted, this, &TAppKesto::ListScreenStartDrag);
    connect(ListScreen, &TGorseListbox::dragMoved, this, [this](int y) {
        dragPointerY_ = y;
        ListScreenDragOver(y);
        dragAutoScroll();
    });
    connect(ListScreen, &TGorseListbox::dragEnded, this, &TAppKesto::ListScreenEndDrag);
    dragScrollTimer_.setSingleShot(true);
    connect(&dragScrollTimer_, &QTimer::timeout, this, &TAppKesto::dragAutoScroll);

    ListScreen->installEventFilter(this);
    ListScreen->viewport()->installEventFilter(this);
    ProgressPanel->installEventFilter(this);
    central->installEventFilter(this);
    connect(StatusBar1, &StatusPanels::pressed, this, &TAppKesto::statusBarPressed);
}

void TAppKesto::create(Player& player, std::string startupArgument) {
    player_ = &player;
    startupArgument_ = std::move(startupArgument);
    // Creation, in the player's order: the engine's version, header layout,
    // settings, the off-screen guard, maximised start, caption, the playlist.
    if (player_->audio.GetVersion() != 2)
        ShowMessageKind(MessageKind::Warning,
                        "Kesto 是基于音频库 2.0 版本编译的！\r\r发现另一个版本。");
    const QSize screen = QGuiApplication::primaryScreen()->size();
    borderWidth_ = 0;
    start_ = loadAtStart(player_->settings, !startupArgument_.empty(),
                         {screen.width(), screen.height()}, GetTempDir());
    applyStartupValues(start_);
    startHotkeys();
    WindowGeometry g = start_.geometry;
    if (!start_.widthStored) {
        // A first start opens wide enough for every menu and the whole time
        // read-out in the desktop's font, still centred when Left is unset.
        const int wide = std::min(std::max(g.width, firstStartWidth()),
                                  QGuiApplication::primaryScreen()->availableSize().width());
        if (!start_.leftStored)
            g.left -= (wide - g.width) / 2;
        g.width = wide;
    }
    if (g.left > screen.width() || g.top > screen.height() || g.width > screen.width() ||
        g.height > screen.height())
        g = {20, 20, 300, 400};
    setGeometry(g.left, g.top, g.width, g.height);
    normalGeometry_ = g;
    if (start_.startMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);

    player_->transport.MuteRestore = -1;
    setWindowTitle(QString::fromStdString(start_.versionCaption));
    setApplicationTitle(QString::fromStdString(start_.versionCaption));
    LabelTime->clear();

    player_->playlist.PlaylistEntries.clear();
    if (!startupArgument_.empty()) {
        OpenPath(*player_, startupArgument_, OpenMode::CommandLine);
    } else {
        OpenPath(*player_, player_->paths.GetPlaylistPath(), OpenMode::ReplaceList);
        start_.enqueueOption = -1; // a plain start plays nothing by itself
    }
    buildFavoritesMenu();
}

TAppKesto::~TAppKesto() {
    // The update worker may still post to this window: it ends while the
    // window is whole.
    update_.reset();
}

void TAppKesto::buildHeader() {
    ProgressPanel = new QWidget(this);
    ProgressPanel->setObjectName(QStringLiteral("ProgressPanel"));
    ProgressPanel->setMinimumWidth(kHeaderMinimumWidth);

    Progres = gauge("Progres", ProgressPanel, TGorseProgress::pbHorizontal,
                    TGorseProgress::brNormal, 100, {121, 16}, 1, 1, 1);
    Progres->move(0, 2);
    // Labels as tall as a line of the desktop's font, which at 120 or 144 dpi
    // is more than the 16 pixels they were drawn for.
    const int labelHeight = std::max(16, fontMetrics().height());
    ProgressPanel->setFixedHeight(std::max(kHeaderHeight, 24 + labelHeight));
    LabelTime = new TimeLabel(ProgressPanel);
    LabelTime->move(146, 24);
    LabelTime->resize(120, labelHeight);
    LabelVolume = new QLabel(QStringLiteral("100 %"), ProgressPanel);
    LabelVolume->setAlignment(Qt::AlignRight | Qt::AlignTop);
    LabelVolume->resize(LabelVolume->fontMetrics().horizontalAdvance(QStringLiteral("100 %")) + 4,
                        labelHeight);
    LabelVolume->setCursor(Qt::SizeVerCursor);
    LevelMeter6 = gauge("LevelMeter6", ProgressPanel, TGorseProgress::pbVertical,
                        TGorseProgress::brStereoLeds, 7, {16, 37}, 2, 2, 3);
    LevelMeter14 = gauge("LevelMeter14", ProgressPanel, TGorseProgress::pbHorizontal,
                         TGorseProgress::brStereoLeds, 14, {kWideMeterWidth, 16}, 2, 1, 9);
    PanelLevelMeter14 = new QWidget(ProgressPanel);
    PanelLevelMeter14->resize(144, 16);
    PanelLevelMeter14->setCursor(Qt::SizeVerCursor);
    const char* scale[] = {"-oo", "30", "20", "12", "8", "4", "0 "};
    const int led[] = {0, 3, 5, 7, 9, 11, 13};
    QFont small = font();
    small.setPointSizeF(std::max(5.0, font().pointSizeF() * 0.75));
    for (int i = 0; i < 7; ++i) {
        auto* l = new QLabel(QString::fromLatin1(scale[i]), PanelLevelMeter14);
        l->setFont(small);
        l->move(2 + 10 * led[i], 0);
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    PanelLevelMeter14->installEventFilter(this);
    LabelVolume->installEventFilter(this);
    Progres->installEventFilter(this);

    VolumeProcesBar = gauge("VolumeProcesBar", ProgressPanel, TGorseProgress::pbVertical,
                            TGorseProgress::brNormal, 100, {17, 33}, 1, 1, 1);
    VolumeProcesBar->setToolTip(
        QStringLiteral("提示: 用小键盘区的 + - 可以改变音量。按下暂停键可以静音 (快速改变音量)"));
    VolumeProcesBar->hide();
    VolumeProcesBar2 = gauge("VolumeProcesBar2", ProgressPanel, TGorseProgress::pbHorizontal,
                             TGorseProgress::brNormal, 100, {49, 17}, 1, 1, 1);
    VolumeProcesBar2->setCaptionType(TGorseProgress::ctPercent);
    VolumeProcesBar2->setCaptionColor(palette().color(QPalette::HighlightedText));
    VolumeProcesBar2->hide();
}

void TAppKesto::buildPlayBar() {
    PlayBar = new QWidget(ProgressPanel);
    PlayBar->setObjectName(QStringLiteral("PlayBar"));
    PlayBar->setFixedSize(138, 22);
    PlayBar->move(0, 19);
    const TransportIcon icons[] = {TransportIcon::Play, TransportIcon::Pause,
                                   TransportIcon::Stop, TransportIcon::Previous,
                                   TransportIcon::Next, TransportIcon::Record};
    for (int i = 0; i < 6; ++i) {
        auto* b = new QToolButton(PlayBar);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setIcon(transportIcon(icons[i]));
        b->setGeometry(23 * i, 0, 23, 22);
        SpeedButton[i] = b;
    }
}

void TAppKesto::layoutHeader() {
    HeaderInput in;
    in.width = ProgressPanel->width();
    in.border = borderWidth_;
    in.style = toInt(vuStyle_);
    in.timeLeft = LabelTime->x();
    in.timeNeed = timeTextNeed(LabelTime->fontMetrics(), LabelTime->text());
    in.volumeWidth = LabelVolume->width();
    in.volumeWanted = volumeWanted_;
    in.scaleWanted = scaleWanted_;
    in.volumeBarShown = !VolumeProcesBar->isHidden();
    const HeaderPlan plan = planHeader(in);
    timeNeed_ = in.timeNeed;

    LevelMeter6->move(plan.levelMeter6.topLeft());
    VolumeProcesBar->setGeometry(LevelMeter6->geometry());
    LevelMeter14->move(plan.levelMeter14.topLeft());
    PanelLevelMeter14->move(plan.scale.topLeft());
    PanelLevelMeter14->setVisible(plan.scaleShown);
    LabelVolume->move(plan.volume.topLeft());
    LabelVolume->setVisible(plan.volumeShown);
    Progres->resize(plan.progres.width(), Progres->height());
    LabelTime->setGeometry(plan.time.x(), plan.time.y(), plan.time.width(), LabelTime->height());
    LabelTime->setVisible(plan.timeShown);
}

int TAppKesto::firstStartWidth() const {
    // The narrowest width at which the header shows all it wants with the
    // widest time text, and the menu bar shows every menu.
    HeaderInput in;
    in.border = borderWidth_;
    in.style = toInt(vuStyle_);
    in.timeLeft = LabelTime->x();
    in.timeNeed = widestTimeTextNeed(LabelTime->fontMetrics());
    in.volumeWidth = LabelVolume->width();
    in.volumeWanted = volumeWanted_;
    in.scaleWanted = scaleWanted_;
    in.width = kHeaderMinimumWidth;
    while (!planHeader(in).complete && in.width < 4000)
        ++in.width;
    return std::max(in.width, menuBar()->sizeHint().width());
}

void TAppKesto::SetVUStyle(VUStyle style) {
    vuStyle_ = style;
    if (player_)
        player_->level.VUStyle = style; // the level tick draws into the meter of this style
    LevelMeter6->hide();
    LevelMeter14->hide();
    scaleWanted_ = false;
    actions().Level1Ac->setChecked(false);
    actions().Level2Ac->setChecked(false);
    actions().Level3Ac->setChecked(false);
    switch (style) {
    case VUStyle::None:
        volumeWanted_ = true;
        actions().Level1Ac->setChecked(true);
        break;
    case VUStyle::SevenLeds:
        volumeWanted_ = true;
        LevelMeter6->show();
        actions().Level2Ac->setChecked(true);
        break;
    case VUStyle::FourteenLeds:
        volumeWanted_ = false;
        LevelMeter14->show();
        scaleWanted_ = true;
        actions().Level3Ac->setChecked(true);
        break;
    }
    layoutHeader();
    arrangeTicks(); // a meter shown or hidden starts or rests the level ticks
    player_->settings.writeInt("Window", "VUStyle", toInt(style));
}

void TAppKesto::applyStartupValues(const StartupValues& v) {
    actions().ViewPlayBarAc->setChecked(v.playBar);
    actions().ViewProgressPanelAc->setChecked(v.progressPanel);
    if (!v.playBar)
        setPlayBarVisible(false);
    if (!v.progressPanel)
        setProgressPanelVisible(false);
    StatusBar1->setVisible(v.statusBar);
    SetVUStyle(v.vuStyle);

    PlaylistState& list = player_->playlist;
    list.CurrentIndex = v.track;
    SortPlaylist(*player_, v.sortingWay);
    list.ViewFormat = v.viewFormat;
    list.LastOpenedDir = v.lastOpenedDir;
    list.RootMediaList = v.rootMedia;
    list.RelativeDelimiter = v.relativeDelimiter;
    player_->transport.SoftmutePercent = v.softmutePercent;
    player_->transport.PlayMode = v.playMode;
    SetVolume(*player_, v.volume);
    ApplyPlayMode(*player_);
}

void TAppKesto::setPlayBarVisible(bool visible) {
    PlayBar->setVisible(visible);
    LabelTime->move(visible ? 146 : 6, LabelTime->y());
    layoutHeader();
}

void TAppKesto::setProgressPanelVisible(bool visible) {
    auto* column = static_cast<QVBoxLayout*>(centralWidget()->layout());
    if (visible) {
        column->removeWidget(PlayBar);
        PlayBar->setParent(ProgressPanel);
        PlayBar->move(0, 19);
        ProgressPanel->show();
    } else {
        ProgressPanel->hide();
        // The transport bar stays above the list on its own.
        PlayBar->setParent(centralWidget());
        column->insertWidget(0, PlayBar);
    }
    PlayBar->setVisible(actions().ViewPlayBarAc->isChecked());
}

void TAppKesto::recordNormalGeometry() {
    if (isMaximized() || isMinimized())
        return;
    const QRect g = geometry();
    normalGeometry_ = {g.left(), g.top(), g.width(), g.height()};
}

void TAppKesto::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    setMeterOffScreen(isMinimized());
    backInView();
    if (windowShown_)
        return;
    recordNormalGeometry();
    layoutHeader();
    if (!start_.activeScheme.empty())
        applyListStyle(LoadScheme(
            QString::fromStdString(player_->paths.dataFile(start_.activeScheme)), palette()));
    else
        applyListStyle(ApplyBuiltInLook(0, style_, font().family()));
    // The count panel and the view-format marks show from the first paint,
    // also for an empty list.
    RefreshListView(*player_, true, true);
    ScrollToCurrent(*player_);
    SelectEntry(*player_, player_->playlist.CurrentIndex);
    windowShown_ = true;
}

void TAppKesto::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    // Also a minimise: the window system unmaps the window.
    setMeterOffScreen(true);
}

void TAppKesto::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layoutHeader();
    if (windowShown_)
        recordNormalGeometry();
}

void TAppKesto::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (!windowShown_ || snapping_ || isMaximized())
        return;
    // Close to an edge of the work area, the window settles on it.
    if (const QScreen* s = screen()) {
        const QRect frame = frameGeometry();
        const QPoint snapped = snapToWorkArea(frame, s->availableGeometry());
        if (snapped != frame.topLeft()) {
            snapping_ = true;
            move(snapped);
            snapping_ = false;
        }
    }
    recordNormalGeometry();
}

void TAppKesto::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // A seek bar held with the mouse loses its release to the window Alt+Tab went to.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        endHeldSeek();
    if (event->type() == QEvent::WindowStateChange) {
        setMeterOffScreen(isMinimized() || (windowShown_ && isHidden()));
        backInView();
    }
    if (event->type() != QEvent::WindowStateChange || !windowShown_)
        return;
    // The title bar's minimise button goes to the tray like the command does.
    if (isMinimized() && start_.minimizeToTray && tray_ &&
        QSystemTrayIcon::isSystemTrayAvailable()) {
        QTimer::singleShot(0, this, [this] { hideToTray(); });
        return;
    }
    // Maximising saves the settings at once, so a crash keeps the new state.
    if (isMaximized())
        saveOnExit(player_->settings, exitValues());
}

ExitValues TAppKesto::exitValues() const {
    ExitValues v;
    v.maximized = isMaximized();
    v.startedWithPath = !startupArgument_.empty();
    v.normalGeometry = normalGeometry_;
    const PlaylistState& list = player_->playlist;
    v.playlistHasEntries = !list.PlaylistEntries.empty();
    v.track = list.CurrentIndex;
    v.viewFormat = list.ViewFormat;
    // The folder browser remembers where the user was; without it, the values read at start.
    v.lastOpenedDir = dirForm_ ? dirForm_->browserFolder() : start_.lastOpenedDir;
    v.lastOpenedDrive = dirForm_ ? dirForm_->rootChoice() : start_.lastOpenedDrive;
    v.playMode = player_->transport.PlayMode;
    v.volume = player_->transport.Volume;
    return v;
}

void TAppKesto::receiveHandOver(const QString& argument) {
    // The path may replace the list: it waits while a nested loop holds lines of it.
    runListCommand([this, argument] {
        // A single character is not a path; it is ignored, as it always was.
        if (argument.size() > 1)
            OpenPath(*player_, argument.toStdString(), OpenMode::FromOtherInstance);
        playOrderChanged(*player_);
        ForceForegroundWindow();
    });
}

void TAppKesto::ForceForegroundWindow() {
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void TAppKesto::closeEvent(QCloseEvent* event) {
    // The close box follows Esc's rule: a long operation is only asked to
    // stop, and asks whether to give up; the window stays.
    if (player_ && player_->playlist.ListBusy) {
        player_->playlist.CancelRequested = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    QApplication::quit();
}

} // namespace kesto
