// The system device enumerator: the sound server's capture devices as
// monikers, each binding a property bag with its name and its capture filter.
#include "platform/pulse/CaptureFilter.h"
#include "platform/pulse/DeviceCatalog.h"
#include "platform/pulse/PulseClasses.h"
#include "platform/pulse/PulseConnection.h"

#include <cstring>
#include <vector>

namespace pulse {
namespace {

class PropertyBag final : public ComObject<IPropertyBag> {
public:
    explicit PropertyBag(std::string friendlyName) : m_friendlyName(std::move(friendlyName)) {}

    HRESULT Read(const char *name, VARIANT *value, void *) override
    {
        if (!name || !value)
            return E_POINTER;
        if (std::strcmp(name, "FriendlyName") != 0)
            return E_INVALIDARG;
        if (value->vt != VT_EMPTY && value->vt != VT_BSTR)
            return E_FAIL;
        value->vt = VT_BSTR;
        value->bstrVal = m_friendlyName;
        return S_OK;
    }

private:
    std::string m_friendlyName;
};

class DeviceMoniker final : public ComObject<IMoniker> {
public:
    explicit DeviceMoniker(CaptureDevice device) : m_device(std::move(device)) {}

    HRESULT BindToStorage(void *, IMoniker *, REFIID riid, void **ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (!(riid == IID_IPropertyBag))
            return E_NOINTERFACE;
        return CreateComObject<PropertyBag>(riid, ppv, m_device.name);
    }

    // A device that left since the list was made binds no filter.
    HRESULT BindToObject(void *, IMoniker *, REFIID riid, void **ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        ServerSnapshot server;
        if (!Connection::Instance().Snapshot(&server) || DeviceKeys(server).count(m_device.key) == 0)
            return E_DEVICE_GONE;
        return CreateCaptureFilter(m_device, riid, ppv);
    }

private:
    CaptureDevice m_device;
};

class MonikerEnumerator final : public ComObject<IEnumMoniker> {
public:
    explicit MonikerEnumerator(const std::vector<CaptureDevice> &devices)
    {
        for (const CaptureDevice &device : devices)
            m_monikers.push_back(ComPtr<IMoniker>::Attach(new DeviceMoniker(device)));
    }

    HRESULT Next(ULONG count, IMoniker **monikers, ULONG *fetched) override
    {
        if (!monikers)
            return E_POINTER;
        ULONG n = 0;
        for (; n < count && m_next < m_monikers.size(); ++n) {
            monikers[n] = m_monikers[m_next++].get();
            monikers[n]->AddRef();
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }

    HRESULT Reset() override
    {
        m_next = 0;
        return S_OK;
    }

private:
    std::vector<ComPtr<IMoniker>> m_monikers;
    size_t m_next = 0;
};

class SystemDeviceEnum final : public ComObject<ICreateDevEnum> {
public:
    HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker **enumerator, DWORD) override
    {
        if (!enumerator)
            return E_POINTER;
        *enumerator = nullptr;
        if (!(category == CLSID_AudioInputDeviceCategory))
            return S_FALSE;
        ServerSnapshot server;
        if (!Connection::Instance().Snapshot(&server))
            return S_FALSE;
        const std::vector<CaptureDevice> devices = GroupCaptureDevices(server);
        if (devices.empty())
            return S_FALSE;
        *enumerator = new MonikerEnumerator(devices);
        return S_OK;
    }
};

} // namespace
} // namespace pulse

void RegisterPulseClasses()
{
    CoRegisterClass(CLSID_SystemDeviceEnum,
                    [](REFIID riid, void **ppv) { return CreateComObject<pulse::SystemDeviceEnum>(riid, ppv); });
}
