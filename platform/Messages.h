// Window messages between the engine and the dialog: a posted message is a
// Qt event carrying message, wParam and lParam to the target window.
#pragma once

#include <QEvent>
#include <QObject>

#include <cstdint>

using HWND = QObject *;
using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_APP = 0x8000;
constexpr UINT WM_QUIT = 0x0012;

// The graph's notification message.
constexpr UINT WM_GRAPHNOTIFY = WM_APP + 1;

class WinMessageEvent : public QEvent {
public:
    static QEvent::Type type();
    WinMessageEvent(UINT msg, WPARAM w, LPARAM l) : QEvent(type()), message(msg), wParam(w), lParam(l) {}
    const UINT message;
    const WPARAM wParam;
    const LPARAM lParam;
};

// Queues the message for the window's event loop; false when there is no window.
bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

constexpr WPARAM MAKEWPARAM(unsigned low, unsigned high)
{
    return (WPARAM(high & 0xFFFF) << 16) | (low & 0xFFFF);
}
constexpr unsigned LOWORD(WPARAM v)
{
    return unsigned(v & 0xFFFF);
}
constexpr unsigned HIWORD(WPARAM v)
{
    return unsigned((v >> 16) & 0xFFFF);
}
