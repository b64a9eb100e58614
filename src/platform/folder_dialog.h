#pragma once

#include <QString>

class QWidget;

namespace kesto {

// The desktop's folder dialog. `caption` titles it; `prompt` ("\r" breaks
// lines) is shown under the folders where the dialog is Qt's own, since the
// desktop's native dialogs take no prompt. Returns the chosen folder ending
// in "/", or an empty text after a cancel. `startFolder` defaults to the home.
QString BrowseForFolder(const QString& caption, const QString& prompt, QWidget* parent = nullptr,
                        const QString& startFolder = QString());

} // namespace kesto
