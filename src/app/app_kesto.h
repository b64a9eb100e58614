#pragma once

// The main window: the header with the seek bar, time, volume and level
// meter, the transport bar, the playlist, the status bar, every command as
// an action, and the player's view. It owns the layout and the actions and
// calls out: the playlist, the transport and the ticks live in the core.

#include "app/app_actions.h"
#include "app/line_marks.h"
#include "playback/shared_wake.h"
#include "player/player_view.h"
#include "player/settings_startup.h"
#include "prefs/list_style.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>

#include <memory>

class QLabel;
class QMenu;
class QSystemTrayIcon;
class QToolButton;
class QUrl;

namespace kesto {

class Player;
class StatusPanels;
class TGorseListbox;
class TGorseProgress;
class TInfo_Form;
class TInput_Form;
class TAbout_Form;
class TDir_Form;
class TRadio_Form;
class TPreferences_Form;
class GlobalHotkeys;
class MprisService;
class TFileInfo_Form;
class TReplaceFilenames_Form;
class TFavorites_Form;
class TFind_Form;
class TTimer_Form;
class TimeLabel;
class UpdateCheck;

// The volume a drag on the volume label sets: 18 (1.8 %) per pixel upwards from
// where it began, 0..1000, and everything at the top edge of the screen.
int volumeAfterDrag(int startVolume, int startY, int pointerY, int pointerScreenY);

// The open-playlist dialog's filter: every kind of playlist the player reads.
QString playlistOpenFilter();

class TAppKesto : public QMainWindow, public PlayerView {
    Q_OBJECT
public:
    // Builds the widgets; `create` then runs the player's creation steps, once
    // the player (which needs this window as its view) exists.
    explicit TAppKesto(QWidget* parent = nullptr);
    void create(Player& player, std::string startupArgument);
    ~TAppKesto() override;

    const ListStyle& listStyle() const { return style_; }
    void applyListStyle(const ListStyle& style);
    // How one playlist line looks: its text (queue numbers first), its
    // colours and whether it is bold.
    struct LineLook {
        QString text;
        QColor fill;
        QColor ink;
        bool bold = false;
    };
    LineLook lineLook(int index, bool selected);

    // Components, by their designer names.
    QWidget* ProgressPanel;
    TGorseProgress* Progres;
    TimeLabel* LabelTime;
    QLabel* LabelVolume;
    TGorseProgress* LevelMeter6;
    TGorseProgress* LevelMeter14;
    QWidget* PanelLevelMeter14;
    TGorseProgress* VolumeProcesBar;
    TGorseProgress* VolumeProcesBar2;
    QWidget* PlayBar;
    QToolButton* SpeedButton[6];
    TGorseListbox* ListScreen;
    StatusPanels* StatusBar1;
    QMenu* PopupMenu3;
    QMenu* TrayPopupMenu;

    Actions& actions() { return *actions_; }
    Player& player() { return *player_; }

    // Meter style: 0 none, 1 the small vertical meter, 2 (or 3) the wide one.
    void SetVUStyle(VUStyle style);
    VUStyle levelStyle() const { return vuStyle_; }
    // The geometry saved at exit when the window is not maximised.
    const WindowGeometry& normalGeometry() const { return normalGeometry_; }
    // The deferred start-up work, run once the event loop runs.
    void runDeferredStartup();
    void stopTimers();
    void arrangeTicks();
    // Minimised or hidden: nobody sees the meter, so its ticks wait.
    void setMeterOffScreen(bool off);
    void levelWake();
    // What the process's shutdown saves.
    ExitValues exitValues() const;
    // The hand-over of a second process, and its plain activation.
    void receiveHandOver(const QString& argument);
    void ForceForegroundWindow();
    // Hides the window behind its tray icon, the meter resting meanwhile.
    // Every way back into view (the tray, a second start, a drop) restores
    // the ticks and takes the icon away.
    void hideToTray();

