// Modal message boxes and the default beep. Tests install handlers that
// record each box and answer it instead of showing it.
#pragma once

#include "platform/Messages.h"

#include <QString>
#include <QWidget>

#include <functional>

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

struct MessageBoxCall {
    QString text;
    QString caption;
    UINT flags = MB_OK;
    bool owned = false; // shown over a window of the program
};

using MessageBoxHandler = std::function<int(const MessageBoxCall &)>;
using BeepHandler = std::function<void(UINT)>;

// An empty handler restores the real box / beep.
void SetMessageBoxHandler(MessageBoxHandler handler);
void SetBeepHandler(BeepHandler handler);

// Shows the box modally (a nested event loop runs meanwhile) and returns the
// button pressed (IDOK for the program's OK-only boxes).
int MessageBox(QWidget *owner, const QString &text, const QString &caption, UINT flags);
void MessageBeep(UINT type);
