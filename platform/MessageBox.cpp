#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MessageBoxHandler &BoxHandler()
{
    static MessageBoxHandler handler;
    return handler;
}
BeepHandler &Beeper()
{
    static BeepHandler handler;
    return handler;
}

QMessageBox::Icon IconOf(UINT flags)
{
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}
} // namespace

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    BoxHandler() = std::move(handler);
}
void SetBeepHandler(BeepHandler handler)
{
    Beeper() = std::move(handler);
}

int MessageBox(QWidget *owner, const QString &text, const QString &caption, UINT flags)
{
    if (BoxHandler())
        return BoxHandler()(MessageBoxCall{text, caption, flags, owner != nullptr});
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(IconOf(flags), caption, shown, QMessageBox::Ok, owner);
    box.exec();
    return IDOK;
}

void MessageBeep(UINT type)
{
    if (Beeper())
        Beeper()(type);
    else
        QApplication::beep();
}