    // ---- PlayerView ----
    void ShowMessageKind(MessageKind kind, const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    void processPendingMessages() override;
    void post(std::function<void()> work) override;
    int lineCount() const override;
    void setLineCount(int count) override;
    int focusedLine() const override;
    void setFocusedLine(int line) override;
    int topLine() const override;
    void setTopLine(int line) override;
    std::vector<int> selectedLines() const override;
    bool isLineSelected(int line) const override;
    void selectLines(const std::vector<int>& lines) override;
    void clearSelection() override;
    void beginListUpdate() override;
    void endListUpdate() override;
    void repaintList() override;
    int listClientHeight() const override;
    int listItemHeight() const override;
    void setStatusPanelText(int panel, const std::string& text) override;
    void setViewFormatChecked(ViewFormat format) override;
    void setBusyCursor(bool busy) override;
    void setCaption(const std::string& text) override;
    void showSeekBar(std::int64_t max, std::int64_t position) override;
    void setTimeLabel(const std::string& text) override;
    void showVolume(int volume) override;
    void showLevels(VUStyle style, int leftLeds, int rightLeds) override;
    void setPlayModeChecked(PlayMode mode) override;
    void setStatusTimer(bool running, int periodMs) override;
    void setLevelTimer(bool running) override;
    void setClipboardText(const std::string& text) override;
    void setRecordCaption(const std::string& caption) override;
    std::string askSaveFileName(const std::string& filter,
                                const std::string& proposedName) override;
    void runAddFilesCommand() override;
    void openFindWindow(const std::string& seed) override;
    void useBuiltInLook(int look) override;
    void maximizeWindow() override;
    void setTrayHint(const std::string& text) override;
    void runDeleteCommand() override;

    // A message box's own hook, so tests can answer it.
    std::function<int(MessageKind, const QString&)> messageHook;
    std::function<bool(const QString&)> questionHook;
    // Where the update check's download page goes instead of the desktop's
    // browser, so tests can see what would be opened.
    std::function<void(const QUrl&)> openUrlHook;
    // The recording's save dialog (name filters, proposed name; the path or
    // empty for cancel), so tests can answer it.
    std::function<QString(const QStringList&, const QString&)> saveHook;
    // The one-line text question's hook (caption, prompt, text in and out;
    // false for cancel), so tests can answer it.
    std::function<bool(const QString&, const QString&, QString&)> textHook;

    // The tool windows, once made (first use makes them).
    TFind_Form* findForm() const { return find_.get(); }
    TFavorites_Form* favoritesForm() const { return favorites_.get(); }
    TTimer_Form* timerForm() const { return timer_.get(); }
    QMenu* FavoritesMenu = nullptr;

Q_SIGNALS:
    // A letter or digit typed into the list: the find window opens with it.
    void findRequested(const QString& seed);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a command that changes the playlist, or holds lines of it across
    // a nested loop, once no nested loop runs; it counts as one while it runs.
    void runListCommand(std::function<void()> command);
    void buildHeader();
    void buildPlayBar();
    void buildMenus();
    void connectActions();
    void connectTransport();
    void connectPlaylistCommands();
    // Find, favourites and the sleep timer.
    void connectToolCommands();
    void openFindForm(const QString& seed);
    void buildFavoritesMenu();
    void favoritesAddCommand();
    void openFavoriteAt(int position);
    void favoritesOrganizeCommand();
    void sleepTimerCommand();
    bool askLine(const QString& caption, const QString& prompt, QString& text);
    void folderCommand(bool replace);
    void openFilesCommand();
    void savePlaylistCommand();
    void pasteCommand();
    void appendSorted(std::vector<std::string> paths);
    void dropUrls(const QList<QUrl>& urls);
    void setUpMusicFolder();
    void layoutHeader();
    int firstStartWidth() const;
    void applyStartupValues(const StartupValues& values);
    void setPlayBarVisible(bool visible);
    void setProgressPanelVisible(bool visible);
    void recordNormalGeometry();

    // Commands whose work lies in this window.
    void exitCommand();
    void preferencesCommand();
    void startHotkeys();
    void registerHotkeys(bool reportFailures);
    void hotkeyFired(int id);
    void notifyDesktopPlayer();
    void maximizeCommand();
    void minimizeCommand();
    void docCommand();
    void explorerExeCommand();
    void explorerFileCommand();
    // Hands a file or folder to the desktop's handler; says `noHandler`
    // followed by the path when the desktop has none (no xdg-open, say).
    void openOnDesktop(const QString& path, const std::string& noHandler);
    void propertiesCommand();
    // F2: the file information window for one line, the renamer for several.
    void fileInfoCommand();
    // F2 on an internet radio line: its address and title, and the
    // station's name (app_kesto_radio.cpp).
    void streamPropertiesCommand(int line);
    void renameMenuCommand();
    void copyPlCommand();
    void totalTimeCommand();
    void viewPlayBarCommand();
    void viewProgressPanelCommand();
    // Internet radio (app_kesto_radio.cpp).
    void addRadioCommand();
    // The weekly update check (app_kesto_update.cpp): starts it when it is due.
    void startUpdateCheck();
    bool askUpdateQuestion(const std::string& message);
    void openUpdatePage(const std::string& address);

    // Input.
    bool listKeyPress(QKeyEvent* event);
    bool listKeyRelease(QKeyEvent* event);
    bool volumeDragEvent(QEvent* event);
    bool seekDragEvent(QEvent* event);
    void statusBarPressed(int x, Qt::MouseButton button);
    bool backgroundPress(QMouseEvent* event);
    void restoreFromTray();
    // Back on screen after the tray: the ticks resume, the icon goes.
    void backInView();
    // A seek whose release went to another window ends where the bar stands.
    void endHeldSeek();

    // The playlist view: drawing one line, the look, dragging lines.
    void ListScreenDrawItem(QPainter& painter, int index, const QRect& rect, bool selected);
    void ListScreenStartDrag(int line);
    void ListScreenDragOver(int y);
    void ListScreenEndDrag();
    bool dragLinesHold() const;
    void dragAutoScroll();

    Player* player_ = nullptr;
    std::string startupArgument_;
    std::unique_ptr<Actions> actions_;
    QSystemTrayIcon* tray_ = nullptr;
    QTimer statusTimer_;
    QTimer levelTimer_;
    bool levelWanted_ = false; // the core wants level ticks; they run while a meter shows
    bool meterOffScreen_ = false;
    bool statusWanted_ = false;
    int statusPeriod_ = 33;
    bool statusRides_ = false; // the status tick runs on level wakes
    SharedWake sharedWake_;
    QElapsedTimer tickClock_;
    std::unique_ptr<TInfo_Form> info_;
    std::unique_ptr<TInput_Form> input_;
    std::unique_ptr<TAbout_Form> about_;
    std::unique_ptr<TDir_Form> dirForm_;
    std::unique_ptr<TRadio_Form> radioForm_;
    std::unique_ptr<TPreferences_Form> preferences_;
    std::unique_ptr<GlobalHotkeys> hotkeys_;
    std::unique_ptr<MprisService> mpris_;
    std::unique_ptr<TFileInfo_Form> fileInfo_;
    std::unique_ptr<TReplaceFilenames_Form> renamer_;
    std::unique_ptr<TFind_Form> find_;
    std::unique_ptr<TFavorites_Form> favorites_;
    std::unique_ptr<TTimer_Form> timer_;
    // Its worker posts to this window, so it goes first (see the destructor).
    std::unique_ptr<UpdateCheck> update_;

    ListStyle style_;
    LineMarks marks_;
    // Drag state: the dragged lines (ascending, kept at their current places)
    // and their entries, which of them was grabbed, and the last handled
    // pointer line and top line.
    std::vector<int> DragIndexes;
    std::vector<std::string> DragTexts;
    int DragAnchor = 0;
    int LastDragRow = -1;
    int LastDragTop = 0;
    int dragPointerY_ = 0;
    QTimer dragScrollTimer_;

    StartupValues start_;
    WindowGeometry normalGeometry_;
    bool windowShown_ = false;
    bool inTray_ = false;
    bool volumeDragging_ = false;
    int volumeDragStartY_ = 0;
    int volumeDragStartVolume_ = 0;
    bool keyHandled_ = false;
    VUStyle vuStyle_ = VUStyle::SevenLeds;
    // The header's labels the style and the volume gestures want shown; the
    // layout shows them where they fit.
    bool volumeWanted_ = true;
    bool scaleWanted_ = false;
    int timeNeed_ = 0; // what the time read-out was last laid out for
    // The last time text with its digits as "0": a text of the same shape
    // needs the same room, so only a new shape is measured.
    std::string timeShape_;
    bool snapping_ = false;
    int borderWidth_ = 0; // (window width - client width) div 2, taken once at start
};

} // namespace kesto
