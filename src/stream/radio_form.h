#pragma once

// The stream properties dialog: a playlist stream's address and title, and
// a button that asks the station for its own name. The asking runs in the
// background; the dialog stays responsive and gives up after a while.

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kesto {

class TRadio_Form : public QDialog {
    Q_OBJECT
public:
    // Asks for the station name at an address and calls back with it on
    // this thread (the address itself when the station names none).
    using FetchName =
        std::function<void(const QString& url, std::function<void(const QString& name)> done)>;

    explicit TRadio_Form(FetchName fetchName, QWidget* parent = nullptr);

    // How long "重命名" waits for the station before it settles for the address.
    void setFetchTimeout(int ms) { fetchTimeoutMs_ = ms; }

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* Edit1;     // 网址
    QLineEdit* Edit2;     // 标题
    QPushButton* Button1; // 重命名
    QPushButton* OkButton;

    // Shows the dialog modally for an entry's address and title; on OK both
    // are copied back and the result is true.
    bool editEntry(QString& url, QString& title);

    void Button1Click();
    // True while a station is being asked for its name.
    bool fetching() const { return fetchSerial_ == activeFetch_ && activeFetch_ != 0; }

private:
    void fetchEnded(int serial, const QString& name);

    FetchName fetchName_;
    QTimer* fetchTimer_;
    int fetchTimeoutMs_ = 15000;
    int fetchSerial_ = 0; // each press of the button; a late answer finds a newer one
    int activeFetch_ = 0;
    QString fetchUrl_;
};

} // namespace kesto
