#include "playlist/find_form.h"

#include "player/player.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace kesto {

namespace {

constexpr int kGap = 8;
constexpr int kListBelowEdit = 4;
constexpr int kListAboveButtons = 6;

} // namespace

FindResultsModel::FindResultsModel(const Player& player, QObject* parent)
    : QAbstractListModel(parent), player_(player) {}

int FindResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(map_.size());
}

QVariant FindResultsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return QString::fromStdString(
        findRowText(player_.playlist, map_[static_cast<std::size_t>(index.row())], view_));
}

void FindResultsModel::setRows(std::vector<int> map) {
    beginResetModel();
    map_ = std::move(map);
    endResetModel();
}

void FindResultsModel::setView(FindView view) {
    view_ = view;
    if (!map_.empty())
        Q_EMIT dataChanged(index(0), index(rowCount() - 1), {Qt::DisplayRole});
}

TFind_Form::TFind_Form(Player& player, QWidget* parent) : QDialog(parent), player_(player) {
    setWindowTitle(QStringLiteral("在当前列表中查找文件"));
    QFont own = font();
    own.setPointSize(8);
    setFont(own);
    setSizeGripEnabled(true);

    Edit1 = new QLineEdit(this);
    Edit1->installEventFilter(this);
    model_ = new FindResultsModel(player_, this);
    ListBox1 = new QListView(this);
    // Every row is one line of one font: the view never measures the rows
    // it does not show, which is what keeps a long list fast.
    ListBox1->setUniformItemSizes(true);
    ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setTextElideMode(Qt::ElideNone);
    ListBox1->setModel(model_);
    ListBox1->installEventFilter(this);
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    Button1 = new QPushButton(QStringLiteral("确定(&O)"), this);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("取消(&C)"), this);

    const auto makeAction = [this](const QString& text, const QKeySequence& key) {
        auto* action = new QAction(text, this);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
        return action;
    };
    PlayItem = makeAction(QStringLiteral("播放对象(&P)"), QKeySequence(Qt::Key_Return));
    PlayItem->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    QueueAc = makeAction(QStringLiteral("队列对象(&Q)"), QKeySequence(Qt::Key_Insert));
    // The ` key is typed into the field, so the field's own key handling runs
    // the jump; the shortcut here only shows the key in the menu.
    JumpItem = makeAction(QStringLiteral("在列表中选择对象"), QKeySequence(Qt::Key_QuoteLeft));
    Action1 = makeAction(QStringLiteral("切换查看(&V)"), QKeySequence(Qt::Key_F8));
    PopupMenu1 = new QMenu(this);
    PopupMenu1->addAction(PlayItem);
    PopupMenu1->addAction(QueueAc);
    PopupMenu1->addAction(JumpItem);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(Action1);

    connect(Edit1, &QLineEdit::textChanged, this, &TFind_Form::FilterResults);
    connect(Button1, &QPushButton::clicked, this, [this] { play(QDialog::Accepted); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListBox1, &QListView::doubleClicked, this, [this] { play(QDialog::Accepted); });
    connect(ListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(pos));
    });
    connect(PlayItem, &QAction::triggered, this, [this] { play(QDialog::Rejected); });
    connect(QueueAc, &QAction::triggered, this, &TFind_Form::queue);
    connect(JumpItem, &QAction::triggered, this, &TFind_Form::jump);
    connect(Action1, &QAction::triggered, this, &TFind_Form::switchView);
    resize(432, 365);
}

void TFind_Form::setListLook(const QFont& font, const QColor& background, const QColor& ink) {
    for (QWidget* w : {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(ListBox1)}) {
        w->setFont(font);
        QPalette p = w->palette();
        p.setColor(QPalette::Base, background);
        p.setColor(QPalette::Text, ink);
        w->setPalette(p);
    }
}

void TFind_Form::OpenFind(const std::string& text) {
    if (isVisible())
        return;
    model_->setView(FindView::FileName);
    if (player_.playlist.PlaylistEntries.size() < 2)
        return;
    const QString seed = QString::fromStdString(text);
    {
        // One filtering for the seed, whether or not the field changes.
        const QSignalBlocker quiet(Edit1);
        Edit1->setText(seed);
    }
    lastText_.clear();
    FilterResults(seed);
    exec();
}

void TFind_Form::FilterResults(const QString& text) {
    const std::string typed = text.toStdString();
    const std::vector<std::string>& entries = player_.playlist.PlaylistEntries;
    // Typing on narrows the last result: only its rows can match.
    std::vector<int> rows = textNarrows(lastText_, typed)
                                ? refineResults(entries, model_->map(), typed)
                                : kesto::FilterResults(entries, typed);
    lastText_ = typed;
    model_->setRows(std::move(rows));
    if (model_->rowCount() > 0)
        focusRow(0);
}

