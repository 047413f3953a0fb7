#pragma once
// The sending end of window messages: find a window of this host by its exact caption
// and send it a message that returns only after the window's handler has returned.

#include <QString>
#include <QtGlobal>

constexpr unsigned WM_USER_BASE = 0x0400;
// Sent once by the announcer when the whole network has been told of the user.
constexpr unsigned WM_LOGIN_SENT = WM_USER_BASE + 100;

bool FindWindowByCaption(const QString &caption);
// Blocks until the window has handled the message; false when there is no such window or
// it went away before answering.
bool SendWindowMessage(const QString &caption, unsigned msg, quintptr wParam, qintptr lParam);
