#pragma once

// What the core asks of a window. The main window implements it; core tests
// use a scripted fake that records every call and answers every question. The
// core never sees a widget: texts go out as UTF-8, answers come back as values.

#include <string>

namespace kesto {

enum class MessageKind { Information = 0, Error = 1, Warning = 2 };

class PlayerView {
public:
    virtual ~PlayerView() = default;

    // Modal message box with an OK button.
    virtual void ShowMessageKind(MessageKind kind, const std::string& text) = 0;
    // Modal Yes/No question with an information icon; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // Lets the window repaint and take input during long work on the UI thread;
    // this is how Esc reaches a running folder scan.
    virtual void processPendingMessages() = 0;
};

} // namespace kesto
