#include "tools/info_form.h"

#include "platform/memory.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kesto {

TInfo_Form::TInfo_Form(QWidget* parent) : QDialog(parent) {
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setTabStopDistance(QFontMetricsF(Memo1->font()).horizontalAdvance(QLatin1Char(' ')) * 8);
    Button1 = new QPushButton(QStringLiteral("确定(&O)"), this);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(Button1);
    layout->addWidget(Memo1);
    layout->addLayout(row);

    auto* selectAll = new QAction(QStringLiteral("全部选择(&A)"), this);
    selectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(selectAll, &QAction::triggered, this, [this] {
        Memo1->setFocus();
        Memo1->selectAll();
    });
    auto* esc = new QAction(this);
    esc->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_F1)});
    connect(esc, &QAction::triggered, this, &QDialog::reject);
    addAction(selectAll);
    addAction(esc);
}

void TInfo_Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Button1->setFocus();
    TrimWorkingSet();
}

void ShowTextWindow(TInfo_Form& form, const QString& caption, const QString& text,
                    const QString& file, bool modal) {
    form.resize(400, 380);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize s = screen->size();
        form.move(s.width() / 2 - 400 / 2, s.height() / 2 - 380 / 2);
    }
    form.Memo1->clear();
    if (!text.isEmpty()) {
        form.Memo1->setPlainText(text);
    } else if (!file.isEmpty()) {
        QFile f(file);
        if (f.open(QIODevice::ReadOnly))
            form.Memo1->setPlainText(QString::fromUtf8(f.readAll()));
    }
    form.setWindowTitle(caption);
    if (modal) {
        if (form.isVisible()) {
            form.close();
            QApplication::processEvents();
        }
        form.exec();
    } else {
        form.show();
        form.raise();
    }
}

QString ShortcutsText(const QFontMetricsF& metrics, qreal tabStop) {
    struct Row {
        const char* label; // nullptr: a heading
        const char* keys;
    };
    static const Row rows[] = {
        {nullptr, "主要"},
        {"快捷键", "F1"},
        {"设置", "F6"},
        {"退出", "Esc"},
        {nullptr, "播放"},
        {"播放选定的文件", "Enter"},
        {"暂停", "Space, Numpad 0"},
        {"恢复播放", "Space, Enter"},
        {"停止", "2x Numpad 0"},
        {"下一首", "Tab"},
        {"上一首", "Shift + Tab"},
        {"切换随机播放，循环", "F9, 单击状态栏"},
        {"音量", "Numpad + -, 拖动 % 标记"},
        {"定位音轨", "上, 下光标键 "},
        {"录制在线音乐", "J"},
        {nullptr, "播放列表"},
        {"添加文件", "Ctrl + L"},
        {"添加在线流媒体音乐", "Ctrl + R"},
        {"打开一个音乐文件目录", "F4"},
        {"添加一个音乐文件目录", "F3"},
        {"移动对象", "Ctrl + Up/Down, 拖动音轨"},
        {"载入 kesto 播放列表 ", "Ctrl + O"},
        {"保存 kesto 播放列表", "Ctrl + S"},
        {"切换全部编排列表", "F8"},
        {"全部选择", "Ctrl + A"},
        {"从列表移除文件", "Del"},
        {"删除文件到回收站", "Shift + Del"},
        {nullptr, "附加"},
        {"属性", "F2"},
        {"多个文件重命名器", "F2 在多选时"},
        {"打开文件所在的文件夹", "Ctrl + E"},
        {"最大化, 还原", "F12"},
        {"最小化到托盘", "F11"},
        {"在当前列表中查找文件", "输入某些, Ctrl + F"},
        {"静音 (%30)", "暂停"},
        {"检查上次打开的目录中的文件更新", "F5"},
        {"清除队列 /随机列表", "更改播放模式"},
        {"浏览 kesto 所在的目录", "Ctrl + Alt + E"},
        {"重置 PulseAudio 混音器", "Ctrl + Space"},
        {"计算播放列表的时间总和", "Ctrl + Alt + T"},
        {"精确定位 (0.1 秒)", "Shift + 光标键 <- ->"},
        {"粗略定位 (60 秒)", "Ctrl + 光标键 <- ->"},
    };
    // The keys start at one tab stop for every line: the first stop at least
    // a blank past the longest label. Fixed tab counts only line up in the
    // font they were counted for.
    const QString indent = QStringLiteral("  ");
    const qreal blank = metrics.horizontalAdvance(QLatin1Char(' '));
    // A label that ends a hair before a stop could end past it once laid
    // out; a trailing blank takes it clearly past.
    const auto padded = [&](const Row& r) {
        QString text = indent + QString::fromUtf8(r.label);
        const qreal end = metrics.horizontalAdvance(text);
        if (std::ceil(end / tabStop) * tabStop - end < 1.0)
            text += QLatin1Char(' ');
        return text;
    };
    qreal widest = 0;
    for (const Row& r : rows)
        if (r.label)
            widest = std::max(widest, metrics.horizontalAdvance(padded(r)));
    const int column = static_cast<int>(std::floor((widest + blank) / tabStop)) + 1;
    QStringList lines;
    for (const Row& r : rows) {
        if (!r.label) {
            if (!lines.isEmpty())
                lines << QString();
            lines << QString::fromUtf8(r.keys);
            continue;
        }
        // A tab goes to the next stop past where the text ends.
        const QString label = padded(r);
        const int tabs =
            column - static_cast<int>(std::floor(metrics.horizontalAdvance(label) / tabStop));
        lines << label + QString(tabs, QLatin1Char('\t')) + QString::fromUtf8(r.keys);
    }
    return lines.join(QLatin1Char('\n'));
}

