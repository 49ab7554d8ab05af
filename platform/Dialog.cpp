#include "platform/Dialog.h"

#include "res/Resource.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

CDialog::CDialog(const DialogTemplate &tpl, QWidget *parent) : QDialog(parent), m_template(tpl)
{
    QFont f = font();
    f.setPointSize(tpl.pointSize);
    setFont(f);
    setWindowTitle(QString::fromUtf8(tpl.caption));
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
    if (tpl.minimizeBox)
        flags |= Qt::WindowMinimizeButtonHint;
    setWindowFlags(flags);
}

CDialog::~CDialog() = default;

QRect CDialog::DialogUnitsToPixels(int x, int y, int w, int h) const
{
    // Base units as the dialog manager takes them: the average width of the
    // Latin letters and the font's line height.
    const QFontMetrics fm(font());
    const int letters = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int cx = (letters / 26 + 1) / 2;
    const int cy = fm.height();
    auto px = [cx](int v) { return v * cx / 4; };
    auto py = [cy](int v) { return v * cy / 8; };
    return QRect(px(x), py(y), px(w), py(h));
}

QWidget *CDialog::MakeStandardControl(const ControlTemplate &c)
{
    const QString text = QString::fromUtf8(c.text);
    switch (c.kind) {
    case ControlKind::Edit:
        return new QLineEdit(text, this);
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto *b = new QPushButton(text, this);
        b->setAutoDefault(false);
        b->setDefault(c.kind == ControlKind::DefPushButton);
        return b;
    }
    case ControlKind::Static:
    case ControlKind::Icon: {
        auto *l = new QLabel(text, this);
        l->setWordWrap(c.kind == ControlKind::Static);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        if (c.style & CS_NOPREFIX)
            l->setTextFormat(Qt::PlainText);
        if (c.style & CS_SUNKEN)
            l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return l;
    }
    case ControlKind::Combo:
        return new QComboBox(this);
    case ControlKind::Trackbar: {
        auto *s = new QSlider(Qt::Horizontal, this);
        s->setTickPosition(QSlider::NoTicks);
        return s;
    }
    case ControlKind::AutoCheckBox:
        return new QCheckBox(text, this);
    }
    return nullptr;
}

void CDialog::BuildControls()
{
    if (m_built)
        return;
    m_built = true;
    QWidget *previous = nullptr;
    for (const ControlTemplate &c : m_template.controls) {
        QWidget *w = CreateControl(c, this);
        if (!w)
            w = MakeStandardControl(c);
        QRect r = DialogUnitsToPixels(c.x, c.y, c.w, c.h);
        // A drop-down list's template height includes its open list.
        if (c.kind == ControlKind::Combo)
            r.setHeight(std::max(DialogUnitsToPixels(0, 0, 0, 14).height(), w->sizeHint().height()));
        w->setGeometry(r);
        if (c.style & CS_TABSTOP) {
            w->setFocusPolicy(Qt::StrongFocus);
            if (previous)
                setTabOrder(previous, w);
            previous = w;
        } else {
            w->setFocusPolicy(Qt::NoFocus);
        }
        if (c.id != IDC_STATIC)
            m_items[c.id] = w;
        const int id = c.id;
        if (auto *b = qobject_cast<QPushButton *>(w))
            connect(b, &QPushButton::clicked, this,
                    [this, id] { WindowProc(WM_COMMAND, MAKEWPARAM(unsigned(id), BN_CLICKED), 0); });
        else if (auto *cb = qobject_cast<QComboBox *>(w))
            connect(cb, &QComboBox::activated, this,
                    [this, id] { WindowProc(WM_COMMAND, MAKEWPARAM(unsigned(id), CBN_SELCHANGE), 0); });
        else if (qobject_cast<QSlider *>(w))
            w->installEventFilter(this);
    }
    const QRect client = DialogUnitsToPixels(0, 0, m_template.width, m_template.height);
    setFixedSize(client.size());
}

bool CDialog::eventFilter(QObject *watched, QEvent *e)
{
    // The slider tells its owner when a mouse press on it ends, after the
    // slider has taken the new position; keyboard moves tell nothing.
    if (e->type() == QEvent::MouseButtonRelease) {
        for (const auto &[id, w] : m_items) {
            if (w == watched) {
                const int control = id;
                QTimer::singleShot(0, this, [this, control] {
                    WindowProc(WM_COMMAND, MAKEWPARAM(unsigned(control), NM_RELEASEDCAPTURE), 0);
                });
                break;
            }
        }
    }
    return QDialog::eventFilter(watched, e);
}

