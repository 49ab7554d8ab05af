#include "platform/Messages.h"

#include <QCoreApplication>
#include <QPointer>

QEvent::Type WinMessageEvent::type()
{
    static const auto t = static_cast<QEvent::Type>(QEvent::registerEventType());
    return t;
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!hwnd)
        return false;
    QCoreApplication::postEvent(hwnd, new WinMessageEvent(msg, wParam, lParam));
    return true;
}
