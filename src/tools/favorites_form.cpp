#include "tools/favorites_form.h"

#include "player/player.h"
#include "tools/input_form.h"

#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace kesto {

TFavorites_Form::TFavorites_Form(Player& player, QWidget* parent)
    : QDialog(parent), player_(player), folder_(favoritesFolder(player.paths)) {
    setWindowTitle(QStringLiteral("整理收藏夹"));
    QFont own = font();
    own.setPointSize(8);
    setFont(own);
    setSizeGripEnabled(true);

    ListBox1 = new QListWidget(this);
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // F2 renames through the question, not by editing the line in place.
    ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    const auto makeAction = [this](const QString& text, const QKeySequence& key) {
        auto* action = new QAction(text, this);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
        return action;
    };
    Action1 = makeAction(QStringLiteral("重命名(&R)"), QKeySequence(Qt::Key_F2));
    Action2 = makeAction(QStringLiteral("删除(&D)"), QKeySequence(Qt::Key_Delete));
    Action3 = makeAction(QStringLiteral("浏览(&E)..."), QKeySequence(Qt::CTRL | Qt::Key_E));
    Action4 = makeAction(QStringLiteral("刷新(&R)"), QKeySequence(Qt::Key_F5));
    PopupMenu1 = new QMenu(this);
    PopupMenu1->addActions({Action1, Action2});
    PopupMenu1->addSeparator();
    PopupMenu1->addActions({Action3, Action4});

    const auto button = [this](QAction* action) {
        auto* b = new QPushButton(action->text(), this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, action, &QAction::trigger);
        return b;
    };
    Button1 = button(Action1);
    Button2 = button(Action2);
    Button3 = button(Action3);
    Button4 = button(Action4);
    Button5 = new QPushButton(QStringLiteral("关闭(&C)"), this);
    Button5->setDefault(true);
    connect(Button5, &QPushButton::clicked, this, &QDialog::accept);
    Label2 = new QLabel(QStringLiteral("提示: 在标题前添加一个编号，可以手工排序。"), this);
    Label2->setWordWrap(true);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {Button1, Button2, Button3, Button4})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(Button5);
    auto* top = new QHBoxLayout;
    top->addWidget(ListBox1, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(Label2);
    resize(420, 300);

    input_ = new TInput_Form(this);
    askTitle = [this](const std::string& suggestion) -> std::optional<std::string> {
        QString text = QString::fromStdString(suggestion);
        if (!AskText(*input_, QStringLiteral("编辑播放列表标题"), QStringLiteral("Name"), text))
            return std::nullopt;
        return text.toStdString();
    };
    openFolder = [](const QString&) {
    };

    connect(ListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(pos));
    });
    connect(Action1, &QAction::triggered, this, &TFavorites_Form::rename);
    connect(Action2, &QAction::triggered, this, &TFavorites_Form::remove);
    connect(Action3, &QAction::triggered, this, &TFavorites_Form::explore);
    connect(Action4, &QAction::triggered, this, [this] { reload(0); });
}

TFavorites_Form::~TFavorites_Form() = default;

void TFavorites_Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    reload(0);
}

void TFavorites_Form::reload(int row) {
    files_ = FavoriteList(folder_);
    ListBox1->clear();
    for (const std::string& file : files_)
        ListBox1->addItem(QString::fromStdString(favoriteTitle(file)));
    ListBox1->setFocus();
    if (files_.empty())
        return;
    const int line = std::clamp(row, 0, static_cast<int>(files_.size()) - 1);
    ListBox1->setCurrentRow(line, QItemSelectionModel::ClearAndSelect);
}

void TFavorites_Form::rename() {
    const int row = ListBox1->currentRow();
    if (files_.empty() || row < 0 || static_cast<std::size_t>(row) >= files_.size())
        return;
    FavoriteRenameCommand(player_.view, folder_, files_[static_cast<std::size_t>(row)], askTitle);
    reload(row);
}

void TFavorites_Form::remove() {
    if (files_.empty())
        return;
    std::vector<std::string> chosen;
    for (int row = 0; row < ListBox1->count(); ++row)
        if (ListBox1->item(row)->isSelected() && static_cast<std::size_t>(row) < files_.size())
            chosen.push_back(files_[static_cast<std::size_t>(row)]);
    if (chosen.empty() || !player_.view.askYesNo("您确定想要删除选定的对象吗？"))
        return;
    deleteFavorites(chosen);
    reload(0);
}

void TFavorites_Form::explore() {
    QDir().mkpath(QString::fromStdString(folder_));
    openFolder(QString::fromStdString(folder_));
}

} // namespace kesto
