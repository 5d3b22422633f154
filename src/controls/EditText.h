#pragma once

#include <QString>
#include <string>

class QPlainTextEdit;

// Stored texts keep CR LF between lines; Qt's edit boxes use LF. These convert at the exchange.
QString ToEditText(const std::string& text);
std::string FromEditText(const QString& text);

// Shows `text` in the box and marks the box unchanged.
void ShowInEdit(QPlainTextEdit& edit, const std::string& text);
// Takes the box's text into `text`, unless the user left the box unchanged: then `text` keeps
// its bytes exactly, even those an edit box cannot show.
void TakeFromEdit(const QPlainTextEdit& edit, std::string& text);
