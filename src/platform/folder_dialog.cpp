#include "platform/folder_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>

namespace kesto {

QString BrowseForFolder(const QString& caption, const QString& prompt, QWidget* parent,
                        const QString& startFolder) {
    QFileDialog dialog(parent ? parent : QApplication::activeWindow(), caption,
                       startFolder.isEmpty() ? QDir::homePath() : startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Qt's own dialog lays its widgets out in a grid; a native one has no
    // layout of ours to add to.
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()); grid && !prompt.isEmpty()) {
        auto* label =
            new QLabel(QString(prompt).replace(QLatin1Char('\r'), QLatin1Char('\n')), &dialog);
        label->setObjectName(QStringLiteral("promptLabel"));
        label->setWordWrap(true);
        grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    QString folder = QDir::cleanPath(dialog.selectedFiles().constFirst());
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace kesto
