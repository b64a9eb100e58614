#include "tools/message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace kesto {

namespace {
constexpr const char* kTitleProperty = "kestoApplicationTitle";
}

void setApplicationTitle(const QString& title) {
    qApp->setProperty(kTitleProperty, title);
}

QString applicationTitle() {
    const QVariant title = qApp->property(kTitleProperty);
    return title.isValid() ? title.toString() : QApplication::applicationName();
}

void messageBoxOk(QWidget* parent, BoxKind kind, const QString& text) {
    const QMessageBox::Icon icon = kind == BoxKind::Error     ? QMessageBox::Critical
                                   : kind == BoxKind::Warning ? QMessageBox::Warning
                                                              : QMessageBox::Information;
    QMessageBox box(icon, applicationTitle(), text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

bool messageBoxYesNo(QWidget* parent, const QString& text, Qt::TextFormat format) {
    QMessageBox box(QMessageBox::Information, applicationTitle(), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(format);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    return box.exec() == QMessageBox::Yes;
}

} // namespace kesto
