#include "platform/media/GstFilter.h"

GstPin::GstPin(IBaseFilter *owner, PIN_DIRECTION dir, std::string name, GstPad *pad)
    : m_owner(owner), m_dir(dir), m_name(std::move(name)), m_pad(pad ? GST_PAD(gst_object_ref(pad)) : nullptr)
{
}

GstPin::~GstPin()
{
    if (m_pad)
        gst_object_unref(m_pad);
}

HRESULT GstPin::QueryInterface(REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IPin)
        *ppv = static_cast<IPin *>(this);
    else if (riid == IGstPin::iid)
        *ppv = static_cast<IGstPin *>(this);
    else
        *ppv = FindExtraInterface(riid);
    if (!*ppv)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG GstPin::AddRef()
{
    return m_owner->AddRef();
}
ULONG GstPin::Release()
{
    return m_owner->Release();
}

HRESULT GstPin::QueryDirection(PIN_DIRECTION *dir)
{
    if (!dir)
        return E_POINTER;
    *dir = m_dir;
    return S_OK;
}

HRESULT GstPin::QueryPinInfo(PIN_INFO *info)
{
    if (!info)
        return E_POINTER;
    info->pFilter = m_owner;
    m_owner->AddRef();
    info->dir = m_dir;
    info->achName = m_name;
    return S_OK;
}

HRESULT GstPin::ConnectedTo(IPin **pin)
{
    if (!pin)
        return E_POINTER;
    *pin = m_peer;
    if (!m_peer)
        return VFW_E_NOT_CONNECTED;
    m_peer->AddRef();
    return S_OK;
}

namespace {
class PinEnumerator final : public ComObject<IEnumPins> {
public:
    explicit PinEnumerator(const std::vector<IPin *> &pins)
    {
        for (IPin *p : pins)
            m_pins.push_back(MakeRef(p));
    }
    HRESULT Next(ULONG count, IPin **pins, ULONG *fetched) override
    {
        if (!pins)
            return E_POINTER;
        ULONG n = 0;
        while (n < count && m_pos < m_pins.size()) {
            pins[n] = m_pins[m_pos++].get();
            pins[n]->AddRef();
            ++n;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Reset() override
    {
        m_pos = 0;
        return S_OK;
    }

private:
    std::vector<ComPtr<IPin>> m_pins;
    size_t m_pos = 0;
};
} // namespace

HRESULT CreatePinEnumerator(const std::vector<IPin *> &pins, IEnumPins **out)
{
    if (!out)
        return E_POINTER;
    *out = new PinEnumerator(pins);
    return S_OK;
}

GstPad *AddGhostPad(GstElement *bin, const char *name, GstPad *target)
{
    GstPad *ghost = gst_ghost_pad_new(name, target);
    gst_pad_set_active(ghost, TRUE);
    gst_element_add_pad(bin, ghost);
    return ghost;
}

GstElement *AddElement(GstElement *bin, const char *factory)
{
    GstElement *element = gst_element_factory_make(factory, nullptr);
    if (!element) {
        g_warning("GStreamer element \"%s\" is missing; is its plugin installed?", factory);
        return nullptr;
    }
    gst_bin_add(GST_BIN(bin), element);
    return element;
}

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter *filter, PIN_DIRECTION wanted)
{
    std::vector<ComPtr<IPin>> pins;
    ComPtr<IEnumPins> pinEnum;
    if (!filter || FAILED(filter->EnumPins(pinEnum.put())) || !pinEnum)
        return pins;
    ComPtr<IPin> pin;
    while (pinEnum->Next(1, pin.put(), nullptr) == S_OK) {
        PIN_DIRECTION dir;
        if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == wanted)
            pins.push_back(pin);
    }
    return pins;
}