int TFind_Form::focusedRow() const {
    const QModelIndex current = ListBox1->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TFind_Form::focusRow(int row) {
    const QModelIndex index = model_->index(row);
    ListBox1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    ListBox1->scrollTo(index);
}

int TFind_Form::chosenEntry() const {
    const int row = focusedRow();
    const std::vector<int>& map = model_->map();
    if (row < 0 || static_cast<std::size_t>(row) >= map.size())
        return -1;
    return map[static_cast<std::size_t>(row)];
}

void TFind_Form::play(int closeWith) {
    const int entry = chosenEntry();
    if (entry < 0)
        return;
    findPlay(player_, entry);
    done(closeWith);
}

void TFind_Form::queue() {
    const int entry = chosenEntry();
    if (entry < 0)
        return;
    findQueue(player_, entry);
    done(QDialog::Rejected);
    findQueueDone(player_);
}

void TFind_Form::jump() {
    const int entry = chosenEntry();
    if (entry < 0)
        return;
    findJump(player_, entry);
    done(QDialog::Rejected);
}

void TFind_Form::switchView() {
    const int focused = focusedRow();
    const int top = ListBox1->indexAt(QPoint(1, 1)).row();
    model_->setView(nextFindView(model_->view()));
    if (top >= 0)
        ListBox1->scrollTo(model_->index(top), QAbstractItemView::PositionAtTop);
    if (focused >= 0)
        ListBox1->selectionModel()->setCurrentIndex(model_->index(focused),
                                                    QItemSelectionModel::ClearAndSelect);
}

bool TFind_Form::editKey(QKeyEvent* event) {
    FindKey key;
    switch (event->key()) {
    case Qt::Key_Up:
        key = FindKey::Up;
        break;
    case Qt::Key_Down:
        key = FindKey::Down;
        break;
    case Qt::Key_PageUp:
        key = FindKey::PageUp;
        break;
    case Qt::Key_PageDown:
        key = FindKey::PageDown;
        break;
    case Qt::Key_QuoteLeft:
        if (event->modifiers() & ~Qt::KeypadModifier)
            return false;
        jump();
        return true;
    default:
        return false;
    }
    const int rows = model_->rowCount();
    if (rows == 0 || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return true;
    const int itemHeight = std::max(ListBox1->sizeHintForRow(0), 1);
    const int page = ListBox1->viewport()->height() / itemHeight;
    const int top = std::max(ListBox1->indexAt(QPoint(1, 1)).row(), 0);
    focusRow(findKeyRow(key, std::max(focusedRow(), 0), top, page, rows));
    return true;
}

bool TFind_Form::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == Edit1)
        return editKey(key);
    if (watched == ListBox1) {
        // Typing in the list types into the field.
        Edit1->setFocus();
        QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(),
                       static_cast<ushort>(key->count()));
        QApplication::sendEvent(Edit1, &copy);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFind_Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const bool large = ListBox1->font().pointSize() > 10;
    if (large) {
        const QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen();
        const QRect area = screen->availableGeometry();
        resize(area.width() - 100, area.height() - 100);
    } else {
        resize(432, 365);
    }
    placeControls();
    Edit1->setFocus();
    // After the window's own first focus, which may select the whole text:
    // the caret after the typed letter, so the next key types on.
    QTimer::singleShot(0, this, [this] {
        Edit1->deselect();
        Edit1->setCursorPosition(static_cast<int>(Edit1->text().size()));
    });
}

void TFind_Form::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeControls();
}

void TFind_Form::placeControls() {
    const int w = width();
    const int h = height();
    const int editHeight = Edit1->sizeHint().height();
    Edit1->setGeometry(kGap, kGap, w - 2 * kGap, editHeight);
    const QSize button = Button1->sizeHint().expandedTo(Button2->sizeHint()).expandedTo({75, 0});
    const int buttonTop = h - kGap - button.height();
    Button2->setGeometry(w - kGap - button.width(), buttonTop, button.width(), button.height());
    Button1->setGeometry(w - 2 * kGap - 2 * button.width(), buttonTop, button.width(),
                         button.height());
    const int listTop = kGap + editHeight + kListBelowEdit;
    ListBox1->setGeometry(kGap, listTop, w - 2 * kGap,
                          std::max(buttonTop - kListAboveButtons - listTop, 0));
}

void TFind_Form::done(int result) {
    model_->setRows({});
    lastText_.clear();
    QDialog::done(result);
}

} // namespace kesto
