#include "tools/input_form.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kesto {

TInput_Form::TInput_Form(QWidget* parent) : QDialog(parent) {
    setFixedWidth(400);
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Edit1 = new QLineEdit(this);
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("确定(&O)"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消(&C)"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);
    layout->addWidget(buttons);
}

bool AskText(TInput_Form& form, const QString& caption, const QString& prompt, QString& text) {
    form.setWindowTitle(caption);
    form.Label1->setText(prompt);
    form.Edit1->setText(text);
    form.Edit1->selectAll();
    form.Edit1->setFocus();
    if (form.exec() != QDialog::Accepted)
        return false;
    text = form.Edit1->text();
    return true;
}

} // namespace kesto
