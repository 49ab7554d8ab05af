// A dialog in the manner of a Win32 dialog: built from a template in dialog
// units, run modally with DoModal, with a window procedure that sees posted
// messages (WM_CLOSE, WM_COMMAND, the graph's notifications) and commands
// from its controls, window timers by identifier, and Esc/Enter ending it
// through OnCancel/OnOK.
#pragma once

#include "platform/Com.h"
#include "platform/Messages.h"
#include "res/Templates.h"

#include <QDialog>

#include <functional>
#include <map>

constexpr unsigned BN_CLICKED = 0;
constexpr unsigned CBN_SELCHANGE = 1;
constexpr unsigned NM_RELEASEDCAPTURE = 0xFFF0; // sent as a WM_COMMAND code by the slider

using INT_PTR = std::intptr_t;

class CDialog : public QDialog {
    Q_OBJECT
public:
    explicit CDialog(const DialogTemplate &tpl, QWidget *parent = nullptr);
    ~CDialog() override;

    // Tests answer modal dialogs instead of running their loops: the handler
    // gets the built, initialised dialog and ends it (EndDialog, or a
    // command); a dialog it leaves open counts as cancelled.
    using ModalHandler = std::function<void(CDialog &)>;
    static void SetModalHandler(ModalHandler handler);

    // Builds the controls, runs OnInitDialog and the modal loop; returns the
    // code given to EndDialog (IDOK, IDCANCEL), or -1 when start-up asked to quit.
    INT_PTR DoModal();
    // Builds the controls and runs OnInitDialog, then shows the dialog
    // without a modal loop (tests drive it through the event loop).
    bool Create();

    virtual BOOL OnInitDialog() { return TRUE; }
    // The window procedure: the base routes WM_CLOSE to OnClose and
    // WM_COMMAND to OnCommand; everything else is ignored.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam) { return WindowProc(message, wParam, lParam); }

    void EndDialog(int result);
    // Start-up failure: the modal loop ends before it begins.
    void PostQuitMessage(int code);
    bool QuitPosted() const { return m_quitPosted; }

    QWidget *GetDlgItem(int id) const;
    template <class W> W *Item(int id) const { return qobject_cast<W *>(GetDlgItem(id)); }

    void SetTimer(UINT id, int milliseconds);
    void KillTimer(UINT id);
    bool TimerRunning(UINT id) const { return m_timers.count(id) != 0; }

    const DialogTemplate &Template() const { return m_template; }
    // Dialog units to pixels with the dialog font's base units.
    QRect DialogUnitsToPixels(int x, int y, int w, int h) const;

public:
    // Ends through OnOK / OnCancel, as the keyboard does.
    virtual void OnOK() { EndDialog(1); }
    virtual void OnCancel() { EndDialog(2); }

protected:
    virtual void OnCommand(int id, unsigned code) { (void)id, (void)code; }
    virtual void OnClose() { OnCancel(); }
    virtual void OnDestroy() {}
    virtual void OnTimer(UINT id) { (void)id; }
    // Lets a dialog put its own widget class in place of a template control;
    // null takes the standard widget.
    virtual QWidget *CreateControl(const ControlTemplate &, QWidget *) { return nullptr; }

    bool event(QEvent *e) override;
    void timerEvent(QTimerEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void reject() override;
    void accept() override;

private:
    void BuildControls();
    QWidget *MakeStandardControl(const ControlTemplate &c);
    void Destroy();

    const DialogTemplate &m_template;
    std::map<int, QWidget *> m_items;
    std::map<UINT, int> m_timers; // our id -> Qt timer id
    bool m_built = false;
    bool m_destroyed = false;
    bool m_quitPosted = false;
    bool m_ending = false;
    bool m_ended = false;
};
