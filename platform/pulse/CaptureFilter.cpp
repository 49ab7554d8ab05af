#include "platform/pulse/CaptureFilter.h"

#include "platform/media/GstFilter.h"
#include "platform/pulse/DeviceWatch.h"
#include "platform/pulse/PulseConnection.h"
#include "platform/pulse/ServerWatcher.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace pulse {
namespace {

// What the streaming thread needs to know; shared so that a callback still
// running while the filter goes never reads freed memory.
struct StreamGuard {
    std::atomic<bool> deviceGone{false};
    std::atomic<bool> moved{false};
    std::uint64_t listener = 0;

    std::mutex lock;
    std::string expected;      // source of the enabled line
    std::string switchingFrom; // previous source while a line switch is under way

    bool Dropping() const { return deviceGone || moved; }
};
using GuardPtr = std::shared_ptr<StreamGuard>;

GuardPtr &GuardOf(gpointer data)
{
    return *static_cast<GuardPtr *>(data);
}
void DeleteGuard(gpointer data)
{
    delete static_cast<GuardPtr *>(data);
}

GstPadProbeReturn DropAfterLoss(GstPad *, GstPadProbeInfo *, gpointer data)
{
    return GuardOf(data)->Dropping() ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

// Where the stream reads now, judged against the enabled line. While a line
// switch has not reached the server yet, the old source is no verdict.
enum class StreamPlace { Expected, Elsewhere, Undecided };

StreamPlace PlaceOf(StreamGuard &guard, const std::string &current)
{
    std::lock_guard<std::mutex> hold(guard.lock);
    if (current == guard.expected) {
        guard.switchingFrom.clear();
        return StreamPlace::Expected;
    }
    if (!guard.switchingFrom.empty() && current == guard.switchingFrom)
        return StreamPlace::Undecided;
    return StreamPlace::Elsewhere;
}

// pulsesrc announces current-device from its streaming thread whenever the
// server changes the recording stream, a move included.
void OnCurrentDevice(GObject *source, GParamSpec *, gpointer data)
{
    GuardPtr &guard = GuardOf(data);
    gchar *current = nullptr;
    g_object_get(source, "current-device", &current, nullptr);
    const std::string name = current ? current : "";
    g_free(current);
    if (name.empty())
        return;
    const StreamPlace place = PlaceOf(*guard, name);
    if (place == StreamPlace::Undecided)
        return;
    const bool movedNow = place == StreamPlace::Elsewhere;
    if (guard->moved.exchange(movedNow) != movedNow && movedNow)
        ServerWatcher::PostStreamMoved(guard->listener);
}

class LinePin;

class CaptureFilter final : public ComObject<IBaseFilter, IGstFilter>, public PresenceListener {
public:
    explicit CaptureFilter(CaptureDevice device);
    bool Built() const { return m_output != nullptr; }

    HRESULT EnumPins(IEnumPins **pins) override;
    HRESULT JoinFilterGraph(IFilterGraph *graph, const char *name) override;
    GstElement *Element() override { return m_bin; }

    const std::string &DeviceKey() const override { return m_device.key; }
    void DevicePresence(bool present) override;
    void StreamMoved() override;

    HRESULT EnableLine(size_t line, bool enable);
    HRESULT LineEnabled(size_t line, BOOL *enabled) const;
    HRESULT SetLineLevel(size_t line, double level);
    HRESULT LineLevel(size_t line, double *level) const;

private:
    ~CaptureFilter() override;
    void BuildBin();
    void Report(PresenceTracker::Change change);
    LONG_PTR Identity()
    {
        return reinterpret_cast<LONG_PTR>(static_cast<IUnknown *>(static_cast<IBaseFilter *>(this)));
    }

    CaptureDevice m_device;
    GuardPtr m_guard = std::make_shared<StreamGuard>();
    GstElement *m_bin = nullptr;
    GstElement *m_source = nullptr; // owned by the bin
    gulong m_notifyHandler = 0;
    std::unique_ptr<GstPin> m_output;
    std::vector<std::unique_ptr<LinePin>> m_lines;
    std::vector<bool> m_enabled;
    PresenceTracker m_presence;
    std::uint64_t m_listener = 0;
    IMediaEventSink *m_graph = nullptr; // not a reference: the graph owns us
};

class LinePin final : public GstPin, public IAMAudioInputMixer {
public:
    LinePin(CaptureFilter *filter, size_t line, const std::string &name)
        : GstPin(filter, PINDIR_INPUT, name, nullptr), m_filter(filter), m_line(line)
    {
    }

    HRESULT QueryInterface(REFIID riid, void **ppv) override { return GstPin::QueryInterface(riid, ppv); }
    ULONG AddRef() override { return GstPin::AddRef(); }
    ULONG Release() override { return GstPin::Release(); }

    HRESULT put_Enable(BOOL enable) override { return m_filter->EnableLine(m_line, enable != FALSE); }
    HRESULT get_Enable(BOOL *enable) override { return m_filter->LineEnabled(m_line, enable); }
    HRESULT put_MixLevel(double level) override { return m_filter->SetLineLevel(m_line, level); }
    HRESULT get_MixLevel(double *level) override { return m_filter->LineLevel(m_line, level); }

protected:
    void *FindExtraInterface(REFIID riid) override
    {
        return riid == IID_IAMAudioInputMixer ? static_cast<IAMAudioInputMixer *>(this) : nullptr;
    }

private:
    CaptureFilter *m_filter;
    size_t m_line;
};

CaptureFilter::CaptureFilter(CaptureDevice device) : m_device(std::move(device)), m_enabled(m_device.lines.size())
{
    m_guard->expected = m_device.lines.empty() ? std::string() : m_device.lines.front().source;
    for (size_t i = 0; i < m_device.lines.size(); ++i)
        m_lines.push_back(std::make_unique<LinePin>(this, i, m_device.lines[i].name));
    BuildBin();
    // Until a line is chosen the first one records; a port must be the
    // source's active one for that.
    if (Built() && !m_device.lines.empty()) {
        const InputLine &first = m_device.lines.front();
        if (!first.port.empty())
            Connection::Instance().SelectSourcePort(first.source, first.port);
        m_enabled[0] = true;
    }
    // The device was on the server when the moniker bound it: the tracker
    // starts with it present.
    m_listener = ServerWatcher::Instance().AddListener(this);
    m_guard->listener = m_listener;
}

CaptureFilter::~CaptureFilter()
{
    ServerWatcher::Instance().RemoveListener(m_listener);
    if (m_graph)
        devicewatch::GraphReleasesDevice(m_graph, m_device.key);
    if (m_source && m_notifyHandler)
        g_signal_handler_disconnect(m_source, m_notifyHandler);
    if (m_bin) {
        if (!GST_OBJECT_PARENT(m_bin))
            gst_element_set_state(m_bin, GST_STATE_NULL);
        gst_object_unref(m_bin);
    }
}

void CaptureFilter::BuildBin()
{
    static std::atomic<unsigned> serial{0};
    const std::string name = "capture" + std::to_string(serial++);
    m_bin = GST_ELEMENT(gst_object_ref_sink(gst_bin_new(name.c_str())));
    m_source = gst_element_factory_make("pulsesrc", "source");
    GstElement *convert = gst_element_factory_make("audioconvert", "convert");
    if (!m_source || !convert || m_device.lines.empty()) {
        if (m_source)
            gst_object_unref(gst_object_ref_sink(m_source));
        if (convert)
            gst_object_unref(gst_object_ref_sink(convert));
        m_source = nullptr;
        return;
    }
    g_object_set(m_source, "device", m_guard->expected.c_str(), "client-name", "Tombrello", nullptr);
    gst_bin_add_many(GST_BIN(m_bin), m_source, convert, nullptr);
    gst_element_link(m_source, convert);

    m_notifyHandler =
        g_signal_connect_data(m_source, "notify::current-device", G_CALLBACK(OnCurrentDevice), new GuardPtr(m_guard),
                              GClosureNotify(+[](gpointer data, GClosure *) { DeleteGuard(data); }), GConnectFlags(0));
    GstPad *sourcePad = gst_element_get_static_pad(m_source, "src");
    gst_pad_add_probe(sourcePad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
                      &DropAfterLoss, new GuardPtr(m_guard), &DeleteGuard);
    gst_object_unref(sourcePad);

    GstPad *convertPad = gst_element_get_static_pad(convert, "src");
    GstPad *ghost = AddGhostPad(m_bin, "capture", convertPad);
    gst_object_unref(convertPad);
    m_output = std::make_unique<GstPin>(this, PINDIR_OUTPUT, "Capture", ghost);
}

HRESULT CaptureFilter::EnumPins(IEnumPins **pins)
{
    std::vector<IPin *> list;
    for (const auto &line : m_lines)
        list.push_back(line.get());
    list.push_back(m_output.get());
    return CreatePinEnumerator(list, pins);
}

HRESULT CaptureFilter::JoinFilterGraph(IFilterGraph *graph, const char *)
{
    if (m_graph)
        devicewatch::GraphReleasesDevice(m_graph, m_device.key);
    m_graph = nullptr;
    ComPtr<IMediaEventSink> sink;
    if (graph && SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, sink.put_void())))
        m_graph = sink.get();
    if (m_graph)
        devicewatch::GraphHoldsDevice(m_graph, m_device.key);
    return S_OK;
}

