// Record, Pause and Stop, the one-second status timer and the controls
// that follow the state of a recording.
#include "app/Settings.h"
#include "platform/MessageBox.h"
#include "res/Resource.h"
#include "ui/CaptureDlg.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>

namespace {
const QString kReady = QStringLiteral("Status : Ready");

QString StartFailureText()
{
    return QStringLiteral("1. Your audio hardware may be used by other program. Please exit other program.\n"
                          "2. Or your audio hardware has unknown problem. The program can not start recording.\n"
                          "3. The output file is being used by other program. \n"
                          "4. The output file name is wrong , can not create the file.");
}
} // namespace

QString CCaptureDlg::FormatElapsed(int seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg((seconds % 3600) / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void CCaptureDlg::OnRecord()
{
    if (m_bPaused == 1) {
        if (m_pMC) {
            m_pMC->Run();
            SetTimer(ID_RECORD_TIMER, 1000);
        }
        m_bPaused = 0;
        m_btnRecord->setEnabled(false);
        return;
    }

    UpdateData(TRUE);
    if (FileExists(m_strOutputFile))
        QFile::remove(m_strOutputFile);
    WriteHandOffKey(kHandOffOutputName, m_strOutputFile);
    WriteHandOffKey(kHandOffOutputWave, QString::number(m_nOutputWave));

    if (FAILED(BuildRecordingChain()))
        return;
    m_strRecordingFile = m_strOutputFile;

    bool runFailed = false;
    if (m_pMC) {
        if (FAILED(m_pMC->Run())) {
            MessageBox(this, StartFailureText(), QStringLiteral("Start Recording Error"), MB_OK);
            runFailed = true;
        }
        m_stcStatus->setText(QStringLiteral("Status : Recording audio - Used Time: 00:00:00"));
        m_nRecordSeconds = 0;
        SetTimer(ID_RECORD_TIMER, 1000);
    }
    m_bRecording = 1;
    m_btnRecord->setEnabled(false);
    m_btnPlay->setEnabled(false);
    m_btnPause->setEnabled(true);
    m_cboInput->setEnabled(false);
    m_cboDevice->setEnabled(false);
    if (runFailed)
        PostMessage(this, WM_COMMAND, MAKEWPARAM(IDC_STOP, 0), 0);
}

void CCaptureDlg::OnPause()
{
    if (m_bRecording == 0)
        return;
    if (m_pMC) {
        m_pMC->Pause();
        m_bPaused = 1;
        KillTimer(ID_RECORD_TIMER);
        m_stcStatus->setText(QStringLiteral("Status : Paused audio recording - Used Time: ") +
                             FormatElapsed(m_nRecordSeconds));
    }
    m_btnRecord->setEnabled(true);
}

void CCaptureDlg::OnStop()
{
    if (m_bRecording == 0)
        return;
    if (m_pMC) {
        m_pMC->StopWhenReady();
        KillTimer(ID_RECORD_TIMER);
        m_nRecordSeconds = 0;
    }
    RemoveRecordingChain();
    m_bPaused = 0;
    m_bRecording = 0;
    EnableCommandControls(TRUE);
    m_stcStatus->setText(kReady);
}

void CCaptureDlg::OnTimer(UINT nIDEvent)
{
    if (nIDEvent == ID_RECORD_TIMER) {
        ++m_nRecordSeconds;
        m_stcStatus->setText(QStringLiteral("Status : Recording audio - Used Time: ") +
                             FormatElapsed(m_nRecordSeconds));
    }
}

void CCaptureDlg::EnableCommandControls(BOOL enable)
{
    m_btnRecord->setEnabled(enable);
    m_btnPause->setEnabled(enable);
    m_btnStop->setEnabled(enable);
    m_btnPlay->setEnabled(enable);
    m_cboInput->setEnabled(enable);
    m_cboDevice->setEnabled(enable);
}
