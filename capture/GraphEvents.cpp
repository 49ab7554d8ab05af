// Graph events: the graph posts WM_GRAPHNOTIFY for each event it queues and
// the dialog drains the queue. The capture device leaving and coming back
// are the events that matter; an error of a running recording ends it.
#include "app/Settings.h"
#include "platform/MessageBox.h"
#include "ui/CaptureDlg.h"

namespace {
const QString kEventTitle = QStringLiteral("DirectShow Audio Capture Sample");
} // namespace

LRESULT CCaptureDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GRAPHNOTIFY && lParam == 0)
        OnGraphNotify();
    return CDialog::WindowProc(message, wParam, lParam);
}

HRESULT CCaptureDlg::OnGraphNotify()
{
    if (!m_pME)
        return S_OK;
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    HRESULT hr = m_pME->GetEvent(&code, &param1, &param2, 0);
    while (SUCCEEDED(hr)) {
        m_pME->FreeEventParams(code, param1, param2);
        if (code == EC_DEVICE_LOST) {
            if (param2 == 0) {
                OnStop();
                TearDownCapture();
                ResetGraphPointers();
                // A graph without a device stays registered, so that the
                // device's return reaches this window; the released graph
                // would have taken that notice with it.
                CreateGraph();
                MessageBeep(MB_OK);
                MessageBox(this, QStringLiteral("The selected input device was removed!"), kEventTitle,
                           MB_OK | MB_ICONWARNING);
            } else {
                OnStop();
                TearDownCapture();
                ResetGraphPointers();
                if (SUCCEEDED(CreateGraph()))
                    EnumerateCaptureDevices();
                MessageBeep(MB_OK);
                MessageBox(this, QStringLiteral("The audio input device has been reattached!"), kEventTitle,
                           MB_OK | MB_ICONINFORMATION);
            }
        } else if (code == EC_ERRORABORT) {
            OnGraphError(param1);
        }
        if (!m_pME)
            return S_OK;
        hr = m_pME->GetEvent(&code, &param1, &param2, 0);
    }
    return S_OK;
}

// A recording whose graph failed (the disk is full, the sound server went
// away) is stopped, keeping what was written, instead of counting on over a
// dead recording.
void CCaptureDlg::OnGraphError(LONG_PTR hr)
{
    if (!m_bRecording)
        return;
    OnStop();
    MessageBox(this,
               QStringLiteral("The recording stopped because of an error (0x%1).\n"
                              "What was recorded until then is in %2.")
                   .arg(quint32(hr), 8, 16, QLatin1Char('0'))
                   .arg(m_strRecordingFile),
               QStringLiteral("Recording Error"), MB_OK | MB_ICONERROR);
}
