#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace kesto {

class TInfo_Form;

// The help document: in the program folder, else beside the executable (a
// program folder set elsewhere still finds the installed copy); empty when
// neither has one.
QString documentationPath(const QString& programFolder);

class TAbout_Form : public QDialog {
    Q_OBJECT
public:
    // The credits open in `info`, the shared text window.
    TAbout_Form(TInfo_Form& info, QString programFolder, QWidget* parent = nullptr);

    QLabel* Image2;
    QLabel* LabelVersion;
    QLabel* Label5; // "帮助:"
    QLabel* Label6; // the help document's link, shown while the document exists
    // What the link does; the window opens the document its own way.
    std::function<void()> openDocumentation;
    QPushButton* Button3;
    QPushButton* Button1;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TInfo_Form& info_;
    QString programFolder_;
};

// The banner: drawn, so that the program needs no image files.
QPixmap aboutBanner();

} // namespace kesto
