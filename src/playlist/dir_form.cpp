#include "playlist/dir_form.h"

#include "player/player.h"
#include "player/settings_startup.h"
#include "playlist/dir_icons.h"
#include "playlist/folder_scan.h"
#include "playlist/folder_tree.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace kesto {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kPlaceholderRole = Qt::UserRole + 1;
// The placeholders that give a node its expand button before it is opened.
constexpr const char* kRootPlaceholder = "****";
constexpr const char* kFolderPlaceholder = "-";
constexpr const char* kQuickCaption = "添加到播放列表";

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

void addPlaceholder(QTreeWidgetItem* node, const char* text) {
    auto* child = new QTreeWidgetItem(node, QStringList(QString::fromUtf8(text)));
    child->setData(0, kPlaceholderRole, true);
}

bool isPlaceholder(const QTreeWidgetItem* node) {
    return node && node->data(0, kPlaceholderRole).toBool();
}

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

TDir_Form::TDir_Form(Player& player, QWidget* parent) : QDialog(parent), player_(player) {
    openFolder = [](const QString& folder) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    };

    ComboBox1 = new QComboBox(this);
    ComboBox1->setToolTip(
        QStringLiteral("要加速和访问您的网络，您可以将想要起始浏览的文件夹设为根目录"
                       "，\n主菜单 > 选项 > 设置"));
    ComboBox1->installEventFilter(this);
    TreeView1 = new QTreeWidget(this);
    TreeView1->setHeaderHidden(true);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    CheckSubDirs = new QCheckBox(QStringLiteral("包含子目录(&S)"), this);
    CheckSubDirs->setChecked(true);
    OkButton = new QPushButton(QStringLiteral("确定(&O)"), this);
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("取消(&C)"), this);

    const auto makeAction = [this](const QString& text, const QList<QKeySequence>& keys) {
        auto* action = new QAction(text, this);
        action->setShortcuts(keys);
        addAction(action);
        return action;
    };
    OpenItem = new QAction(QStringLiteral("打开(&O)"), this);
    QFont bold = OpenItem->font();
    bold.setBold(true);
    OpenItem->setFont(bold);
    F5Ac = makeAction(QStringLiteral("刷新(&R)"), {QKeySequence(Qt::Key_F5)});
    DroplistAc =
        makeAction(QStringLiteral("拖放列表(&D)"), {QKeySequence(Qt::CTRL | Qt::Key_Return),
                                                    QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    ExplorerAc = makeAction(QStringLiteral("浏览(&E)..."), {QKeySequence(Qt::CTRL | Qt::Key_E)});
    QuickAc = makeAction(QStringLiteral("添加(&A)"), {QKeySequence(Qt::Key_Insert)});
    maxac = makeAction(QString(), {QKeySequence(Qt::Key_F12)});
    QuickButton = new QToolButton(this);
    QuickButton->setDefaultAction(QuickAc);
    QuickButton->setToolButtonStyle(Qt::ToolButtonTextOnly);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->addAction(OpenItem);
    PopupMenu1->setDefaultAction(OpenItem);
    PopupMenu1->addAction(QuickAc);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(F5Ac);
    PopupMenu1->addAction(ExplorerAc);
    PopupMenu1->addAction(DroplistAc);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ComboBox1);
    layout->addWidget(TreeView1, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(CheckSubDirs);
    row->addStretch(1);
    row->addWidget(QuickButton);
    row->addWidget(OkButton);
    row->addWidget(CancelButton);
    layout->addLayout(row);

    connect(OkButton, &QPushButton::clicked, this, &TDir_Form::okClicked);
    connect(OpenItem, &QAction::triggered, this, &TDir_Form::okClicked);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(F5Ac, &QAction::triggered, this, &TDir_Form::refresh);
    connect(DroplistAc, &QAction::triggered, this, [this] {
        ComboBox1->setFocus();
        ComboBox1->showPopup();
    });
    connect(ExplorerAc, &QAction::triggered, this, &TDir_Form::explore);
    connect(QuickAc, &QAction::triggered, this, &TDir_Form::quickAdd);
    connect(maxac, &QAction::triggered, this,
            [this] { isMaximized() ? showNormal() : showMaximized(); });
    connect(ComboBox1, &QComboBox::activated, this, &TDir_Form::changeRoot);
    connect(TreeView1, &QTreeWidget::itemExpanded, this, &TDir_Form::listChildren);
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current && !isPlaceholder(current))
            browserFolder_ = nodePath(current);
    });
    connect(TreeView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QTreeWidgetItem* node = TreeView1->itemAt(pos))
            TreeView1->setCurrentItem(node);
        PopupMenu1->popup(TreeView1->viewport()->mapToGlobal(pos));
    });

    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int screenHeight = screen ? screen->geometry().height() : 768;
    resize(395, screenHeight - screenHeight / 5);

    Settings& settings = player_.settings;
    rootChoice_ = settings.readString("DirBox", "LastOpenedDrive", "");
    browserFolder_ = settings.readString("DirBox", "LastOpenedDir", "");
    fillRootList();
    prepare();
}

