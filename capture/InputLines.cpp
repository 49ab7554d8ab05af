// Input lines: the bound capture filter's input pins, the automatic choice
// of a stereo-mix line on first use, enabling the chosen line and the
// recording level on the slider.
#include "app/Settings.h"
#include "capture/CaptureEngine.h"
#include "platform/MessageBox.h"
#include "ui/CaptureDlg.h"
#include "ui/InputHintDlg.h"

#include <QComboBox>
#include <QSlider>

#include <array>

namespace {
// Tested in this order; the first line whose name holds one of them wins.
constexpr std::array<const char *, 5> kStereoMixKeywords = {"wave", "stereo", "mix", "what u hear", "output"};

bool IsStereoMixName(const std::string &name)
{
    std::string lower = name;
    for (char &c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    for (const char *keyword : kStereoMixKeywords) {
        if (lower.find(keyword) != std::string::npos)
            return true;
    }
    return false;
}
} // namespace

HRESULT ListInputLines(IBaseFilter *filter, PIN_DIRECTION dir, QComboBox *list)
{
    list->clear();
    if (!filter)
        return E_NOINTERFACE;
    ComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(pins.put());
    if (FAILED(hr)) {
        list->addItem(QStringLiteral("<ERROR>"));
        return hr;
    }
    pins->Reset();
    int line = 0;
    ComPtr<IPin> pin;
    while ((hr = pins->Next(1, pin.put(), nullptr)) == S_OK) {
        PIN_DIRECTION direction;
        if (FAILED(pin->QueryDirection(&direction))) {
            list->addItem(QStringLiteral("<ERROR>"));
            continue;
        }
        if (direction != dir)
            continue;
        PIN_INFO info;
        if (FAILED(pin->QueryPinInfo(&info)))
            continue;
        // The string is copied; its size is no longer bounded by a buffer.
        list->addItem(QString::fromUtf8(info.achName.c_str()));
        if (g_nSearchFlag == 0 && IsStereoMixName(info.achName)) {
            g_nCapturePinIndex = line;
            g_nSearchFlag = 1;
        }
        ++line;
        if (info.pFilter)
            info.pFilter->Release();
    }
    g_nSearchFlag = 1;
    return hr;
}

void CCaptureDlg::OnSelchangeInput()
{
    if (m_bSkipInputHint == 0) {
        CInputHintDlg hint;
        if (hint.DoModal() == IDOK)
            m_bSkipInputHint = hint.m_bOnlyOnce;
    }
    OnStop();
    ApplyInputLine();
}

namespace {
// Enables the selected line and disables all others, in list order; the
// selected line first gets `onSelected`. Returns the last step's result.
template <class OnSelected> HRESULT ForEachLine(IBaseFilter *filter, int count, int selection, OnSelected onSelected)
{
    HRESULT hr = S_OK;
    for (int i = 0; i < count; ++i) {
        ComPtr<IPin> pin;
        hr = GetNthPin(filter, PINDIR_INPUT, i, pin.put());
        if (FAILED(hr))
            continue;
        ComPtr<IAMAudioInputMixer> mixer;
        hr = pin.As(&mixer);
        if (FAILED(hr))
            continue;
        if (i == selection) {
            onSelected(mixer.get());
            hr = mixer->put_Enable(TRUE);
        } else {
            hr = mixer->put_Enable(FALSE);
        }
    }
    return hr;
}
} // namespace

HRESULT CCaptureDlg::ApplyInputLine()
{
    const int count = m_cboInput->count();
    const int selection = m_cboInput->currentIndex();
    g_nCapturePinIndex = selection;
    if (count == 0)
        return S_OK;
    return ForEachLine(m_pCaptureFilter.get(), count, selection,
                       [this](IAMAudioInputMixer *mixer) { ShowLineLevel(mixer); });
}

HRESULT CCaptureDlg::ShowLineLevel(IAMAudioInputMixer *mixer)
{
    double level = 0.0;
    mixer->get_MixLevel(&level);
    m_sliderVolume->setValue(int(level * 200));
    return S_OK;
}

HRESULT CCaptureDlg::SetLineLevel(double level)
{
    const int count = m_cboInput->count();
    const int selection = m_cboInput->currentIndex();
    g_nCapturePinIndex = selection;
    if (count == 0)
        return S_OK;
    return ForEachLine(m_pCaptureFilter.get(), count, selection,
                       [level](IAMAudioInputMixer *mixer) { mixer->put_MixLevel(level); });
}

void CCaptureDlg::OnReleasedCaptureVolume()
{
    SetLineLevel(m_sliderVolume->value() * 0.005);
}
