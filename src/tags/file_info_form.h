#pragma once

// The properties of one playlist file and its rename: the information text,
// the new name with a clean-up button, and the tag window for MP3 files.

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kesto {

class Player;

class TFileInfo_Form : public QDialog {
    Q_OBJECT
public:
    explicit TFileInfo_Form(Player& player, QWidget* parent = nullptr);

    // Shows the dialog modally for the playlist line `index`; returns when it
    // closes (after OK has renamed, or on cancel).
    void showEntry(int index);

    // Shows the tag text in the read-only text window; the main window puts
    // its own there, a test a recorder.
    std::function<void(const QString& caption, const QString& text)> showText;

    // ---- Controls, by their designer names ----
    QLabel* Label1;
    QLineEdit* Edit1;
    QPlainTextEdit* Memo1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;

private:
    void Button1Click();
    void Button3Click();
    void Button4Click();

    Player& player_;
    int index_ = -1;
    std::string entry_; // the line's text when the dialog was shown
};

// "\r\n" and "\r" line ends as the plain lines a text box shows.
QString shownLines(const std::string& text);

} // namespace kesto
