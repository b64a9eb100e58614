#pragma once

#include <QDialog>
#include <QString>

class QFontMetricsF;
class QPlainTextEdit;
class QPushButton;

namespace kesto {

// A read-only text in a window that stays on top: the shortcut list, the
// credits, longer reports.
class TInfo_Form : public QDialog {
    Q_OBJECT
public:
    explicit TInfo_Form(QWidget* parent = nullptr);
    QPlainTextEdit* Memo1;
    QPushButton* Button1;

protected:
    void showEvent(QShowEvent* event) override;
};

// Shows `text`, or the file's contents when the text is empty, under `caption`.
// Modal: a window already showing is closed first and the call returns when
// the user closes it. Otherwise the window shows and the call returns at once.
void ShowTextWindow(TInfo_Form& form, const QString& caption, const QString& text,
                    const QString& file, bool modal);

// The shortcut list: a heading alone on its line, an entry as two blanks, the
// label, tabs and the keys; an empty line before every heading but the first.
// The tabs bring every line's keys to the same column in a text of that font
// with tab stops `tabStop` apart.
QString ShortcutsText(const QFontMetricsF& metrics, qreal tabStop);
// The contributors, after the heading.
QString CreditText();
// The credits window's whole text for an executable and its folder's size in bytes.
QString creditsReport(const QString& executablePath, quint64 folderBytes);
// Megabytes with up to two decimals and grouped thousands, in the locale's
// own separators: 1048576 bytes give "1", 1572864 give "1.5".
QString megabytesText(quint64 bytes);
// Sum of the sizes of every file below `folder`, not entering folders whose
// names begin with "." and not following symbolic links.
quint64 folderSize(const QString& folder);

} // namespace kesto