std::string TDir_Form::nodePath(const QTreeWidgetItem* node) const {
    if (!node || isPlaceholder(node))
        return {};
    return node->data(0, kPathRole).toString().toStdString();
}

void TDir_Form::fillRootList() {
    ComboBox1->clear();
    ComboBox1->addItem(QString::fromUtf8(kAllDrives));
    for (const std::string& folder : loadRootMedia(player_.settings))
        ComboBox1->addItem(qs(folder));
}

int TDir_Form::rootListIndex(const std::string& folder) const {
    const std::string wanted = withTrailingSlash(folder);
    for (int i = 1; i < ComboBox1->count(); ++i)
        if (withTrailingSlash(ComboBox1->itemText(i).toStdString()) == wanted)
            return i;
    return 0;
}

void TDir_Form::reloadRootMedia() {
    rootChoice_ = player_.settings.readString("DirBox", "LastOpenedDrive", "");
    fillRootList();
    TreeView1->clear();
    prepare();
}

std::optional<FolderChoice> TDir_Form::chooseFolder(DirFormMode mode) {
    mode_ = mode;
    setWindowTitle(mode == DirFormMode::OpenFolder ? QStringLiteral("打开一个有音乐文件的文件夹")
                                                   : QStringLiteral("添加一个有音乐文件的文件夹"));
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    const std::string folder = nodePath(TreeView1->currentItem());
    if (folder.empty())
        return std::nullopt;
    return FolderChoice{folder, CheckSubDirs->isChecked()};
}

void TDir_Form::showEvent(QShowEvent* event) {
    quickAdded_ = false;
    okCancels_ = false;
    QuickAc->setText(QString::fromUtf8(kQuickCaption));
    prepare();
    TreeView1->setFocus();
    QDialog::showEvent(event);
}

void TDir_Form::done(int result) {
    // While a quick add scans, closing would leave the scan running behind a
    // closed window: Esc asks it to stop instead, as in the main window.
    if (player_.playlist.ListBusy) {
        player_.playlist.CancelRequested = true;
        return;
    }
    Settings& settings = player_.settings;
    settings.writeString("DirBox", "LastOpenedDir", browserFolder_);
    settings.writeString("DirBox", "LastOpenedDrive", rootChoice_);
    QDialog::done(result);
}

