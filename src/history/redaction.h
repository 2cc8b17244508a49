#pragma once

#include <QString>

// Passwords never reach the history store: a line that shows a password typed as a
// command (to NickServ or another service, or a raw PASS, OPER or AUTHENTICATE) is kept
// with each password replaced by Redaction::Mask.
namespace Redaction {

inline constexpr char16_t Mask[] = u"********";

// window is the window the line is shown in: in a private chat with a service, what the
// user says there is a service command.
QString redact(const QString& window, const QString& text);

} // namespace Redaction
