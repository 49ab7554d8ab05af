#include "ui/CaptureDlg.h"

#include "app/CaptureApp.h"
#include "app/Settings.h"
#include "capture/CaptureEngine.h"
#include "controls/ClearLabel.h"
#include "platform/MessageBox.h"
#include "res/Resource.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QWindow>

namespace {
// System commands of the dialog's context menu.
constexpr UINT SC_MOVE = 0xF010;
constexpr UINT SC_MINIMIZE = 0xF020;
constexpr UINT SC_CLOSE = 0xF060;

bool IsClearLabel(int id)
{
    return id == IDC_INPUT_LABEL || id == IDC_DEVICE_LABEL || id == IDC_VOLUME_LABEL || id == IDC_MAX_LABEL ||
           id == IDC_OUTPUT_LABEL;
}
} // namespace

CCaptureDlg::CCaptureDlg(QWidget *parent) : CDialog(MainDialogTemplate(), parent)
{
    m_hIcon = QIcon(QString::fromLatin1(kAppIconResource));
}

CCaptureDlg::~CCaptureDlg() = default;

QWidget *CCaptureDlg::CreateControl(const ControlTemplate &c, QWidget *parent)
{
    if (c.kind == ControlKind::Static && IsClearLabel(c.id))
        return new CClearLabel(QString::fromUtf8(c.text), c.style, parent);
    return nullptr;
}

void CCaptureDlg::DoDataExchange()
{
    m_stcStatus = Item<QLabel>(IDC_STATUS);
    m_btnPause = Item<QPushButton>(IDC_PAUSE);
    m_btnStop = Item<QPushButton>(IDC_STOP);
    m_btnPlay = Item<QPushButton>(IDC_PLAY);
    m_btnRecord = Item<QPushButton>(IDC_RECORD);
    m_cboDevice = Item<QComboBox>(IDC_DEVICE_COMBO);
    m_cboInput = Item<QComboBox>(IDC_INPUT_COMBO);
    m_editOutput = Item<QLineEdit>(IDC_OUTPUT_EDIT);
    m_sliderVolume = Item<QSlider>(IDC_VOLUME_SLIDER);
    m_btnBrowse = Item<QPushButton>(IDC_BROWSE);
    m_btnHomepage = Item<QPushButton>(IDC_HOMEPAGE);
    m_btnAbout = Item<QPushButton>(IDC_ABOUT);
    m_btnHelp = Item<QPushButton>(IDC_HELP_BUTTON);
    m_lblInput = Item<CClearLabel>(IDC_INPUT_LABEL);
    m_lblDevice = Item<CClearLabel>(IDC_DEVICE_LABEL);
    m_lblVolume = Item<CClearLabel>(IDC_VOLUME_LABEL);
    m_lblMax = Item<CClearLabel>(IDC_MAX_LABEL);
    m_lblOutput = Item<CClearLabel>(IDC_OUTPUT_LABEL);
}

void CCaptureDlg::UpdateData(BOOL saveAndValidate)
{
    if (!m_editOutput)
        return;
    if (saveAndValidate)
        m_strOutputFile = m_editOutput->text();
    else
        m_editOutput->setText(m_strOutputFile);
}

void CCaptureDlg::AddSystemMenu()
{
    m_pSystemMenu = new QMenu(this);
    m_pSystemMenu->addAction(QStringLiteral("&Move"), this, [this] { OnSysCommand(SC_MOVE, 0); });
    m_pSystemMenu->addAction(QStringLiteral("Mi&nimize"), this, [this] { OnSysCommand(SC_MINIMIZE, 0); });
    m_pSystemMenu->addAction(QStringLiteral("&Close"), this, [this] { OnSysCommand(SC_CLOSE, 0); });
    const QString about = LoadString(IDS_ABOUTBOX);
    if (!about.isEmpty()) {
        m_pSystemMenu->addSeparator();
        m_pSystemMenu->addAction(about, this, [this] { OnSysCommand(IDM_ABOUTBOX, 0); });
    }
}

void CCaptureDlg::contextMenuEvent(QContextMenuEvent *e)
{
    if (m_pSystemMenu)
        m_pSystemMenu->popup(e->globalPos());
}

