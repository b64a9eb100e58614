#pragma once

// Modal message boxes with the player's own Chinese button texts, whatever
// the desktop's language: the three kinds with OK, and the Yes/No question.
// Their title is the application's title.

#include <QString>
#include <qnamespace.h>

class QWidget;

namespace kesto {

enum class BoxKind { Information, Error, Warning };

// The application's title: "Kesto" at first, then the main window's caption.
// It is kept on the application object, not as Qt's display name, which Qt
// appends to every window title ("a.mp3 - Kesto — Kesto 1.04b").
void setApplicationTitle(const QString& title);
QString applicationTitle();

void messageBoxOk(QWidget* parent, BoxKind kind, const QString& text);
// True for Yes. Text from outside the program is shown as Qt::PlainText, so
// no markup in it is ever rendered.
bool messageBoxYesNo(QWidget* parent, const QString& text, Qt::TextFormat format = Qt::AutoText);

} // namespace kesto
