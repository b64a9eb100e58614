#pragma once

// The multiple file renamer: a find-and-replace over the selected lines'
// file names, previewed as it is typed and carried out on confirmation.

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kesto {

class Player;

class TReplaceFilenames_Form : public QDialog {
    Q_OBJECT
public:
    explicit TReplaceFilenames_Form(Player& player, QWidget* parent = nullptr);

    // Takes the selected lines as its targets and shows the window modally.
    void showForSelection();

    // Builds the new names and the preview; with `apply` also renames.
    void ComputeNewNames(bool apply);

    const std::vector<std::string>& targets() const { return targets_; }
    bool used() const { return used_; }

    // ---- Controls, by their designer names ----
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label8;
    QLabel* Label2;
    QLineEdit* Edit1;
    QLabel* Label3;
    QLineEdit* Edit2;
    QLabel* Label7;
    QPlainTextEdit* Memo2;
    QPushButton* Button1;
    QPushButton* Button3;
    QPushButton* Button2;

private:
    // The show steps: targets from the selection, the find field by the
    // "used" rule, the preview.
    void captureTargets();
    void Button1Click();
    void Button3Click();

    Player& player_;
    std::vector<int> lines_;
    std::vector<std::string> targets_; // entry texts, in line order
    std::vector<std::string> newPaths_;
    bool used_ = false;
};

// The help button's text, lines separated by "\r".
std::string renamerHelpText();

} // namespace kesto