BOOL CCaptureDlg::OnInitDialog()
{
    DoDataExchange();
    UpdateData(FALSE);
    AddSystemMenu();
    setWindowIcon(m_hIcon);

    m_osvi.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionEx(&m_osvi))
        MessageBox(this, QStringLiteral("Can get Windows Version"), QStringLiteral("Error"), MB_OK);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    g_nSoundCaptureIndex = AfxGetApp()->GetProfileInt(kSectionOption, kEntrySoundCaptureIndex, 0);
    g_nCapturePinIndex = AfxGetApp()->GetProfileInt(kSectionOption, kEntryCapturePinIndex, 0);
    g_nSearchFlag = AfxGetApp()->GetProfileInt(kSectionOption, kEntrySearchFlag, 0);

    m_sliderVolume->setRange(0, 200);
    m_sliderVolume->setValue(200);

    m_strOutputFile = GetDefaultOutputPath(kSectionOption, kEntryOutputFile,
                                           QDir::homePath() + QStringLiteral("/capture.wma"), 13 /* music */);
    m_editOutput->setText(m_strOutputFile);

    m_bSkipInputHint = 1;
    ResetGraphPointers();
    if (FAILED(CreateGraph()) || FAILED(EnumerateCaptureDevices())) {
        TearDownCapture();
        PostQuitMessage(0);
    }
    m_bSkipInputHint = AfxGetApp()->GetProfileInt(kSectionOption, kEntryOnlyOnce, 0);
    m_szTempWavFile = TempRecordingPath();
    m_btnHomepage->hide();
    m_btnAbout->hide();
    return TRUE;
}

void CCaptureDlg::OnCommand(int id, unsigned code)
{
    switch (id) {
    case IDC_DEVICE_COMBO:
        if (code == CBN_SELCHANGE)
            OnSelchangeDevice();
        break;
    case IDC_INPUT_COMBO:
        if (code == CBN_SELCHANGE)
            OnSelchangeInput();
        break;
    case IDC_VOLUME_SLIDER:
        if (code == NM_RELEASEDCAPTURE)
            OnReleasedCaptureVolume();
        break;
    case IDC_PLAY:
        OnPlay();
        break;
    case IDC_PAUSE:
        OnPause();
        break;
    case IDC_STOP:
        OnStop();
        break;
    case IDC_RECORD:
        OnRecord();
        break;
    case IDC_BROWSE:
        OnBrowse();
        break;
    case IDC_HOMEPAGE:
        OnHomepage();
        break;
    case IDC_ABOUT:
        OnAbout();
        break;
    case IDC_HELP_BUTTON:
        OnHelpButton();
        break;
    case IDC_EXIT:
        OnExit();
        break;
    default:
        break;
    }
}

void CCaptureDlg::OnSysCommand(UINT nID, LPARAM)
{
    switch (nID & 0xFFF0) {
    case IDM_ABOUTBOX:
        OnAbout();
        break;
    case SC_MOVE:
        if (QWindow *w = windowHandle())
            w->startSystemMove();
        break;
    case SC_MINIMIZE:
        showMinimized();
        break;
    case SC_CLOSE:
        WindowProc(WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

void CCaptureDlg::OnClose()
{
    if (m_pMC)
        m_pMC->Stop();
    KillTimer(ID_RECORD_TIMER);
    ReleaseDeviceList(m_cboDevice);
    m_cboInput->clear();
    RemoveRecordingChain();
    ReleaseGraph();
    CoUninitialize();
    AfxGetApp()->WriteProfileInt(kSectionOption, kEntrySoundCaptureIndex, g_nSoundCaptureIndex);
    AfxGetApp()->WriteProfileInt(kSectionOption, kEntryCapturePinIndex, g_nCapturePinIndex);
    AfxGetApp()->WriteProfileInt(kSectionOption, kEntrySearchFlag, g_nSearchFlag);
    UpdateData(TRUE);
    AfxGetApp()->WriteProfileString(kSectionOption, kEntryOutputFile, m_strOutputFile);
    CDialog::OnCancel();
}

void CCaptureDlg::OnDestroy()
{
    KillTimer(ID_RECORD_TIMER);
    if (m_cboDevice)
        ReleaseDeviceList(m_cboDevice);
    if (m_cboInput)
        m_cboInput->clear();
    RemoveRecordingChain();
    ReleaseGraph();
}

// Esc and Enter end the dialog without saving the settings, but a running
// recording is stopped first so that its file is finished, not cut off.
void CCaptureDlg::StopBeforeEnding()
{
    if (m_bRecording)
        OnStop();
}

void CCaptureDlg::OnCancel()
{
    StopBeforeEnding();
    CDialog::OnCancel();
}

void CCaptureDlg::OnOK()
{
    StopBeforeEnding();
    UpdateData(TRUE);
    CDialog::OnOK();
}

void CCaptureDlg::OnExit()
{
    PostMessage(this, WM_CLOSE, 0, 0);
}
