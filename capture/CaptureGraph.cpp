// The capture graph: its creation, the recording chain that each recording
// adds and each stop removes, and the release operations. Every release
// leaves its pointer null, so each operation can run any number of times.
#include "capture/CaptureEngine.h"
#include "platform/MessageBox.h"
#include "ui/CaptureDlg.h"

#include <QComboBox>
#include <QDebug>
#include <QLineEdit>

#include <cstdarg>
#include <cstdio>
#include <cstring>

void TraceDebug(const char *format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    QString line = QString::fromLocal8Bit(buffer);
    if (line.endsWith(u'\n'))
        line.chop(1);
    qDebug().noquote() << line;
}

HRESULT CCaptureDlg::CreateGraph()
{
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, &m_pGB)) || !m_pGB)
        return E_NOINTERFACE;
    if (FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, &m_pBuilder)) || !m_pBuilder)
        return E_NOINTERFACE;
    HRESULT hr = m_pBuilder->SetFiltergraph(m_pGB.get());
    if (FAILED(hr))
        return hr;
    hr = m_pGB.As(&m_pMC);
    if (FAILED(hr)) {
        TraceDebug("FAILED(0x%x) hr = m_pGB->QueryInterface(IID_IMediaControl, (void **)&m_pMC)\n", unsigned(hr));
        return hr;
    }
    hr = m_pGB.As(&m_pME);
    if (FAILED(hr)) {
        TraceDebug("FAILED(0x%x) hr = m_pGB->QueryInterface(IID_IMediaEventEx, (void **)&m_pME)\n", unsigned(hr));
        return hr;
    }
    return m_pME->SetNotifyWindow(this, long(WM_GRAPHNOTIFY), 0);
}

void CCaptureDlg::ResetGraphPointers()
{
    // Callers come here only when nothing is held; should anything be, it is
    // released rather than leaked.
    m_pGB.Release();
    m_pMC.Release();
    m_pME.Release();
    m_pBuilder.Release();
    m_pCaptureFilter.Release();
    m_pFileWriter.Release();
    m_pEncoder.Release();
    m_bPaused = 0;
    if (m_editOutput)
        m_editOutput->setText(m_strOutputFile);
}

void CCaptureDlg::ReleaseGraph()
{
    if (m_pME)
        m_pME->SetNotifyWindow(nullptr, 0, 0);
    m_pMC.Release();
    m_pME.Release();
    m_pFileWriter.Release();
    m_pEncoder.Release();
    m_pCaptureFilter.Release();
    m_pGB.Release();
    m_pBuilder.Release();
}

HRESULT CCaptureDlg::RemoveRecordingChain()
{
    HRESULT hr = S_OK;
    if (m_pEncoder) {
        hr = m_pGB ? m_pGB->RemoveFilter(m_pEncoder.get()) : E_POINTER;
        m_pEncoder.Release();
    }
    if (m_pFileWriter) {
        hr = m_pGB ? m_pGB->RemoveFilter(m_pFileWriter.get()) : E_POINTER;
        m_pFileWriter.Release();
    }
    return hr;
}

HRESULT CCaptureDlg::BuildRecordingChain()
{
    if (!m_pGB)
        return E_POINTER;
    // Leftovers of a build that failed half-way go first, so that nothing
    // they hold is lost and the graph has one encoder and one writer at most.
    RemoveRecordingChain();

    if (FAILED(CoCreateInstance(CLSID_EncoderFilter, &m_pEncoder))) {
        MessageBox(this,
                   QStringLiteral("The program does not detect its file writer. Please install the program again!"),
                   QStringLiteral("Error"), MB_OK);
        return E_NOINTERFACE;
    }
    ComPtr<IFileSinkFilter2> sink;
    if (FAILED(CoCreateInstance(CLSID_FileWriter, &sink)))
        return E_NOINTERFACE;
    if (FAILED(sink.As(&m_pFileWriter)))
        return E_NOINTERFACE;
    HRESULT hr = m_pGB->AddFilter(m_pEncoder.get(), "WAV Dest");
    if (FAILED(hr))
        return hr;
    hr = m_pGB->AddFilter(m_pFileWriter.get(), "File Writer");
    if (FAILED(hr))
        return hr;
    sink->SetMode(AM_FILE_OVERWRITE);

    const QString fileName = m_szTempWavFile.isEmpty() ? QStringLiteral("c:\\recorder_temp.wma") : m_szTempWavFile;
    hr = sink->SetFileName(fileName.toUtf8().constData(), nullptr);
    if (FAILED(hr))
        return hr;

    ComPtr<IPin> pin;
    hr = GetNthPin(m_pCaptureFilter.get(), PINDIR_OUTPUT, 0, pin.put());
    if (SUCCEEDED(hr))
        hr = m_pGB->Render(pin.get());
    return hr;
}

void CCaptureDlg::TearDownCapture()
{
    if (m_cboDevice)
        ReleaseDeviceList(m_cboDevice);
    if (m_cboInput)
        m_cboInput->clear();
    RemoveRecordingChain();
    ReleaseGraph();
}

HRESULT GetNthPin(IBaseFilter *filter, PIN_DIRECTION dir, int index, IPin **pin)
{
    if (!pin)
        return E_POINTER;
    *pin = nullptr;
    if (!filter)
        return E_POINTER;
    ComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(pins.put());
    if (FAILED(hr))
        return hr;
    ComPtr<IPin> candidate;
    while (pins->Next(1, candidate.put(), nullptr) == S_OK) {
        auto direction = static_cast<PIN_DIRECTION>(-1);
        candidate->QueryDirection(&direction);
        if (direction == dir) {
            if (index == 0) {
                *pin = candidate.Detach();
                return S_OK;
            }
            --index;
        }
    }
    return E_FAIL;
}
