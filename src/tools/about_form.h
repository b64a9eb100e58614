#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kesto {

class TInfo_Form;

// Where the project lives on the web; one place, so that the update check and
// the about box can never disagree.
inline constexpr const char* kProjectSite = "https://kesto.example.org";
inline constexpr const char* kSupportAddress = "support@kesto.example.org";

class TAbout_Form : public QDialog {
    Q_OBJECT
public:
    // The credits open in `info`, the shared text window.
    TAbout_Form(TInfo_Form& info, QString programFolder, QWidget* parent = nullptr);

    QLabel* Image2;
    QLabel* LabelVersion;
    QLabel* Label6; // web link
    QLabel* Label8; // mail link
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
