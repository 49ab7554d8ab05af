// The capture device list: filled from the system device enumerator, each
// entry owning its device's moniker; choosing an entry binds the device's
// capture filter into the graph and lists its input lines.
#include "capture/CaptureEngine.h"
#include "platform/MessageBox.h"
#include "ui/CaptureDlg.h"

#include "app/Settings.h"

#include <QComboBox>

namespace {
const QString kNoEntries = QStringLiteral("<< No entries >>");

QString NoHardwareText()
{
    return QStringLiteral("There were no audio capture devices detected on this system.\r\n"
                          "\r\n"
                          "If your system has an audio capture device (sound card, video camera, etc.),\r\n"
                          "then make sure that it is working properly and that you are not running\r\n"
                          "this program through a Windows XP Remote Desktop connection.\r\n"
                          "\r\n"
                          "This program will now exit.");
}

void AddEntry(QComboBox *list, const QString &name, IMoniker *moniker)
{
    list->addItem(name, QVariant::fromValue(quintptr(moniker)));
}
} // namespace

IMoniker *DeviceMonikerAt(QComboBox *list, int index)
{
    if (!list || index < 0 || index >= list->count())
        return nullptr;
    return reinterpret_cast<IMoniker *>(list->itemData(index).value<quintptr>());
}

HRESULT AddDevicesToList(IEnumMoniker *enumerator, QComboBox *list)
{
    if (!enumerator) {
        AddEntry(list, kNoEntries, nullptr);
        return S_FALSE;
    }
    HRESULT hr = S_OK;
    ComPtr<IMoniker> moniker;
    while (enumerator->Next(1, moniker.put(), nullptr) == S_OK) {
        ComPtr<IPropertyBag> bag;
        hr = moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.put_void());
        if (FAILED(hr))
            continue;
        VARIANT name;
        name.vt = VT_BSTR;
        hr = bag->Read("FriendlyName", &name, nullptr);
        if (FAILED(hr))
            continue;
        AddEntry(list, QString::fromUtf8(name.bstrVal.c_str()), moniker.Detach());
        VariantClear(&name);
    }
    return hr;
}

void ReleaseDeviceList(QComboBox *list)
{
    for (int i = 0; i < list->count(); ++i) {
        if (IMoniker *moniker = DeviceMonikerAt(list, i))
            moniker->Release();
    }
    list->clear();
}

HRESULT CCaptureDlg::EnumerateCaptureDevices()
{
    ComPtr<ICreateDevEnum> devEnum;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, &devEnum);
    if (FAILED(hr))
        return hr;
    ComPtr<IEnumMoniker> monikers;
    hr = devEnum->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, monikers.put(), 0);
    if (SUCCEEDED(hr))
        hr = AddDevicesToList(monikers.get(), m_cboDevice);
    monikers.Release();
    devEnum.Release();
    if (FAILED(hr))
        return hr;
    if (hr == S_FALSE) {
        MessageBox(this, NoHardwareText(), QStringLiteral("No audio capture hardware!"), MB_OK | MB_ICONERROR);
        return E_FAIL;
    }
    m_cboDevice->setCurrentIndex(g_nSoundCaptureIndex < m_cboDevice->count() ? g_nSoundCaptureIndex : -1);
    OnSelchangeDevice();
    return hr;
}

void CCaptureDlg::OnSelchangeDevice()
{
    if (m_pCaptureFilter) {
        m_cboInput->clear();
        ReleaseGraph();
        CreateGraph();
    }
    g_nSoundCaptureIndex = m_cboDevice->currentIndex();
    IMoniker *moniker = DeviceMonikerAt(m_cboDevice, g_nSoundCaptureIndex);
    if (!moniker)
        return;
    if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, m_pCaptureFilter.put_void())))
        return;
    if (!m_pGB || FAILED(m_pGB->AddFilter(m_pCaptureFilter.get(), "Audio Capture")))
        return;
    if (FAILED(ListInputLines(m_pCaptureFilter.get(), PINDIR_INPUT, m_cboInput)))
        return;
    m_cboInput->setCurrentIndex(g_nCapturePinIndex < m_cboInput->count() ? g_nCapturePinIndex : -1);
    OnSelchangeInput();
}
