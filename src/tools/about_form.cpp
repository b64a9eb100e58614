#include "tools/about_form.h"

#include "player/paths.h"
#include "player/version.h"
#include "tools/info_form.h"
#include "tools/message_boxes.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLinearGradient>

#include <QPainter>
#include <QPushButton>

namespace kesto {

QPixmap aboutBanner() {
    QPixmap pix(294, 60);
    QPainter p(&pix);
    QLinearGradient g(0, 0, 294, 60);
    g.setColorAt(0, QColor(0x20, 0x30, 0x58));
    g.setColorAt(1, QColor(0x58, 0x90, 0xC8));
    p.fillRect(pix.rect(), g);
    // Three level-meter columns as the mark.
    const int heights[] = {22, 34, 16};
    for (int i = 0; i < 3; ++i)
        p.fillRect(14 + i * 9, 46 - heights[i], 6, heights[i], QColor(0xFF, 0xB0, 0x40));
    QFont f = p.font();
    f.setPointSize(20);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(50, 38, QStringLiteral("Kesto"));
    return pix;
}

QString documentationPath(const QString& programFolder) {
    const QString installed = QString::fromStdString(installedDataDir(executableDir()));
    for (const QString& doc :
         {programFolder + QStringLiteral("/Documentation.html"),
          QApplication::applicationDirPath() + QStringLiteral("/Documentation.html"),
          installed.isEmpty() ? QString() : installed + QStringLiteral("/Documentation.html")}) {
        if (doc.isEmpty())
            continue;
        if (QFileInfo::exists(doc))
            return doc;
    }
    return {};
}

namespace {

QLabel* label(QWidget* parent, const QString& text, int x, int y) {
    auto* l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QLabel* link(QWidget* parent, const QString& text, int x, int y) {
    auto* l = label(parent, text, x, y);
    QFont f = l->font();
    f.setUnderline(true);
    l->setFont(f);
    l->setCursor(Qt::PointingHandCursor);
    l->setStyleSheet(QStringLiteral("color: #0645ad"));
    return l;
}

} // namespace

TAbout_Form::TAbout_Form(TInfo_Form& info, QString programFolder, QWidget* parent)
    : QDialog(parent), info_(info), programFolder_(std::move(programFolder)) {
    setWindowTitle(QStringLiteral("关于 Kesto..."));
    setFixedSize(288, 256);
    Image2 = new QLabel(this);
    Image2->setPixmap(aboutBanner());
    Image2->setGeometry(0, 0, 294, 60);
    Image2->installEventFilter(this);
    LabelVersion = new QLabel(this);
    LabelVersion->setAlignment(Qt::AlignRight);
    LabelVersion->setGeometry(222, 35, 60, 16);
    LabelVersion->setStyleSheet(QStringLiteral("color: white"));

    label(this, QStringLiteral("这是一款快速而简朴的音乐播放器"), 12, 70);
    label(this, QStringLiteral("轻松学会快捷键操作！"), 12, 90);
    label(this, QStringLiteral("无皮肤和 mp3 标签。"), 12, 110);
    label(this, QStringLiteral("由 Kesto 开发者为 Linux 桌面编写"), 12, 134);
    label(this, QStringLiteral("Kesto 是自由软件。界面文字: 简体中文"), 12, 152);
    // The project has no web site or mail address of its own; the help that
    // exists is the document installed with the program.
    Label5 = label(this, QStringLiteral("帮助:"), 12, 174);
    Label6 = link(this, QStringLiteral("Documentation.html (Ctrl+F1)"), 60, 174);
    Label6->installEventFilter(this);

    auto* bevel = new QFrame(this);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(8, 208, 272, 2);

    Button3 = new QPushButton(QStringLiteral("致谢(&C)..."), this);
    Button3->setGeometry(12, 220, 90, 26);
    Button1 = new QPushButton(QStringLiteral("确定(&O)"), this);
    Button1->setGeometry(196, 220, 80, 26);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button3, &QPushButton::clicked, this, [this] {
        ShowTextWindow(
            info_, QStringLiteral("致谢   "),
            creditsReport(QApplication::applicationFilePath(), folderSize(programFolder_)),
            QString(), false);
    });
}

void TAbout_Form::showEvent(QShowEvent* event) {
    LabelVersion->setText(
        QString::fromUtf8(kVersion.data(), static_cast<qsizetype>(kVersion.size())));
    const bool documented = !documentationPath(programFolder_).isEmpty();
    Label5->setVisible(documented);
    Label6->setVisible(documented);
    QDialog::showEvent(event);
}

bool TAbout_Form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image2 && event->type() == QEvent::MouseButtonDblClick) {
        messageBoxOk(this, BoxKind::Information, QStringLiteral("这里没有复活节彩蛋！"));
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && watched == Label6) {
        accept();
        if (openDocumentation)
            openDocumentation();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kesto
