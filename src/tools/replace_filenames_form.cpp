#include "tools/replace_filenames_form.h"

#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"
#include "tools/replace_filenames.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace kesto {

std::string renamerHelpText() {
    return "Make a copy of a certain mp3 folder, to try before damaging your filenames.\r"
           "This can be a dangerous tool, think what will happen when searching for a "
           "character \"a\"\r"
           "and replace it with \"\" (nothing) on all your files. There's no way to undo that "
           "operation, so beware.\r"
           "\r"
           "It all depends on how you're organizing your albums. But here are two examples:\r"
           "\r"
           "1. If you want to remove a certain text part from a range of songs, search for the "
           "text and replace it with nothing.\r"
           "\r"
           "2. To add a certain text (prefix) to a range of songs, search for nothing and "
           "replace it with some text.\r"
           "\r"
           "Special codes (for replace field):\r"
           "[case] : This Make Every Title Like This.";
}

TReplaceFilenames_Form::TReplaceFilenames_Form(Player& player, QWidget* parent)
    : QDialog(parent), player_(player) {
    setWindowTitle(QStringLiteral("重命名多个文件"));
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    Label5 = new QLabel(QStringLiteral("如果您想要重命名整个专辑，那么该工具就非常有用。"), this);
    Label6 = new QLabel(QStringLiteral("并全部更改它们。"), this);
    Label8 = new QLabel(QStringLiteral("通过使用查找与替换中的字段，查找文件名的相似性"), this);
    for (QLabel* label : {Label5, Label6, Label8})
        label->setWordWrap(true);
    Label2 = new QLabel(QStringLiteral("查找文本:"), this);
    Edit1 = new QLineEdit(this);
    Label2->setBuddy(Edit1);
    Label3 = new QLabel(QStringLiteral("替换文本:"), this);
    Edit2 = new QLineEdit(this);
    Label3->setBuddy(Edit2);
    Label7 = new QLabel(QStringLiteral("预览:"), this);
    Memo2 = new QPlainTextEdit(this);
    Memo2->setReadOnly(true);
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Label7->setBuddy(Memo2);
    Button1 = new QPushButton(QStringLiteral("全部替换(&R)"), this);
    Button3 = new QPushButton(QStringLiteral("提示(&T)"), this);
    Button2 = new QPushButton(QStringLiteral("关闭(&C)"), this);
    // Close is the default button: Enter in a field never renames anything.
    Button1->setAutoDefault(false);
    Button3->setAutoDefault(false);
    Button2->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label5);
    layout->addWidget(Label6);
    layout->addWidget(Label8);
    layout->addSpacing(6);
    layout->addWidget(Label2);
    layout->addWidget(Edit1);
    layout->addWidget(Label3);
    layout->addWidget(Edit2);
    layout->addWidget(Label7);
    layout->addWidget(Memo2, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(Button1);
    row->addWidget(Button3);
    row->addStretch();
    row->addWidget(Button2);
    layout->addLayout(row);

    connect(Edit1, &QLineEdit::textChanged, this, [this] { ComputeNewNames(false); });
    connect(Edit2, &QLineEdit::textChanged, this, [this] { ComputeNewNames(false); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    resize(400, 420);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(screen->geometry().center().x() - width() / 2, area.top());
    }
}

void TReplaceFilenames_Form::captureTargets() {
    const auto& entries = player_.playlist.PlaylistEntries;
    lines_.clear();
    targets_.clear();
    for (const int line : player_.view.selectedLines()) {
        if (line >= 0 && line < static_cast<int>(entries.size())) {
            lines_.push_back(line);
            targets_.push_back(entries[static_cast<std::size_t>(line)]);
        }
    }
    const QSignalBlocker quiet(Edit1);
    if (used_ && !targets_.empty())
        Edit1->setText(
            QString::fromStdString(std::string(fileNamePart(EntryPath(targets_.front())))));
    else
        Edit1->clear();
    ComputeNewNames(false);
}

void TReplaceFilenames_Form::showForSelection() {
    captureTargets();
    Edit1->setFocus();
    exec();
}

void TReplaceFilenames_Form::ComputeNewNames(bool apply) {
    newPaths_ = newPathsFor(targets_, Edit1->text().toStdString(), Edit2->text().toStdString());
    QStringList preview;
    preview.reserve(static_cast<qsizetype>(newPaths_.size()));
    for (std::size_t i = 0; i < newPaths_.size(); ++i) {
        const std::size_t folder = folderPart(EntryPath(targets_[i])).size();
        preview << QString::fromStdString(newPaths_[i].substr(folder));
    }
    Memo2->setPlainText(preview.join(QLatin1Char('\n')));
    if (!apply)
        return;
    if (const int refused = firstRefusedName(targets_, newPaths_); refused >= 0) {
        const auto i = static_cast<std::size_t>(refused);
        player_.view.ShowMessageKind(MessageKind::Warning,
                                     refusedNameWarning(targets_[i], newPaths_[i]));
        return;
    }
    const int count = applyRenames(player_, lines_, targets_, newPaths_);
    RefreshListView(player_, true, true);
    player_.view.ShowMessageKind(MessageKind::Information, renamedCountMessage(count));
    captureTargets();
}

void TReplaceFilenames_Form::Button1Click() {
    used_ = true;
    if (newPaths_.size() > 100 &&
        !player_.view.askYesNo("您大约要重命名 > 100 个文件！\r\r要继续吗？"))
        return;
    if (player_.view.askYesNo(
            "将所有选定的文件重命名为预先设定的文件名吗？\r这是不可撤消的！\r\r要继续吗？"))
        ComputeNewNames(true);
}

void TReplaceFilenames_Form::Button3Click() {
    player_.view.ShowMessageKind(MessageKind::Information, renamerHelpText());
}

} // namespace kesto
