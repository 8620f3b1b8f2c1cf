#pragma once
// The program's one failure rule: a handler body runs under a trap; a runtime error (or any other
// std::exception) ends the body and shows its description with the critical icon, OK and the title
// "Er is een Fout opgetreden!". What the body did before the failure stays done.

#include <QString>
#include <functional>

class QWidget;

inline const QString ErrorTitle = QStringLiteral("Er is een Fout opgetreden!");

// Shows the standard failure message for `description`.
void ShowFailure(QWidget* parent, const QString& description);

// Runs `body`; returns false when it failed (the message has then been shown).
bool RunGuarded(QWidget* parent, const std::function<void()>& body);
