#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace kesto {

// The one-line question several commands ask: a name, an address, an entry.
class TInput_Form : public QDialog {
    Q_OBJECT
public:
    explicit TInput_Form(QWidget* parent = nullptr);
    QLabel* Label1;
    QLineEdit* Edit1;
};

// Shows the dialog modally with `text` selected in the field. OK: the edited
// text is copied back and the result is true. Otherwise `text` is untouched.
bool AskText(TInput_Form& form, const QString& caption, const QString& prompt, QString& text);

} // namespace kesto
