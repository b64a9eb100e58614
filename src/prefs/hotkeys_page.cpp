#include "prefs/hotkeys_page.h"

#include "platform/x11_keysyms.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace kesto {

namespace {

QString u(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

int vkForQtKey(int key, Qt::KeyboardModifiers modifiers) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key; // the same numbers
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return (modifiers & Qt::KeypadModifier) ? 96 + (key - Qt::Key_0) : key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Print:
        return 44;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
        return 91;
    case Qt::Key_Super_R:
        return 92;
    case Qt::Key_Asterisk:
        return 106;
    case Qt::Key_Plus:
        return (modifiers & Qt::KeypadModifier) ? 107 : 187;
    case Qt::Key_Minus:
        return (modifiers & Qt::KeypadModifier) ? 109 : 189;
    case Qt::Key_Slash:
        return (modifiers & Qt::KeypadModifier) ? 111 : 191;
    case Qt::Key_NumLock:
        return 144;
    case Qt::Key_ScrollLock:
        return 145;
    case Qt::Key_Search:
        return 170;
    case Qt::Key_Favorites:
        return 171;
    case Qt::Key_HomePage:
        return 172;
    case Qt::Key_VolumeMute:
        return 173;
    case Qt::Key_VolumeDown:
        return 174;
    case Qt::Key_VolumeUp:
        return 175;
    case Qt::Key_MediaNext:
        return 176;
    case Qt::Key_MediaPrevious:
        return 177;
    case Qt::Key_MediaStop:
        return 178;
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaTogglePlayPause:
        return 179;
    case Qt::Key_Semicolon:
        return 186;
    case Qt::Key_Equal:
        return 187;
    case Qt::Key_Comma:
        return 188;
    case Qt::Key_Period:
        return 190;
    case Qt::Key_QuoteLeft:
        return 192;
    case Qt::Key_BracketLeft:
        return 219;
    case Qt::Key_Backslash:
        return 220;
    case Qt::Key_BracketRight:
        return 221;
    case Qt::Key_Apostrophe:
        return 222;
    default:
        return 0;
    }
}

} // namespace

int vkForKeyEvent(const QKeyEvent& event) {
    // On X the event carries the keysym, which knows the keypad from the
    // main keys whatever Num Lock says.
    if (const int vk = vkForKeysym(event.nativeVirtualKey()))
        return vk;
    return vkForQtKey(event.key(), event.modifiers());
}

HotkeysPage::HotkeysPage(QGroupBox* group, Settings& settings)
    : QObject(group), settings_(settings) {
    Label1 = new QLabel(QString::fromUtf8("功能"), group);
    Label12 = new QLabel(QString::fromUtf8("快捷键"), group);
    ListBox1 = new QTreeWidget(group);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setColumnCount(2);
    ListBox1->setHeaderHidden(true);
    ListBox1->setRootIsDecorated(false);
    ListBox1->setItemsExpandable(false);
    ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox1->header()->setStretchLastSection(true);
    ListBox1->setColumnWidth(0, 120);
    ListBox1->setToolTip(
        QString::fromUtf8("全局热键使 Kesto 在没有操作时仍然可以通过键盘快捷键操作。\n"
                          "选择唯一的组合键，覆盖应用程序之前已存在的快捷键。\n"
                          "如果您遇到问题，请禁止其他软件调用此快捷键。"));
    Label2 = new QLabel(QString::fromUtf8("快捷键"), group);
    Edit1 = new QLineEdit(group);
    Edit1->setObjectName("Edit1");
    Edit1->setToolTip(QString::fromUtf8("按下您想要的键。"));
    Edit1->installEventFilter(this);
    Button9 = new QPushButton(QString::fromUtf8("设置"), group);
    Button9->setObjectName("Button9");
    LabelNoGrabs = new QLabel(
        QString::fromUtf8("此桌面不接受全局热键；设置会保存，在 X11 桌面上生效。"), group);
    LabelNoGrabs->setWordWrap(true);
    LabelNoGrabs->hide();

    connect(ListBox1, &QTreeWidget::currentItemChanged, this, [this] { showSelected(); });
    connect(Button9, &QPushButton::clicked, this, [this] {
        const int function = ListBox1->indexOfTopLevelItem(ListBox1->currentItem());
        assignHotkey(settings_, function, capture_);
        refill();
        if (function >= 0)
            ListBox1->setCurrentItem(ListBox1->topLevelItem(function));
    });

    auto* layout = new QGridLayout(group);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(Label12, 0, 1);
    layout->addWidget(ListBox1, 1, 0, 1, 2);
    layout->addWidget(LabelNoGrabs, 2, 0, 1, 2);
    layout->addWidget(Label2, 3, 0, 1, 2);
    layout->addWidget(Edit1, 4, 0);
    layout->addWidget(Button9, 4, 1, Qt::AlignLeft);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 1);
}

void HotkeysPage::fill(bool grabsWork) {
    LabelNoGrabs->setVisible(!grabsWork);
    refill();
}

void HotkeysPage::refill() {
    ListBox1->clear();
    for (int n = 0; n < kHotkeyCount; ++n) {
        const std::string line = hotkeyLine(settings_, n);
        const std::size_t tab = line.find('\t');
        auto* item = new QTreeWidgetItem(
            QStringList{u(line.substr(0, tab)),
                        tab == std::string::npos ? QString() : u(line.substr(tab + 2))});
        ListBox1->addTopLevelItem(item);
    }
}

void HotkeysPage::showSelected() {
    const int function = ListBox1->indexOfTopLevelItem(ListBox1->currentItem());
    const std::optional<Hotkey> stored =
        function >= 0 ? storedHotkey(settings_, function) : std::nullopt;
    Edit1->setText(stored ? u(HotkeyText(*stored)) : QString());
}

bool HotkeysPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::ShortcutOverride) {
        event->accept(); // every key comes to the field as a press, none as a shortcut
        return true;
    }
    if (watched != Edit1 || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<const QKeyEvent*>(event);
    const Qt::KeyboardModifiers m = key->modifiers();
    capture_ = captureKey(m & Qt::MetaModifier, m & Qt::ControlModifier, m & Qt::AltModifier,
                          m & Qt::ShiftModifier, vkForKeyEvent(*key));
    // The Windows key itself shows as held, as the modifier it is.
    if (capture_.vk == 91 || capture_.vk == 92)
        capture_.win = true;
    Edit1->setText(capture_.vk == 0 ? QString() : u(HotkeyText(capture_)));
    return true; // nothing is ever typed into the field
}

} // namespace kesto