QString CreditText() {
    return QStringLiteral("致谢\n"
                          "  代码:\t\tKesto 开发者\n"
                          "  图形:\t\tKesto 开发者 (程序绘制的图标)\n"
                          "  电平指示器:\tKesto 开发者\n"
                          "  支持和部分代码:\tKesto 开发者\n"
                          "  音频库:\t\tKesto 自己的音频引擎, 基于 libmpg123, libvorbisfile 和 "
                          "PulseAudio\n"
                          "  安装程序:\trun.sh 与 Debian 软件包\n"
                          "  托盘图标:\tQt\n"
                          "  提示:\t\tKesto 用户\n"
                          "  感谢:\t\tQt, mpg123, Xiph.Org (Ogg Vorbis), PulseAudio, GoogleTest");
}

QString megabytesText(quint64 bytes) {
    const double mb = std::round(static_cast<double>(bytes) / 1048576.0 * 100.0) / 100.0;
    const QLocale locale;
    const auto whole = static_cast<qlonglong>(std::floor(mb));
    const int hundredths =
        static_cast<int>(std::llround((mb - static_cast<double>(whole)) * 100.0));
    QString text = locale.toString(whole);
    if (hundredths > 0) {
        QString decimals = QStringLiteral("%1").arg(hundredths, 2, 10, QLatin1Char('0'));
        if (decimals.endsWith(QLatin1Char('0')))
            decimals.chop(1);
        text += locale.decimalPoint() + decimals;
    }
    return text;
}

quint64 folderSize(const QString& folder) {
    quint64 total = 0;
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    while (files.hasNext()) {
        files.next();
        total += static_cast<quint64>(files.fileInfo().size());
    }
    QDirIterator dirs(folder, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    while (dirs.hasNext()) {
        const QString sub = dirs.next();
        if (!dirs.fileName().startsWith(QLatin1Char('.')))
            total += folderSize(sub);
    }
    return total;
}

QString creditsReport(const QString& executablePath, quint64 folderBytes) {
    return QStringLiteral("常规   \r\n  路径: ") + executablePath +
           QStringLiteral("\r\n  程序包总计:    ") + megabytesText(folderBytes) +
           QStringLiteral(" MB\r\n\r\n\r\n") + CreditText();
}

} // namespace kesto
