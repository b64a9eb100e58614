#include "app/app_actions.h"

#include <QAction>
#include <QWidget>

namespace kesto {

namespace {

QKeySequence key(QKeyCombination k) {
    return QKeySequence(k);
}

} // namespace

const QList<ActionSpec>& actionTable() {
    using Qt::ALT;
    using Qt::CTRL;
    using Qt::SHIFT;
    static const QList<ActionSpec> table = {
        {"OpenFileAc", "添加文件(&F)...", key(CTRL | Qt::Key_L), {}},
        {"OpenDirAc", "打开文件夹(&O)...", key(Qt::Key_F4), {}},
        {"AddDirAc", "添加文件夹(&A)...", key(Qt::Key_F3), {}},
        {"EscAc", "退出(&E)", key(Qt::Key_Escape), {}},
        {"PreferencesAc", "设置(&S)...", key(Qt::Key_F6), {}},
        {"ExplorerExe", "浏览应用程序所在的文件夹(&E)", key(CTRL | ALT | Qt::Key_E), {}},
        {"ExplorerFile", "浏览(&E)...", key(CTRL | Qt::Key_E), {}},
        {"ViewFormatPathAc", "切换查看方式(&T)", key(Qt::Key_F8), {}},
        {"NextAc", "下一首(&N)", key(Qt::Key_Tab), {}},
        {"PrevAc", "上一首(&P)", key(SHIFT | Qt::Key_Backtab), {}},
        {"TerugspoelenAc", "重绕总计", key(Qt::Key_Backspace), {}},
        {"PlayModeToggleAc", "切换播放方式(&T)", key(Qt::Key_F9), {}},
        {"SavePlaylistAc", "保存播放列表(&S)...", key(CTRL | Qt::Key_S), {}},
        {"LoadPlayListAc", "打开播放列表(&O)...", key(CTRL | Qt::Key_O), {}},
        {"PlayAc", "播放(&P)", key(Qt::Key_Return), key(Qt::Key_Enter)},
        {"StopAc", "停止(&S)", key(Qt::Key_0), {}},
        {"PauseAc", "暂停(&U)", key(Qt::Key_Space), {}},
        {"AboutAc", "关于(&A)...", {}, {}},
        {"MinimizeAc", "最小化到托盘(&M)", key(Qt::Key_F11), {}},
        {"MaximizeAc", "MaximizeAc", key(Qt::Key_F12), {}},
        {"FileInfoAc", "属性(&P)...", key(Qt::Key_F2), {}},
        {"ShortcutsAc", "快捷键...", key(Qt::Key_F1), {}},
        {"FindAc", "查找(&F)...", key(CTRL | Qt::Key_F), {}},
        {"ResetMixerAc", "重置声卡驱动混音器", key(CTRL | Qt::Key_Space), {}},
        {"View1Ac", "查看文件名(&F)", {}, {}, true},
        {"View2Ac", "查看完整路径(&P)", {}, {}, true},
        {"View3Ac", "查看相对路径(&R)", {}, {}, true},
        {"ModeAc1", "循环列表(&R)", {}, {}, true},
        {"ModeAc2", "循环文件(&R)", {}, {}, true},
        {"ModeAc3", "播放列表(&P)", {}, {}, true},
        {"ModeAc4", "播放文件(&P)", {}, {}, true},
        {"ModeAc5", "随机播放(&S)", {}, {}, true},
        {"RefreshAc", "检查文件更新", key(Qt::Key_F5), {}},
        {"QueuAc", "队列(&Q)", key(Qt::Key_Insert), key(Qt::Key_Period)},
        {"RealDelAc", "删除(&D)...", key(SHIFT | Qt::Key_Delete), {}},
        {"CropAc", "仅保留选定或队列的对象(&C)", key(CTRL | Qt::Key_Delete), {}},
        {"DeleteAc", "移除(&R)", key(Qt::Key_Delete), {}},
        {"TotalTimeAc", "选定对象的播放长度...", key(CTRL | ALT | Qt::Key_T), {}},
        {"SleepTimerAc", "休眠定时器(&T)...", key(ALT | Qt::Key_T), {}},
        {"DocAc", "文档(&D)...", key(CTRL | Qt::Key_F1), {}},
        {"FavoritesAddAc", "添加播放列表到收藏夹(&A)...", key(CTRL | Qt::Key_D), {}},
        {"FavoritesOrganize", "整理收藏夹(&O)...", key(CTRL | Qt::Key_B), {}},
        {"PropertiesAc", "属性...", key(ALT | Qt::Key_Return), {}},
        {"AddRadioAc", "添加 URL(&U)...", key(CTRL | Qt::Key_R), {}},
        {"CopyAc", "复制播放列表项(&C)", key(CTRL | Qt::Key_C), {}},
        {"CutAc", "剪切播放列表项(&T)", key(CTRL | Qt::Key_X), {}},
        {"PastAc", "粘贴播放列表项(&P)", key(CTRL | Qt::Key_V), {}},
        {"ListEntryAc", "编辑播放列表项(&E)...", key(SHIFT | Qt::Key_F2), {}},
        {"RecordStartAc", "录制(&R)", key(Qt::Key_J), {}},
        {"BrokenFilesAc", "从列表中移除缺少的文件(&M)", key(ALT | Qt::Key_Delete), {}},
        {"JumpAc", "选定正在播放的对象(&P)", key(Qt::Key_QuoteLeft), {}},
        {"ViewPlayBarAc", "控制栏", {}, {}, true},
        {"ViewProgressPanelAc", "进度条", {}, {}, true},
        {"ClearShuffleHistoryAc", "清除随机/队列历史记录(&C)", key(CTRL | SHIFT | Qt::Key_C), {}},
        {"NewListAc", "清除播放列表(&C)", key(CTRL | Qt::Key_N), {}},
        {"CopyPlAc", "", {}, {}},
        {"Level1Ac", "无电平指示器(&N)", {}, {}, true},
        {"Level2Ac", "&6个 LED 电平指示器", {}, {}, true},
        {"Level3Ac", "&14个 LED 电平指示器", {}, {}, true},
        {"VUToggleAc", "切换(&T)", {}, {}},
    };
    return table;
}

ActionList::ActionList(QWidget* owner) {
    for (const ActionSpec& row : actionTable()) {
        auto* a = new QAction(QString::fromUtf8(row.text), owner);
        a->setObjectName(QString::fromLatin1(row.name));
        QList<QKeySequence> keys;
        if (!row.shortcut.isEmpty())
            keys << row.shortcut;
        if (!row.secondary.isEmpty())
            keys << row.secondary;
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setCheckable(row.checkable);
        owner->addAction(a);
        actions_.insert(QString::fromLatin1(row.name), a);
    }
}

QAction* ActionList::operator[](const char* name) const {
    QAction* a = actions_.value(QString::fromLatin1(name));
    Q_ASSERT_X(a, "ActionList", name);
    return a;
}

} // namespace kesto
