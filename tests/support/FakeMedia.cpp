#include "support/FakeMedia.h"

#include <algorithm>
#include <atomic>
#include <map>

namespace fake {
namespace {
std::atomic<int> g_live{0};
Config *g_config = nullptr;
std::vector<FakeGraph *> g_graphs;
int g_graphSerial = 0;

struct Counted {
    Counted() { ++g_live; }
    ~Counted() { --g_live; }
    Counted(const Counted &) = delete;
    Counted &operator=(const Counted &) = delete;
};

void Log(std::string call)
{
    Calls().push_back(std::move(call));
}

class FakeFilter;

class FakePin final : public ComObject<IPin, IAMAudioInputMixer>, Counted {
public:
    FakePin(IBaseFilter *owner, PIN_DIRECTION dir, LineSpec spec) : m_owner(owner), m_dir(dir), m_spec(std::move(spec))
    {
    }
    HRESULT QueryInterface(REFIID riid, void **ppv) override
    {
        if (riid == IID_IAMAudioInputMixer && (!m_spec.hasMixer || m_dir != PINDIR_INPUT)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        return ComObject::QueryInterface(riid, ppv);
    }
    HRESULT QueryDirection(PIN_DIRECTION *dir) override
    {
        if (m_spec.directionFails)
            return E_FAIL;
        *dir = m_dir;
        return S_OK;
    }
    HRESULT QueryPinInfo(PIN_INFO *info) override
    {
        if (m_spec.infoFails)
            return E_FAIL;
        info->pFilter = m_owner;
        m_owner->AddRef();
        info->dir = m_dir;
        info->achName = m_spec.name;
        return S_OK;
    }
    HRESULT ConnectedTo(IPin **pin) override
    {
        *pin = nullptr;
        return VFW_E_NOT_CONNECTED;
    }
    HRESULT put_Enable(BOOL enable) override
    {
        Log("put_Enable " + m_spec.name + " " + std::to_string(enable));
        Line(m_spec.name).enabled = enable != 0;
        return S_OK;
    }
    HRESULT get_Enable(BOOL *enable) override
    {
        *enable = Line(m_spec.name).enabled;
        return S_OK;
    }
    HRESULT put_MixLevel(double level) override
    {
        Log("put_MixLevel " + m_spec.name + " " + std::to_string(level));
        Line(m_spec.name).level = level;
        return S_OK;
    }
    HRESULT get_MixLevel(double *level) override
    {
        *level = Line(m_spec.name).level;
        return S_OK;
    }

private:
    IBaseFilter *m_owner; // the filter holds the pin; no reference back
    PIN_DIRECTION m_dir;
    LineSpec m_spec;
};

class PinList final : public ComObject<IEnumPins>, Counted {
public:
    explicit PinList(std::vector<ComPtr<IPin>> pins) : m_pins(std::move(pins)) {}
    HRESULT Next(ULONG, IPin **pins, ULONG *fetched) override
    {
        if (fetched)
            *fetched = 0;
        if (m_pos >= m_pins.size())
            return S_FALSE;
        *pins = MakeRef(m_pins[m_pos++].get()).Detach();
        if (fetched)
            *fetched = 1;
        return S_OK;
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

class FakeFilter : public ComObject<IBaseFilter>, Counted {
public:
    FakeFilter(std::string label, const std::vector<LineSpec> &inputs, int outputs) : m_label(std::move(label))
    {
        for (const LineSpec &l : inputs)
            m_pins.push_back(ComPtr<IPin>::Attach(new FakePin(this, PINDIR_INPUT, l)));
        for (int i = 0; i < outputs; ++i)
            m_pins.push_back(ComPtr<IPin>::Attach(new FakePin(this, PINDIR_OUTPUT, LineSpec{m_label + " out"})));
    }
    HRESULT EnumPins(IEnumPins **pins) override
    {
        *pins = new PinList(m_pins);
        return S_OK;
    }
    HRESULT JoinFilterGraph(IFilterGraph *, const char *) override { return S_OK; }
    const std::string &Label() const { return m_label; }

protected:
    ~FakeFilter() override
    {
        // Pins point back at this filter; drop them first.
        m_pins.clear();
    }

private:
    std::string m_label;
    std::vector<ComPtr<IPin>> m_pins;
};

class FakeFileWriter final : public FakeFilter, public IFileSinkFilter2 {
public:
    FakeFileWriter() : FakeFilter("File Writer", {LineSpec{"in"}}, 0) {}
    HRESULT QueryInterface(REFIID riid, void **ppv) override
    {
        if (riid == IID_IFileSinkFilter2) {
            *ppv = static_cast<IFileSinkFilter2 *>(this);
            AddRef();
            return S_OK;
        }
        return FakeFilter::QueryInterface(riid, ppv);
    }
    ULONG AddRef() override { return FakeFilter::AddRef(); }
    ULONG Release() override { return FakeFilter::Release(); }
    HRESULT SetFileName(const char *name, const void *) override
    {
        Log(std::string("SetFileName ") + name);
        return S_OK;
    }
    HRESULT SetMode(DWORD flags) override
    {
        Log("SetMode " + std::to_string(flags));
        return S_OK;
    }
};

class FakePropertyBag final : public ComObject<IPropertyBag>, Counted {
public:
    explicit FakePropertyBag(DeviceSpec spec) : m_spec(std::move(spec)) {}
    HRESULT Read(const char *name, VARIANT *value, void *) override
    {
        if (m_spec.nameFails || std::string(name) != "FriendlyName")
            return E_FAIL;
        value->vt = VT_BSTR;
        value->bstrVal = m_spec.name;
        return S_OK;
    }

private:
    DeviceSpec m_spec;
};

class FakeMoniker final : public ComObject<IMoniker>, Counted {
public:
    explicit FakeMoniker(DeviceSpec spec) : m_spec(std::move(spec)) {}
    HRESULT BindToStorage(void *, IMoniker *, REFIID riid, void **ppv) override
    {
        if (m_spec.bagFails)
            return E_FAIL;
        return CreateComObject<FakePropertyBag>(riid, ppv, m_spec);
    }
    HRESULT BindToObject(void *, IMoniker *, REFIID riid, void **ppv) override
    {
        Log("BindToObject " + m_spec.name);
        if (m_spec.bindFails)
            return E_FAIL;
        return CreateComObject<FakeFilter>(riid, ppv, "Capture " + m_spec.name, m_spec.lines, m_spec.outputPin ? 1 : 0);
    }

private:
    DeviceSpec m_spec;
};

class FakeMonikerList final : public ComObject<IEnumMoniker>, Counted {
public:
    explicit FakeMonikerList(std::vector<DeviceSpec> devices) : m_devices(std::move(devices)) {}
    HRESULT Next(ULONG, IMoniker **out, ULONG *fetched) override
    {
        if (fetched)
            *fetched = 0;
        if (m_pos >= m_devices.size())
            return S_FALSE;
        *out = new FakeMoniker(m_devices[m_pos++]);
        if (fetched)
            *fetched = 1;
        return S_OK;
    }
    HRESULT Reset() override
    {
        m_pos = 0;
        return S_OK;
    }

private:
    std::vector<DeviceSpec> m_devices;
    size_t m_pos = 0;
};

class FakeDevEnum final : public ComObject<ICreateDevEnum>, Counted {
public:
    FakeDevEnum(std::vector<DeviceSpec> devices, bool noCategory) : m_devices(std::move(devices)), m_none(noCategory) {}
    HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker **out, DWORD) override
    {
        *out = nullptr;
        if (!(category == CLSID_AudioInputDeviceCategory) || m_none)
            return S_FALSE;
        *out = new FakeMonikerList(m_devices);
        return S_OK;
    }

private:
    std::vector<DeviceSpec> m_devices;
    bool m_none;
};

class FakeBuilder final : public ComObject<ICaptureGraphBuilder2>, Counted {
public:
    HRESULT SetFiltergraph(IGraphBuilder *graph) override
    {
        m_graph = MakeRef(graph);
        return S_OK;
    }

private:
    ComPtr<IGraphBuilder> m_graph;
};

} // namespace

std::vector<std::string> &Calls()
{
    static std::vector<std::string> calls;
    return calls;
}

bool Called(const std::string &call)
{
    return CountCalls(call) > 0;
}

int CountCalls(const std::string &call)
{
    return int(std::count(Calls().begin(), Calls().end(), call));
}

int LiveObjects()
{
    return g_live;
}

LineState &Line(const std::string &name)
{
    static std::map<std::string, LineState> lines;
    return lines[name];
}

FakeGraph::FakeGraph(GraphOptions options) : serial(g_graphSerial++), m_options(options)
{
    ++g_live;
    g_graphs.push_back(this);
}

FakeGraph::~FakeGraph()
{
    --g_live;
    g_graphs.erase(std::find(g_graphs.begin(), g_graphs.end(), this));
}

HRESULT FakeGraph::QueryInterface(REFIID riid, void **ppv)
{
    if ((riid == IID_IMediaControl && m_options.noMediaControl) ||
        (riid == IID_IMediaEventEx && m_options.noMediaEvent)) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    return ComObject::QueryInterface(riid, ppv);
}

HRESULT FakeGraph::AddFilter(IBaseFilter *filter, const char *name)
{
    Log(std::string("AddFilter ") + name);
    m_filters.emplace_back(name, MakeRef(filter));
    return S_OK;
}

HRESULT FakeGraph::RemoveFilter(IBaseFilter *filter)
{
    auto it = std::find_if(m_filters.begin(), m_filters.end(), [filter](auto &f) { return f.second.get() == filter; });
    if (it == m_filters.end())
        return VFW_E_NOT_IN_GRAPH;
    Log("RemoveFilter " + it->first);
    m_filters.erase(it);
    return S_OK;
}

HRESULT FakeGraph::Render(IPin *)
{
    Log("Render");
    return m_options.renderResult;
}

HRESULT FakeGraph::Run()
{
    Log("Run");
    if (m_options.runFails)
        return E_FAIL;
    state = "running";
    return S_OK;
}

HRESULT FakeGraph::Pause()
{
    Log("Pause");
    state = "paused";
    return S_OK;
}

HRESULT FakeGraph::Stop()
{
    Log("Stop");
    state = "stopped";
    return S_OK;
}

HRESULT FakeGraph::StopWhenReady()
{
    Log("StopWhenReady");
    state = "stopped";
    return S_OK;
}

HRESULT FakeGraph::GetEvent(long *code, LONG_PTR *param1, LONG_PTR *param2, long)
{
    if (m_events.empty())
        return E_ABORT;
    const Event e = m_events.front();
    m_events.pop_front();
    *code = e.code;
    *param1 = e.p1;
    *param2 = e.p2;
    Log("GetEvent " + std::to_string(e.code) + " " + std::to_string(e.p2));
    return S_OK;
}

HRESULT FakeGraph::FreeEventParams(long code, LONG_PTR, LONG_PTR)
{
    Log("FreeEventParams " + std::to_string(code));
    return S_OK;
}

HRESULT FakeGraph::SetNotifyWindow(HWND hwnd, long msg, LONG_PTR instance)
{
    m_hwnd = hwnd;
    m_msg = msg;
    m_instance = instance;
    return S_OK;
}

void FakeGraph::QueueEvent(long code, LONG_PTR param1, LONG_PTR param2)
{
    m_events.push_back(Event{code, param1, param2});
    if (m_hwnd)
        PostMessage(m_hwnd, UINT(m_msg), 0, m_instance);
}

std::vector<std::string> FakeGraph::FilterNames() const
{
    std::vector<std::string> names;
    for (const auto &f : m_filters)
        names.push_back(f.first);
    return names;
}

std::vector<FakeGraph *> LiveGraphs()
{
    return g_graphs;
}

void Install(Config *config)
{
    g_config = config;
    Calls().clear();
    CoRegisterClass(CLSID_FilterGraph, [](REFIID riid, void **ppv) {
        if (g_config->graphFails)
            return REGDB_E_CLASSNOTREG;
        return CreateComObject<FakeGraph>(riid, ppv, g_config->graph);
    });
    CoRegisterClass(CLSID_CaptureGraphBuilder2,
                    [](REFIID riid, void **ppv) { return CreateComObject<FakeBuilder>(riid, ppv); });
    CoRegisterClass(CLSID_SystemDeviceEnum, [](REFIID riid, void **ppv) {
        if (g_config->devEnumFails)
            return REGDB_E_CLASSNOTREG;
        return CreateComObject<FakeDevEnum>(riid, ppv, g_config->devices, g_config->noCategory);
    });
    CoRegisterClass(CLSID_FileWriter, [](REFIID riid, void **ppv) {
        Log("Create File Writer");
        return CreateComObject<FakeFileWriter>(riid, ppv);
    });
    CoRegisterClass(CLSID_EncoderFilter, [](REFIID riid, void **ppv) {
        if (g_config->encoderMissing)
            return REGDB_E_CLASSNOTREG;
        Log("Create WAV Dest");
        return CreateComObject<FakeFilter>(riid, ppv, "WAV Dest", std::vector<LineSpec>{LineSpec{"In"}}, 1);
    });
}

void Uninstall()
{
    for (const CLSID &c :
         {CLSID_FilterGraph, CLSID_CaptureGraphBuilder2, CLSID_SystemDeviceEnum, CLSID_FileWriter, CLSID_EncoderFilter})
        CoRegisterClass(c, nullptr);
    g_config = nullptr;
}

} // namespace fake