void CaptureFilter::DevicePresence(bool present)
{
    m_guard->deviceGone = !present;
    Report(m_presence.Observe(present));
}

void CaptureFilter::StreamMoved()
{
    Report(m_presence.StreamMoved());
}

void CaptureFilter::Report(PresenceTracker::Change change)
{
    if (change == PresenceTracker::Change::None)
        return;
    // The graph's reaction may drop the last other reference.
    const ComPtr<IBaseFilter> self = MakeRef<IBaseFilter>(this);
    const bool lost = change == PresenceTracker::Change::Lost;
    if (lost)
        devicewatch::WatchForReturn(m_device.key);
    if (m_graph)
        m_graph->Notify(EC_DEVICE_LOST, Identity(), lost ? 0 : 1);
}

HRESULT CaptureFilter::EnableLine(size_t line, bool enable)
{
    if (line >= m_device.lines.size() || !m_source)
        return E_UNEXPECTED;
    if (!enable) {
        m_enabled[line] = false;
        return S_OK;
    }
    const InputLine &chosen = m_device.lines[line];
    Connection &server = Connection::Instance();
    if (chosen.port.empty() ? !server.SourceExists(chosen.source)
                            : !server.SelectSourcePort(chosen.source, chosen.port))
        return E_FAIL;
    {
        std::lock_guard<std::mutex> hold(m_guard->lock);
        if (m_guard->expected != chosen.source) {
            m_guard->switchingFrom = m_guard->expected;
            m_guard->expected = chosen.source;
        }
    }
    // A running pulsesrc moves its stream to the new device by itself.
    g_object_set(m_source, "device", chosen.source.c_str(), nullptr);
    m_enabled[line] = true;
    return S_OK;
}