QWidget *CDialog::GetDlgItem(int id) const
{
    auto it = m_items.find(id);
    return it == m_items.end() ? nullptr : it->second;
}

bool CDialog::Create()
{
    BuildControls();
    const BOOL focusDefault = OnInitDialog();
    if (m_quitPosted) {
        Destroy();
        return false;
    }
    show();
    if (focusDefault) {
        for (const ControlTemplate &c : m_template.controls) {
            QWidget *w = c.id != IDC_STATIC ? GetDlgItem(c.id) : nullptr;
            if ((c.style & CS_TABSTOP) && w && w->isVisible() && w->isEnabled()) {
                w->setFocus(Qt::OtherFocusReason);
                break;
            }
        }
    }
    return true;
}

namespace {
CDialog::ModalHandler &TheModalHandler()
{
    static CDialog::ModalHandler handler;
    return handler;
}
} // namespace

void CDialog::SetModalHandler(ModalHandler handler)
{
    TheModalHandler() = std::move(handler);
}

INT_PTR CDialog::DoModal()
{
    if (!Create())
        return -1;
    if (TheModalHandler()) {
        TheModalHandler()(*this);
        if (!m_ended)
            EndDialog(2);
        return result();
    }
    const int result = exec();
    Destroy();
    return result;
}

void CDialog::Destroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    for (const auto &[id, qtId] : m_timers)
        killTimer(qtId);
    m_timers.clear();
    OnDestroy();
    hide();
}

void CDialog::EndDialog(int result)
{
    m_ending = true;
    m_ended = true;
    done(result);
    m_ending = false;
    Destroy();
}

void CDialog::PostQuitMessage(int)
{
    m_quitPosted = true;
}

void CDialog::SetTimer(UINT id, int milliseconds)
{
    KillTimer(id);
    m_timers[id] = startTimer(milliseconds);
}

void CDialog::KillTimer(UINT id)
{
    if (auto it = m_timers.find(id); it != m_timers.end()) {
        killTimer(it->second);
        m_timers.erase(it);
    }
}

void CDialog::timerEvent(QTimerEvent *e)
{
    for (const auto &[id, qtId] : m_timers) {
        if (qtId == e->timerId()) {
            const UINT ours = id;
            WindowProc(WM_TIMER, ours, 0);
            return;
        }
    }
    QDialog::timerEvent(e);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_CLOSE:
        OnClose();
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK_CONTROL)
            OnOK();
        else if (LOWORD(wParam) == IDCANCEL_CONTROL)
            OnCancel();
        else
            OnCommand(int(LOWORD(wParam)), HIWORD(wParam));
        break;
    case WM_TIMER:
        OnTimer(UINT(wParam));
        break;
    default:
        break;
    }
    return 0;
}

bool CDialog::event(QEvent *e)
{
    if (e->type() == WinMessageEvent::type()) {
        auto *m = static_cast<WinMessageEvent *>(e);
        WindowProc(m->message, m->wParam, m->lParam);
        return true;
    }
    return QDialog::event(e);
}

void CDialog::closeEvent(QCloseEvent *e)
{
    // The close box and Alt+F4 take the WM_CLOSE path; the window itself is
    // hidden by EndDialog when the handler decides to end.
    e->ignore();
    if (!m_destroyed)
        WindowProc(WM_CLOSE, 0, 0);
}

void CDialog::keyPressEvent(QKeyEvent *e)
{
    const bool plain = e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier;
    if (plain && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        // Enter presses the focused push button, else the default button,
        // else it is the OK command.
        if (auto *b = qobject_cast<QPushButton *>(focusWidget())) {
            b->click();
            return;
        }
        for (const auto &[id, w] : m_items) {
            auto *b = qobject_cast<QPushButton *>(w);
            if (b && b->isDefault() && b->isVisible()) {
                if (b->isEnabled())
                    b->click();
                return;
            }
        }
        WindowProc(WM_COMMAND, MAKEWPARAM(IDOK_CONTROL, BN_CLICKED), 0);
        return;
    }
    if (plain && e->key() == Qt::Key_Escape) {
        WindowProc(WM_COMMAND, MAKEWPARAM(IDCANCEL_CONTROL, BN_CLICKED), 0);
        return;
    }
    QDialog::keyPressEvent(e);
}

void CDialog::reject()
{
    if (m_ending)
        QDialog::reject();
    else
        OnCancel();
}

void CDialog::accept()
{
    if (m_ending)
        QDialog::accept();
    else
        OnOK();
}
