#include "tags/file_info_form.h"

#include "playback/output.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "tags/file_info.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kesto {

QString shownLines(const std::string& text) {
    QString lines = QString::fromStdString(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

TFileInfo_Form::TFileInfo_Form(Player& player, QWidget* parent) : QDialog(parent), player_(player) {
    setWindowTitle(QStringLiteral("重命名单个文件"));
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    Label1 = new QLabel(QStringLiteral("重命名文件:"), this);
    Edit1 = new QLineEdit(this);
    Label1->setBuddy(Edit1);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setFocusPolicy(Qt::ClickFocus);
    Button1 = new QPushButton(QStringLiteral("确定(&O)"), this);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("取消(&C)"), this);
    Button3 = new QPushButton(QStringLiteral("重命名(&R)"), this);
    Button3->setToolTip(QStringLiteral("从文件名移除 %20 或 _ 的多余空格。"));
    Button4 = new QPushButton(QStringLiteral("标签(&T)..."), this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);
    layout->addWidget(Memo1, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(Button3);
    row->addWidget(Button4);
    row->addStretch();
    row->addWidget(Button1);
    row->addWidget(Button2);
    layout->addLayout(row);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
}

void TFileInfo_Form::showEntry(int index) {
    const auto& entries = player_.playlist.PlaylistEntries;
    if (index < 0 || index >= static_cast<int>(entries.size()))
        return;
    index_ = index;
    entry_ = entries[static_cast<std::size_t>(index)];
    const std::string path(EntryPath(entry_));
    Edit1->setText(QString::fromStdString(std::string(fileNamePart(path))));
    Edit1->selectAll();
    const std::string separator = QLocale().groupSeparator().toStdString();
    Memo1->setPlainText(shownLines(fileInfoText(player_, entry_, separator)));
    Memo1->setTabStopDistance(QFontMetricsF(Memo1->font()).horizontalAdvance(QLatin1Char(' ')) * 8);
    Button4->setVisible(isMp3Path(path));
    // The text's five lines and a scroll bar for a long folder path.
    const QFontMetricsF metrics(Memo1->font());
    Memo1->setFixedHeight(static_cast<int>(metrics.lineSpacing() * 7) + 2 * Memo1->frameWidth());
    resize(400, sizeHint().height());
    Edit1->setFocus();
    exec();
}

void TFileInfo_Form::Button1Click() {
    const SingleRename result =
        renameEntryFile(player_, index_, entry_, Edit1->text().toStdString());
    if (result == SingleRename::NoExtension) {
        Edit1->setFocus();
        return;
    }
    accept();
}

void TFileInfo_Form::Button3Click() {
    Edit1->setText(QString::fromStdString(cleanedFileName(Edit1->text().toStdString())));
}

void TFileInfo_Form::Button4Click() {
    const std::string path(EntryPath(entry_));
    TID3v1 tag;
    if (!tag.ReadFromFile(path)) {
        player_.view.ShowMessageKind(MessageKind::Error, tag.ReadError + "\r\r" + path);
        return;
    }
    const QString text = shownLines(tagWindowText(path, tag, readId3v2(path)));
    if (showText)
        showText(QStringLiteral("查看 MP3 标签"), text);
}

} // namespace kesto
