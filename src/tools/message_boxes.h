#pragma once

// Modal message boxes with the player's own Chinese button texts, whatever
// the desktop's language: the three kinds with OK, and the Yes/No question.

#include <QString>

class QWidget;

namespace kesto {

enum class BoxKind { Information, Error, Warning };

void MessageBoxOk(QWidget* parent, BoxKind kind, const QString& text);
// True for Yes.
bool MessageBoxYesNo(QWidget* parent, const QString& text);

} // namespace kesto
