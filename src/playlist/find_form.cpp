#include "playlist/find_form.h"

#include "controls/gorse_listbox.h"
#include "player/player.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace kesto {

namespace {

constexpr int kGap = 8;
constexpr int kListBelowEdit = 4;
constexpr int kListAboveButtons = 6;

} // namespace

TFind_Form::TFind_Form(Player& player, QWidget* parent) : QDialog(parent), player_(player) {
    setWindowTitle(QStringLiteral("在当前列表中查找文件"));
    QFont own = font();
    own.setPointSize(8);
    setFont(own);
    setSizeGripEnabled(true);

    Edit1 = new QLineEdit(this);
    Edit1->installEventFilter(this);
    ListBox1 = new TGorseListbox(this);
    ListBox1->setDrawItem(
        [this](QPainter& p, int row, const QRect& r, TGorseListbox::LineState state) {
            drawRow(p, row, r, state.selected);
        });
    ListBox1->installEventFilter(this);
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    ink_ = palette().color(QPalette::Text);
    ListBox1->setBackground(palette().color(QPalette::Base));
    ListBox1->setItemHeight(ListBox1->fontMetrics().height() + 1);
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
    connect(ListBox1, &TGorseListbox::lineDoubleClicked, this, [this] { play(QDialog::Accepted); });
    connect(ListBox1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(ListBox1->mapToGlobal(pos)); });
    connect(PlayItem, &QAction::triggered, this, [this] { play(QDialog::Rejected); });
    connect(QueueAc, &QAction::triggered, this, &TFind_Form::queue);
    connect(JumpItem, &QAction::triggered, this, &TFind_Form::jump);
    connect(Action1, &QAction::triggered, this, &TFind_Form::switchView);
    resize(432, 365);
}

void TFind_Form::setListLook(const QFont& font, const QColor& background, const QColor& ink) {
    Edit1->setFont(font);
    QPalette p = Edit1->palette();
    p.setColor(QPalette::Base, background);
    p.setColor(QPalette::Text, ink);
    Edit1->setPalette(p);
    ListBox1->setFont(font);
    ListBox1->setBackground(background);
    ListBox1->setItemHeight(QFontMetrics(font, ListBox1).height() + 1);
    ink_ = ink;
}

void TFind_Form::drawRow(QPainter& painter, int row, const QRect& rect, bool selected) {
    const QPalette& colours = palette();
    painter.fillRect(rect, selected ? colours.color(QPalette::Highlight) : ListBox1->background());
    painter.setPen(selected ? colours.color(QPalette::HighlightedText) : ink_);
    painter.drawText(rect.adjusted(2, 0, -2, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, rowText(row));
}

QString TFind_Form::rowText(int row) const {
    if (row < 0 || row >= rowCount())
        return {};
    return QString::fromStdString(
        findRowText(player_.playlist, map_[static_cast<std::size_t>(row)], view_));
}

void TFind_Form::setRows(std::vector<int> map) {
    map_ = std::move(map);
    ListBox1->setCount(rowCount());
}

void TFind_Form::OpenFind(const std::string& text) {
    if (isVisible())
        return;
    view_ = FindView::FileName;
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
    std::vector<int> rows = textNarrows(lastText_, typed) ? refineResults(entries, map_, typed)
                                                          : kesto::FilterResults(entries, typed);
    lastText_ = typed;
    setRows(std::move(rows));
    if (rowCount() > 0)
        focusRow(0);
}

int TFind_Form::focusedRow() const {
    return ListBox1->focusedIndex();
}

void TFind_Form::focusRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    ListBox1->clearSelection();
    ListBox1->setSelected(row, true);
    ListBox1->setFocusedIndex(row);
    const int top = ListBox1->topIndex();
    const int visible = std::max(ListBox1->visibleRows(), 1);
    if (row < top)
        ListBox1->setTopIndex(row);
    else if (row >= top + visible)
        ListBox1->setTopIndex(row - visible + 1);
}

int TFind_Form::chosenEntry() const {
    const int row = focusedRow();
    if (row < 0 || row >= rowCount())
        return -1;
    return map_[static_cast<std::size_t>(row)];
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
    // The same rows, focus and top row, in other words.
    view_ = nextFindView(view_);
    ListBox1->repaintLines();
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
    const int rows = rowCount();
    if (rows == 0 || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return true;
    const int page = ListBox1->viewport()->height() / ListBox1->itemHeight();
    focusRow(findKeyRow(key, std::max(focusedRow(), 0), ListBox1->topIndex(), page, rows));
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
    setRows({});
    lastText_.clear();
    QDialog::done(result);
}

} // namespace kesto
