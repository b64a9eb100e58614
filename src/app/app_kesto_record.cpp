// The window's side of the recorder: the record command's caption, which the
// transport bar's record button shows as its hint too, and the save dialog.
// The recording itself lies in src/stream.

#include "app/app_kesto.h"

#include "player/player.h"

#include <QFileDialog>
#include <QToolButton>

namespace kesto {

void TAppKesto::setRecordCaption(const std::string& caption) {
    const QString text = QString::fromStdString(caption);
    actions().RecordStartAc->setText(text);
    SpeedButton[5]->setToolTip(QString(text).remove(QLatin1Char('&')));
}

std::string TAppKesto::askSaveFileName(const std::string& filter, const std::string& proposedName) {
    // "text|pattern|text|pattern": the texts name their patterns already.
    QStringList filters;
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    for (qsizetype i = 0; i < parts.size(); i += 2)
        filters << parts[i];
    const QString name = QString::fromStdString(proposedName);
    if (saveHook)
        return saveHook(filters, name).toStdString();
    const auto loop = player_->nestedLoops.enter();
    const std::string& last = player_->playlist.LastOpenedDir;
    QFileDialog dialog(this, QString(), last.empty() ? QString() : QString::fromStdString(last));
    dialog.setNameFilters(filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    dialog.selectFile(name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first().toStdString();
}

} // namespace kesto
