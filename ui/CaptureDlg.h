// The main dialog: every control of the recorder, the capture graph and the
// state of a recording.
#pragma once

#include "platform/Dialog.h"
#include "platform/OsVersion.h"
#include "platform/media/Interfaces.h"

#include <QIcon>
#include <QString>

class QComboBox;
class QLineEdit;
class QLabel;
class QPushButton;
class QSlider;
class QMenu;
class CClearLabel;

constexpr UINT ID_RECORD_TIMER = 1113;

class CCaptureDlg : public CDialog {
    Q_OBJECT
public:
    explicit CCaptureDlg(QWidget *parent = nullptr);
    ~CCaptureDlg() override;

    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // ---- main dialog ----
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnExit();
    void OnAbout();
    QMenu *SystemMenu() const { return m_pSystemMenu; }

    // ---- capture graph ----
    HRESULT CreateGraph();
    void ResetGraphPointers();
    void ReleaseGraph();
    HRESULT RemoveRecordingChain();
    HRESULT BuildRecordingChain();
    void TearDownCapture();

    // ---- device catalogue ----
    HRESULT EnumerateCaptureDevices();
    void OnSelchangeDevice();

    // ---- input lines and level ----
    void OnSelchangeInput();
    HRESULT ApplyInputLine();
    HRESULT ShowLineLevel(IAMAudioInputMixer *mixer);
    HRESULT SetLineLevel(double level);
    void OnReleasedCaptureVolume();

    // ---- graph events ----
    HRESULT OnGraphNotify();

    // ---- recording commands ----
    void OnRecord();
    void OnPause();
    void OnStop();
    void OnTimer(UINT nIDEvent) override;
    void EnableCommandControls(BOOL enable);
    static QString FormatElapsed(int seconds);

    // ---- output file ----
    QString GetDefaultOutputPath(const QString &section, const QString &key, const QString &defaultPath, int folder);
    static QString GetFileNamePart(const QString &path);
    static BOOL FileExists(const QString &path);
    void OnBrowse();

    // ---- launchers ----
    void OnPlay();
    void OnHelpButton();
    void OnHomepage();
    static QString GetFolderPart(const QString &path);

    // Reads the output box into m_strOutputFile (true) or shows the member in it (false).
    void UpdateData(BOOL saveAndValidate);

    // Members, in declaration order.
    CClearLabel *m_lblOutput = nullptr;
    CClearLabel *m_lblMax = nullptr;
    CClearLabel *m_lblVolume = nullptr;
    CClearLabel *m_lblDevice = nullptr;
    CClearLabel *m_lblInput = nullptr;
    QPushButton *m_btnBrowse = nullptr;
    QPushButton *m_btnHomepage = nullptr;
    QPushButton *m_btnAbout = nullptr;
    QPushButton *m_btnHelp = nullptr;
    QString m_strOutputFile;
    QSlider *m_sliderVolume = nullptr;
    QLabel *m_stcStatus = nullptr;
    QPushButton *m_btnPause = nullptr;
    QPushButton *m_btnStop = nullptr;
    QPushButton *m_btnPlay = nullptr;
    QPushButton *m_btnRecord = nullptr;
    QComboBox *m_cboDevice = nullptr;
    QComboBox *m_cboInput = nullptr;
    QLineEdit *m_editOutput = nullptr;
    QIcon m_hIcon;
    int m_bPaused = 0;
    ComPtr<IGraphBuilder> m_pGB;
    ComPtr<IMediaControl> m_pMC;
    ComPtr<IMediaEventEx> m_pME;
    ComPtr<ICaptureGraphBuilder2> m_pBuilder;
    ComPtr<IBaseFilter> m_pCaptureFilter;
    ComPtr<IBaseFilter> m_pFileWriter;
    ComPtr<IBaseFilter> m_pEncoder;
    int m_nRecordSeconds = 0;
    int m_bRecording = 0;
    int m_bSkipInputHint = 0;
    QString m_szTempWavFile;
    OSVERSIONINFOA m_osvi;
    int m_nOutputWave = 0;
    // The file the running recording writes; Browse may change the box meanwhile.
    QString m_strRecordingFile;

protected:
    void OnCommand(int id, unsigned code) override;
    void OnClose() override;
    void OnDestroy() override;
    void OnCancel() override;
    void OnOK() override;
    QWidget *CreateControl(const ControlTemplate &c, QWidget *parent) override;
    void contextMenuEvent(QContextMenuEvent *e) override;

private:
    void DoDataExchange();
    void AddSystemMenu();
    void StopBeforeEnding();
    // Graph errors while recording (see OnGraphNotify).
    void OnGraphError(LONG_PTR hr);

    QMenu *m_pSystemMenu = nullptr;
};
