#include "stream/radio_form.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kesto {

TRadio_Form::TRadio_Form(FetchName fetchName, QWidget* parent)
    : QDialog(parent), fetchName_(std::move(fetchName)) {
    setWindowTitle(QStringLiteral("属性"));
    setFixedWidth(400);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto* grid = new QGridLayout;
    Label1 = new QLabel(QStringLiteral("网址"), this);
    Label2 = new QLabel(QStringLiteral("标题"), this);
    Edit1 = new QLineEdit(this);
    Edit2 = new QLineEdit(this);
    Label1->setBuddy(Edit1);
    Label2->setBuddy(Edit2);
    Button1 = new QPushButton(QStringLiteral("重命名"), this);
    Button1->setToolTip(QStringLiteral("检索官方标题..."));
    Button1->setAutoDefault(false);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1, 1, 2);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(Button1, 1, 2);

    auto* buttons = new QDialogButtonBox(this);
    OkButton = buttons->addButton(QStringLiteral("确定(&O)"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消(&C)"), QDialogButtonBox::RejectRole);
    OkButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(Button1, &QPushButton::clicked, this, &TRadio_Form::Button1Click);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    fetchTimer_ = new QTimer(this);
    fetchTimer_->setSingleShot(true);
    connect(fetchTimer_, &QTimer::timeout, this, [this] { fetchEnded(activeFetch_, QString()); });
}

bool TRadio_Form::editEntry(QString& url, QString& title) {
    // A question left unanswered by the last showing is not this one's.
    ++fetchSerial_;
    activeFetch_ = 0;
    fetchTimer_->stop();
    Button1->setEnabled(true);
    OkButton->setEnabled(true);
    Edit1->setText(url);
    Edit2->setText(title);
    Edit1->selectAll();
    Edit1->setFocus();
    if (exec() != QDialog::Accepted) {
        ++fetchSerial_;
        return false;
    }
    ++fetchSerial_;
    url = Edit1->text();
    title = Edit2->text();
    return true;
}

void TRadio_Form::Button1Click() {
    if (fetching())
        return;
    const int serial = ++fetchSerial_;
    activeFetch_ = serial;
    fetchUrl_ = Edit1->text();
    Edit2->setText(QStringLiteral("正在获取名称..."));
    // Nothing to accept until the name is in: OK now would keep the notice.
    Button1->setEnabled(false);
    OkButton->setEnabled(false);
    fetchTimer_->start(fetchTimeoutMs_);
    QPointer<TRadio_Form> self(this);
    fetchName_(fetchUrl_, [self, serial](const QString& name) {
        if (self)
            self->fetchEnded(serial, name);
    });
}

void TRadio_Form::fetchEnded(int serial, const QString& name) {
    if (serial == 0 || serial != fetchSerial_ || serial != activeFetch_)
        return;
    activeFetch_ = 0;
    fetchTimer_->stop();
    // A station that names itself not at all (or not in time) keeps its address.
    Edit2->setText(name.isEmpty() ? fetchUrl_ : name);
    Button1->setEnabled(true);
    OkButton->setEnabled(true);
}

} // namespace kesto
