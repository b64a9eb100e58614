#pragma once

// Every command of the main window as an action with its caption and
// shortcut. Menus, buttons, the tray and the keyboard all reach a command
// through its action; the window connects what each one does.
//
// The one list below makes both the table (name, caption, keys) and a struct
// with one QAction* member per command, so a command is named as
// `actions.PlayAc`: a misspelt one does not compile.

#include <QKeySequence>
#include <QList>

class QAction;
class QWidget;

namespace kesto {

// X(name, caption (UTF-8), shortcut, second shortcut, Plain or Checkable),
// in the order of the designer's action list. `key(...)` and `none` are
// spelt inside actionTable(), the list's only reader besides Actions.
// clang-format off
#define KESTO_ACTIONS(X) \
    X(OpenFileAc, "添加文件(&F)...", key(CTRL | Qt::Key_L), none, Plain) \
    X(OpenDirAc, "打开文件夹(&O)...", key(Qt::Key_F4), none, Plain) \
    X(AddDirAc, "添加文件夹(&A)...", key(Qt::Key_F3), none, Plain) \
    X(EscAc, "退出(&E)", key(Qt::Key_Escape), none, Plain) \
    X(PreferencesAc, "设置(&S)...", key(Qt::Key_F6), none, Plain) \
    X(ExplorerExe, "浏览应用程序所在的文件夹(&E)", key(CTRL | ALT | Qt::Key_E), none, Plain) \
    X(ExplorerFile, "浏览(&E)...", key(CTRL | Qt::Key_E), none, Plain) \
    X(ViewFormatPathAc, "切换查看方式(&T)", key(Qt::Key_F8), none, Plain) \
    X(NextAc, "下一首(&N)", key(Qt::Key_Tab), none, Plain) \
    X(PrevAc, "上一首(&P)", key(SHIFT | Qt::Key_Tab), none, Plain) \
    X(TerugspoelenAc, "重绕总计", key(Qt::Key_Backspace), none, Plain) \
    X(PlayModeToggleAc, "切换播放方式(&T)", key(Qt::Key_F9), none, Plain) \
    X(SavePlaylistAc, "保存播放列表(&S)...", key(CTRL | Qt::Key_S), none, Plain) \
    X(LoadPlayListAc, "打开播放列表(&O)...", key(CTRL | Qt::Key_O), none, Plain) \
    X(PlayAc, "播放(&P)", key(Qt::Key_Return), key(Qt::Key_Enter), Plain) \
    X(StopAc, "停止(&S)", key(Qt::Key_0), none, Plain) \
    X(PauseAc, "暂停(&U)", key(Qt::Key_Space), none, Plain) \
    X(AboutAc, "关于(&A)...", none, none, Plain) \
    X(MinimizeAc, "最小化到托盘(&M)", key(Qt::Key_F11), none, Plain) \
    X(MaximizeAc, "MaximizeAc", key(Qt::Key_F12), none, Plain) \
    X(FileInfoAc, "属性(&P)...", key(Qt::Key_F2), none, Plain) \
    X(ShortcutsAc, "快捷键...", key(Qt::Key_F1), none, Plain) \
    X(FindAc, "查找(&F)...", key(CTRL | Qt::Key_F), none, Plain) \
    X(ResetMixerAc, "重置声卡驱动混音器", key(CTRL | Qt::Key_Space), none, Plain) \
    X(View1Ac, "查看文件名(&F)", none, none, Checkable) \
    X(View2Ac, "查看完整路径(&P)", none, none, Checkable) \
    X(View3Ac, "查看相对路径(&R)", none, none, Checkable) \
    X(ModeAc1, "循环列表(&R)", none, none, Checkable) \
    X(ModeAc2, "循环文件(&R)", none, none, Checkable) \
    X(ModeAc3, "播放列表(&P)", none, none, Checkable) \
    X(ModeAc4, "播放文件(&P)", none, none, Checkable) \
    X(ModeAc5, "随机播放(&S)", none, none, Checkable) \
    X(RefreshAc, "检查文件更新", key(Qt::Key_F5), none, Plain) \
    X(QueuAc, "队列(&Q)", key(Qt::Key_Insert), key(Qt::Key_Period), Plain) \
    X(RealDelAc, "删除(&D)...", key(SHIFT | Qt::Key_Delete), none, Plain) \
    X(CropAc, "仅保留选定或队列的对象(&C)", key(CTRL | Qt::Key_Delete), none, Plain) \
    X(DeleteAc, "移除(&R)", key(Qt::Key_Delete), none, Plain) \
    X(TotalTimeAc, "选定对象的播放长度...", key(CTRL | ALT | Qt::Key_T), none, Plain) \
    X(SleepTimerAc, "休眠定时器(&T)...", key(ALT | Qt::Key_T), none, Plain) \
    X(DocAc, "文档(&D)...", key(CTRL | Qt::Key_F1), none, Plain) \
    X(FavoritesAddAc, "添加播放列表到收藏夹(&A)...", key(CTRL | Qt::Key_D), none, Plain) \
    X(FavoritesOrganize, "整理收藏夹(&O)...", key(CTRL | Qt::Key_B), none, Plain) \
    X(PropertiesAc, "属性...", key(ALT | Qt::Key_Return), none, Plain) \
    X(AddRadioAc, "添加 URL(&U)...", key(CTRL | Qt::Key_R), none, Plain) \
    X(CopyAc, "复制播放列表项(&C)", key(CTRL | Qt::Key_C), none, Plain) \
    X(CutAc, "剪切播放列表项(&T)", key(CTRL | Qt::Key_X), none, Plain) \
    X(PastAc, "粘贴播放列表项(&P)", key(CTRL | Qt::Key_V), none, Plain) \
    X(ListEntryAc, "编辑播放列表项(&E)...", key(SHIFT | Qt::Key_F2), none, Plain) \
    X(RecordStartAc, "录制(&R)", key(Qt::Key_J), none, Plain) \
    X(BrokenFilesAc, "从列表中移除缺少的文件(&M)", key(ALT | Qt::Key_Delete), none, Plain) \
    X(JumpAc, "选定正在播放的对象(&P)", key(Qt::Key_QuoteLeft), none, Plain) \
    X(ViewPlayBarAc, "控制栏", none, none, Checkable) \
    X(ViewProgressPanelAc, "进度条", none, none, Checkable) \
    X(ClearShuffleHistoryAc, "清除随机/队列历史记录(&C)", key(CTRL | SHIFT | Qt::Key_C), none, Plain) \
    X(NewListAc, "清除播放列表(&C)", key(CTRL | Qt::Key_N), none, Plain) \
    X(CopyPlAc, "", none, none, Plain) \
    X(Level1Ac, "无电平指示器(&N)", none, none, Checkable) \
    X(Level2Ac, "&6个 LED 电平指示器", none, none, Checkable) \
    X(Level3Ac, "&14个 LED 电平指示器", none, none, Checkable) \
    X(VUToggleAc, "切换(&T)", none, none, Plain)
// clang-format on

struct Actions;

struct ActionSpec {
    const char* name;
    const char* text; // UTF-8
    QKeySequence shortcut;
    QKeySequence secondary;
    bool checkable = false;
    QAction* Actions::*member = nullptr;
};

// The whole command table, in the list's order.
const QList<ActionSpec>& actionTable();

// The actions of one window, created from the table and added to `owner` so
// their shortcuts work wherever the focus is inside it. The object name of
// each is its command name.
struct Actions {
    explicit Actions(QWidget* owner);

#define KESTO_ACTION_MEMBER(name, ...) QAction* name = nullptr;
    KESTO_ACTIONS(KESTO_ACTION_MEMBER)
#undef KESTO_ACTION_MEMBER
};

} // namespace kesto