bool TDir_Form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ComboBox1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const Qt::KeyboardModifiers mods = static_cast<QKeyEvent*>(event)->modifiers();
        if ((key == Qt::Key_Up || key == Qt::Key_Down) && mods == Qt::NoModifier) {
            ComboBox1->showPopup();
            return true;
        }
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::NoModifier) {
            changeRoot();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TDir_Form::prepare() {
    busy_ = false;
    if (!isExistingFolder(rootChoice_))
        rootChoice_ = kAllDrives;
    if (TreeView1->topLevelItemCount() != 0)
        return;
    ComboBox1->setCurrentIndex(rootListIndex(rootChoice_));
    buildRoots();
    selectFolder(browserFolder_);
}

void TDir_Form::buildRoots() {
    TreeView1->clear();
    mounts_ = readMounts ? readMounts() : std::vector<MountPoint>();
    if (ComboBox1->currentIndex() > 0) {
        const std::string folder = withTrailingSlash(ComboBox1->currentText().toStdString());
        auto* root = new QTreeWidgetItem(TreeView1, QStringList(qs(folder)));
        root->setData(0, kPathRole, qs(folder));
        root->setIcon(0, dirIcon(DirIcon::Drive));
        addPlaceholder(root, kRootPlaceholder);
        TreeView1->setRootIsDecorated(false);
        root->setExpanded(true);
        return;
    }
    TreeView1->setRootIsDecorated(true);
    for (const MountPoint& mount : driveRoots(mounts_)) {
        const std::string folder = withTrailingSlash(mount.path);
        auto* root = new QTreeWidgetItem(TreeView1, QStringList(qs(folder)));
        root->setData(0, kPathRole, qs(folder));
        root->setIcon(
            0, dirIcon(mount.kind == MountKind::Optical ? DirIcon::Optical : DirIcon::Drive));
        addPlaceholder(root, kRootPlaceholder);
    }
}

void TDir_Form::listChildren(QTreeWidgetItem* node) {
    const std::string folder = nodePath(node);
    if (folder.empty())
        return;
    BusyCursor busy;
    const std::vector<std::string> names = listSubFolders(folder);
    for (QTreeWidgetItem* old : node->takeChildren())
        delete old;
    const QIcon icon = dirIcon(DirIcon::Folder);
    for (const std::string& name : names) {
        const std::string path = folder + name + "/";
        auto* child = new QTreeWidgetItem(node, QStringList(qs(name)));
        child->setData(0, kPathRole, qs(path));
        child->setIcon(0, icon);
        // A share is not looked into before it is opened: that could take
        // seconds per folder. It always gets its expand button.
        if (isOnNetworkMount(path, mounts_) || hasSubFolder(path))
            addPlaceholder(child, kFolderPlaceholder);
    }
}

void TDir_Form::selectFolder(std::string pathIn) {
    if (TreeView1->topLevelItemCount() == 0)
        return;
    TreeView1->setCurrentItem(TreeView1->topLevelItem(0));
    const std::string path = withTrailingSlash(pathIn);
    if (!isExistingFolder(path))
        return;
    std::vector<std::string> rootTexts;
    for (int i = 0; i < TreeView1->topLevelItemCount(); ++i)
        rootTexts.push_back(nodePath(TreeView1->topLevelItem(i)));
    const TreeRoute route = routeToFolder(path, rootTexts);
    if (route.root < 0)
        return;
    QTreeWidgetItem* node = TreeView1->topLevelItem(route.root);
    TreeView1->setCurrentItem(node);
    for (const std::string& name : route.names) {
        if (!node->isExpanded())
            node->setExpanded(true); // lists the real children
        QTreeWidgetItem* next = nullptr;
        const QString text = qs(name);
        for (int i = 0; i < node->childCount() && !next; ++i) {
            QTreeWidgetItem* child = node->child(i);
            if (!isPlaceholder(child) && child->text(0) == text)
                next = child;
        }
        if (!next)
            break;
        node = next;
        TreeView1->setCurrentItem(node);
    }
    node->setExpanded(true);
    TreeView1->scrollToItem(node);
}

void TDir_Form::changeRoot() {
    const int index = ComboBox1->currentIndex();
    const std::string text = ComboBox1->currentText().toStdString();
    if (index > 0 && !isExistingFolder(text)) {
        player_.view.ShowMessageKind(MessageKind::Warning, text + " 不存在或无法被打开。");
        // The list goes back to the root the tree still shows.
        ComboBox1->setCurrentIndex(rootListIndex(rootChoice_));
        return;
    }
    TreeView1->setUpdatesEnabled(false);
    rootChoice_ = index > 0 ? text : std::string(kAllDrives);
    buildRoots();
    if (TreeView1->topLevelItemCount() > 0)
        TreeView1->setCurrentItem(TreeView1->topLevelItem(0));
    TreeView1->setFocus();
    TreeView1->setUpdatesEnabled(true);
}

void TDir_Form::okClicked() {
    // After a quick add the folder is in the playlist already.
    if (okCancels_)
        reject();
    else
        accept();
}

void TDir_Form::refresh() {
    if (busy_)
        return;
    busy_ = true;
    const std::string path = nodePath(TreeView1->currentItem());
    TreeView1->setUpdatesEnabled(false);
    buildRoots();
    selectFolder(path);
    TreeView1->setUpdatesEnabled(true);
    busy_ = false;
}

void TDir_Form::quickAdd() {
    // The scan lets keys through; a second Insert must not start a second scan.
    if (player_.playlist.ListBusy)
        return;
    const std::string path = nodePath(TreeView1->currentItem());
    if (path.empty())
        return;
    const bool append = quickAdded_ || mode_ == DirFormMode::AddFolder;
    const FolderAddOutcome outcome =
        AddFolder(player_, path, !append, append, CheckSubDirs->isChecked());
    // Only a folder that went in counts: after a folder without music the next
    // quick add still replaces the list, and OK still adds.
    if (outcome != FolderAddOutcome::Added)
        return;
    quickAdded_ = true;
    okCancels_ = true;
    QuickAc->setText(QString::fromUtf8(kQuickCaption));
}

void TDir_Form::explore() {
    const std::string folder = ComboBox1->currentIndex() > 0 ? rootChoice_ : browserFolder_;
    if (!folder.empty() && openFolder)
        openFolder(qs(folder));
}

} // namespace kesto