HRESULT CaptureFilter::LineEnabled(size_t line, BOOL *enabled) const
{
    if (!enabled)
        return E_POINTER;
    if (line >= m_enabled.size())
        return E_UNEXPECTED;
    *enabled = m_enabled[line] ? TRUE : FALSE;
    return S_OK;
}

HRESULT CaptureFilter::SetLineLevel(size_t line, double level)
{
    if (line >= m_device.lines.size())
        return E_UNEXPECTED;
    if (!(level >= 0.0 && level <= 1.0))
        return E_INVALIDARG;
    return Connection::Instance().WriteSourceLevel(m_device.lines[line].source, level) ? S_OK : E_FAIL;
}

HRESULT CaptureFilter::LineLevel(size_t line, double *level) const
{
    if (!level)
        return E_POINTER;
    if (line >= m_device.lines.size())
        return E_UNEXPECTED;
    return Connection::Instance().ReadSourceLevel(m_device.lines[line].source, level) ? S_OK : E_FAIL;
}

} // namespace

HRESULT CreateCaptureFilter(const CaptureDevice &device, REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    auto *filter = new CaptureFilter(device);
    const HRESULT hr = filter->Built() ? filter->QueryInterface(riid, ppv) : E_FAIL;
    filter->Release();
    return hr;
}

} // namespace pulse
