#include "platform/media/FilterGraph.h"

#include "platform/media/GstFilter.h"
#include "platform/pulse/DeviceWatch.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <memory>
#include <vector>

namespace {
Q_LOGGING_CATEGORY(lcGraph, "tombrello.graph")

// How long Stop waits for every file to be finished.
constexpr GstClockTime kStopTimeout = 5 * GST_SECOND;

ComPtr<IUnknown> Identity(IUnknown *object)
{
    ComPtr<IUnknown> id;
    if (object)
        object->QueryInterface(IID_IUnknown, id.put_void());
    return id;
}

bool IsConnected(IPin *pin)
{
    ComPtr<IPin> peer;
    return SUCCEEDED(pin->ConnectedTo(peer.put()));
}

// The pin's pad, owned by its filter (alive while the pin is held).
GstPad *PadOf(IPin *pin, ComPtr<IGstPin> *gstPin)
{
    if (FAILED(pin->QueryInterface(IGstPin::iid, gstPin->put_void())) || !*gstPin)
        return nullptr;
    return (*gstPin)->Pad();
}

HRESULT HresultOf(const GError *error)
{
    if (error && error->domain == GST_RESOURCE_ERROR)
        return VFW_E_FILE_ERROR;
    return E_FAIL;
}

// Logs an ERROR message and says what it means for the program.
HRESULT LogError(GstMessage *message)
{
    GError *error = nullptr;
    gchar *debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    const HRESULT hr = HresultOf(error);
    qCWarning(lcGraph).noquote() << "GStreamer error from" << GST_OBJECT_NAME(GST_MESSAGE_SRC(message)) << ":"
                                 << (error ? error->message : "?") << "|" << (debug ? debug : "");
    g_clear_error(&error);
    g_free(debug);
    return hr;
}

struct MessageUnref {
    void operator()(GstMessage *m) const { gst_message_unref(m); }
};
using MessagePtr = std::unique_ptr<GstMessage, MessageUnref>;

// Sits on the output of each source filter while the graph runs. While
// paused it drops the capture and afterwards shifts later timestamps back by
// the part it dropped, so a paused take reads as one continuous recording
// (the encoder's file takes its length from the timestamps). After Stop it
// drops everything, so that nothing follows the end of the stream.
struct SourceTap {
    std::atomic<bool> paused{false};
    std::atomic<bool> ended{false};
    // Some audio went through in this run.
    std::atomic<bool> passed{false};

    // Streaming thread only.
    bool skipped = false;
    GstClockTime lastEnd = GST_CLOCK_TIME_NONE;
    GstClockTime shift = 0;

    void Pass(GstBuffer *buffer)
    {
        passed = true;
        const GstClockTime pts = GST_BUFFER_PTS(buffer);
        if (!GST_CLOCK_TIME_IS_VALID(pts))
            return;
        if (skipped && GST_CLOCK_TIME_IS_VALID(lastEnd) && pts > lastEnd)
            shift += pts - lastEnd;
        skipped = false;
        const GstClockTime duration = GST_BUFFER_DURATION(buffer);
        lastEnd = GST_CLOCK_TIME_IS_VALID(duration) ? pts + duration : pts;
    }

    GstBuffer *Shifted(GstBuffer *buffer) const
    {
        buffer = gst_buffer_make_writable(buffer);
        if (GST_BUFFER_PTS_IS_VALID(buffer))
            GST_BUFFER_PTS(buffer) -= std::min(shift, GST_BUFFER_PTS(buffer));
        if (GST_BUFFER_DTS_IS_VALID(buffer))
            GST_BUFFER_DTS(buffer) -= std::min(shift, GST_BUFFER_DTS(buffer));
        return buffer;
    }
};
using TapState = std::shared_ptr<SourceTap>;

GstPadProbeReturn OnSourceBuffer(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    SourceTap &tap = **static_cast<TapState *>(data);
    if (tap.ended || tap.paused) {
        tap.skipped = true;
        return GST_PAD_PROBE_DROP;
    }
    GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    tap.Pass(buffer);
    if (tap.shift > 0)
        GST_PAD_PROBE_INFO_DATA(info) = tap.Shifted(buffer);
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn OnSourceBufferList(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    SourceTap &tap = **static_cast<TapState *>(data);
    if (tap.ended || tap.paused) {
        tap.skipped = true;
        return GST_PAD_PROBE_DROP;
    }
    GstBufferList *list = gst_buffer_list_make_writable(GST_PAD_PROBE_INFO_BUFFER_LIST(info));
    gst_buffer_list_foreach(
        list,
        [](GstBuffer **buffer, guint, gpointer user) -> gboolean {
            SourceTap &t = *static_cast<SourceTap *>(user);
            t.Pass(*buffer);
            if (t.shift > 0)
                *buffer = t.Shifted(*buffer);
            return TRUE;
        },
        &tap);
    GST_PAD_PROBE_INFO_DATA(info) = list;
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn OnSourceData(GstPad *pad, GstPadProbeInfo *info, gpointer data)
{
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER_LIST)
        return OnSourceBufferList(pad, info, data);
    return OnSourceBuffer(pad, info, data);
}

class FilterGraph final : public ComObject<IGraphBuilder, IMediaControl, IMediaEventEx, IMediaEventSink> {
public:
    FilterGraph();

    HRESULT AddFilter(IBaseFilter *filter, const char *name) override;
    HRESULT RemoveFilter(IBaseFilter *filter) override;
    HRESULT Render(IPin *pin) override;

    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override { return EndStream(); }
    HRESULT StopWhenReady() override { return EndStream(); }

    HRESULT GetEvent(long *code, LONG_PTR *param1, LONG_PTR *param2, long msTimeout) override;
    HRESULT FreeEventParams(long, LONG_PTR, LONG_PTR) override { return S_OK; }
    HRESULT SetNotifyWindow(HWND hwnd, long msg, LONG_PTR instance) override;

    HRESULT Notify(long code, LONG_PTR param1, LONG_PTR param2) override;

protected:
    ~FilterGraph() override;
    HRESULT QueryExtraInterface(REFIID riid, void **ppv) override;

private:
    struct Entry {
        ComPtr<IUnknown> identity;
        ComPtr<IBaseFilter> filter;
        ComPtr<IGstFilter> gst;
        std::string name;
    };
    struct Link {
        ComPtr<IPin> out;
        ComPtr<IPin> in;
    };
    struct Tap {
        GstObjectPtr<GstPad> pad;
        gulong probe = 0;
        TapState state;
    };
    struct Event {
        long code;
        LONG_PTR param1;
        LONG_PTR param2;
    };
    enum class State { Stopped, Running, Paused };

    Entry *Find(IUnknown *filter);
    Entry *OwnerOf(IPin *pin);
    std::string UniqueName(const char *name) const;
    void Detach(Entry &entry);
    void DisconnectPins(IBaseFilter *filter);

    bool RenderFrom(IPin *out, std::vector<IUnknown *> &path, std::vector<Link> &made);
    bool Connect(IPin *out, IPin *in, std::vector<Link> &made);
    static void Unlink(const Link &link);
    static void UndoTo(std::vector<Link> &made, size_t mark);

    HRESULT Start();
    HRESULT EndStream();
    void TearDown();
    HRESULT StartFailure(GstStateChangeReturn result);
    void InstallTaps();
    void RemoveTaps();
    bool IsSourceFilter(IBaseFilter *filter) const;
    bool FromSource(GstMessage *message) const;
    void SendEndOfStream();
    void WaitForFirstAudio(gint64 deadline);
    void WaitForEndOfStream(gint64 deadline);
    void SetPaused(bool paused);

    void WatchBus();
    void DrainBus();
    void HandleMessage(GstMessage *message);
    void QueueEvent(long code, LONG_PTR param1, LONG_PTR param2);

    GstElement *m_pipeline;
    GstObjectPtr<GstBus> m_bus;
    std::unique_ptr<QSocketNotifier> m_busNotifier;
    std::vector<Entry> m_filters;
    std::vector<Tap> m_taps;
    State m_state = State::Stopped;
    // The pipeline's EOS was already read off the bus during this run.
    bool m_ended = false;

    std::deque<Event> m_events;
    QPointer<QObject> m_window;
    bool m_notify = false;
    UINT m_message = 0;
    LONG_PTR m_instance = 0;
};

FilterGraph::FilterGraph()
    : m_pipeline(GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new(nullptr)))), m_bus(gst_element_get_bus(m_pipeline))
{
    WatchBus();
    devicewatch::AddGraph(static_cast<IMediaEventSink *>(this));
}

FilterGraph::~FilterGraph()
{
    devicewatch::RemoveGraph(static_cast<IMediaEventSink *>(this));
    m_notify = false;
    m_busNotifier.reset();
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    RemoveTaps();
    while (!m_filters.empty()) {
        Detach(m_filters.back());
        m_filters.pop_back();
    }
    m_bus.reset();
    gst_object_unref(m_pipeline);
}

HRESULT FilterGraph::QueryExtraInterface(REFIID riid, void **ppv)
{
    if (!(riid == IID_IFilterGraph))
        return E_NOINTERFACE;
    *ppv = static_cast<IFilterGraph *>(static_cast<IGraphBuilder *>(this));
    AddRef();
    return S_OK;
}

// ---- filters ----

FilterGraph::Entry *FilterGraph::Find(IUnknown *filter)
{
    const ComPtr<IUnknown> id = Identity(filter);
    auto it =
        std::find_if(m_filters.begin(), m_filters.end(), [&](const Entry &e) { return e.identity.get() == id.get(); });
    return it == m_filters.end() ? nullptr : &*it;
}

FilterGraph::Entry *FilterGraph::OwnerOf(IPin *pin)
{
    PIN_INFO info;
    if (FAILED(pin->QueryPinInfo(&info)) || !info.pFilter)
        return nullptr;
    const ComPtr<IBaseFilter> filter = ComPtr<IBaseFilter>::Attach(info.pFilter);
    return Find(filter.get());
}

std::string FilterGraph::UniqueName(const char *name) const
{
    if (name && *name)
        return name;
    auto taken = [this](const std::string &n) {
        return std::any_of(m_filters.begin(), m_filters.end(), [&](const Entry &e) { return e.name == n; });
    };
    std::string generated;
    for (int i = 1; generated.empty() || taken(generated); ++i)
        generated = "Filter " + std::to_string(i);
    return generated;
}

HRESULT FilterGraph::AddFilter(IBaseFilter *filter, const char *name)
{
    if (!filter)
        return E_POINTER;
    Entry entry{Identity(filter), MakeRef(filter), {}, UniqueName(name)};
    if (FAILED(filter->QueryInterface(IGstFilter::iid, entry.gst.put_void())) || !entry.gst || !entry.gst->Element())
        return E_NOINTERFACE;
    if (Find(filter))
        return E_INVALIDARG;
    if (std::any_of(m_filters.begin(), m_filters.end(), [&](const Entry &e) { return e.name == entry.name; }))
        return VFW_E_DUPLICATE_NAME;
    // A bin can have one parent only: a filter still in another graph is refused.
    GstElement *bin = entry.gst->Element();
    if (GST_OBJECT_PARENT(bin) || !gst_bin_add(GST_BIN(m_pipeline), bin))
        return E_INVALIDARG;
    filter->JoinFilterGraph(static_cast<IFilterGraph *>(static_cast<IGraphBuilder *>(this)), entry.name.c_str());
    m_filters.push_back(std::move(entry));
    return S_OK;
}

HRESULT FilterGraph::RemoveFilter(IBaseFilter *filter)
{
    if (!filter)
        return E_POINTER;
    Entry *entry = Find(filter);
    if (!entry)
        return VFW_E_NOT_IN_GRAPH;
    Entry removed = std::move(*entry);
    m_filters.erase(m_filters.begin() + (entry - m_filters.data()));
    Detach(removed);
    return S_OK;
}

void FilterGraph::Detach(Entry &entry)
{
    GstElement *bin = entry.gst->Element();
    m_taps.erase(std::remove_if(m_taps.begin(), m_taps.end(),
                                [&](Tap &tap) {
                                    if (GST_OBJECT_PARENT(tap.pad.get()) != GST_OBJECT(bin))
                                        return false;
                                    gst_pad_remove_probe(tap.pad.get(), tap.probe);
                                    return true;
                                }),
                 m_taps.end());
    DisconnectPins(entry.filter.get());
    gst_element_set_state(bin, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(m_pipeline), bin);
    entry.filter->JoinFilterGraph(nullptr, nullptr);
}

void FilterGraph::DisconnectPins(IBaseFilter *filter)
{
    for (PIN_DIRECTION dir : {PINDIR_INPUT, PINDIR_OUTPUT}) {
        for (const ComPtr<IPin> &pin : PinsOf(filter, dir)) {
            ComPtr<IPin> peer;
            if (FAILED(pin->ConnectedTo(peer.put())))
                continue;
            Unlink(dir == PINDIR_OUTPUT ? Link{pin, peer} : Link{peer, pin});
        }
    }
}

// ---- connecting ----

HRESULT FilterGraph::Render(IPin *pin)
{
    if (!pin)
        return E_POINTER;
    Entry *owner = OwnerOf(pin);
    if (!owner)
        return VFW_E_NOT_IN_GRAPH;
    PIN_DIRECTION dir;
    if (FAILED(pin->QueryDirection(&dir)) || dir != PINDIR_OUTPUT)
        return E_INVALIDARG;
    if (IsConnected(pin))
        return VFW_E_ALREADY_CONNECTED;
    std::vector<IUnknown *> path{owner->identity.get()};
    std::vector<Link> made;
    return RenderFrom(pin, path, made) ? S_OK : VFW_E_CANNOT_RENDER;
}

// Tries the filters in the order they were added; `path` holds the filters
// upstream of `out`, which must not be entered again.
bool FilterGraph::RenderFrom(IPin *out, std::vector<IUnknown *> &path, std::vector<Link> &made)
{
    for (Entry &entry : m_filters) {
        if (std::find(path.begin(), path.end(), entry.identity.get()) != path.end())
            continue;
        for (const ComPtr<IPin> &in : PinsOf(entry.filter.get(), PINDIR_INPUT)) {
            const size_t mark = made.size();
            if (IsConnected(in.get()) || !Connect(out, in.get(), made))
                continue;
            path.push_back(entry.identity.get());
            bool complete = true;
            for (const ComPtr<IPin> &next : PinsOf(entry.filter.get(), PINDIR_OUTPUT)) {
                if (!IsConnected(next.get()) && !RenderFrom(next.get(), path, made)) {
                    complete = false;
                    break;
                }
            }
            path.pop_back();
            if (complete)
                return true;
            UndoTo(made, mark);
        }
    }
    return false;
}

bool FilterGraph::Connect(IPin *out, IPin *in, std::vector<Link> &made)
{
    ComPtr<IGstPin> outPin, inPin;
    GstPad *src = PadOf(out, &outPin);
    GstPad *sink = PadOf(in, &inPin);
    if (!src || !sink || gst_pad_link(src, sink) != GST_PAD_LINK_OK)
        return false;
    outPin->SetConnectedPin(in);
    inPin->SetConnectedPin(out);
    made.push_back({MakeRef(out), MakeRef(in)});
    return true;
}

void FilterGraph::Unlink(const Link &link)
{
    ComPtr<IGstPin> outPin, inPin;
    GstPad *src = PadOf(link.out.get(), &outPin);
    GstPad *sink = PadOf(link.in.get(), &inPin);
    if (src && sink)
        gst_pad_unlink(src, sink);
    if (outPin)
        outPin->SetConnectedPin(nullptr);
    if (inPin)
        inPin->SetConnectedPin(nullptr);
}

void FilterGraph::UndoTo(std::vector<Link> &made, size_t mark)
{
    while (made.size() > mark) {
        Unlink(made.back());
        made.pop_back();
    }
}

// ---- running ----

HRESULT FilterGraph::Run()
{
    switch (m_state) {
    case State::Running:
        return S_OK;
    case State::Paused:
        SetPaused(false);
        m_state = State::Running;
        return S_OK;
    case State::Stopped:
        break;
    }
    return Start();
}

HRESULT FilterGraph::Pause()
{
    if (m_state == State::Stopped) {
        const HRESULT hr = Start();
        if (FAILED(hr))
            return hr;
    }
    SetPaused(true);
    m_state = State::Paused;
    return S_OK;
}

HRESULT FilterGraph::Start()
{
    InstallTaps();
    m_ended = false;
    const GstStateChangeReturn result = gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
    MessagePtr error(gst_bus_pop_filtered(m_bus.get(), GST_MESSAGE_ERROR));
    if (result == GST_STATE_CHANGE_FAILURE || error) {
        const HRESULT hr = error ? LogError(error.get()) : StartFailure(result);
        TearDown();
        return hr;
    }
    m_state = State::Running;
    if (std::getenv("GST_DEBUG_DUMP_DOT_DIR"))
        GST_DEBUG_BIN_TO_DOT_FILE(GST_BIN(m_pipeline), GST_DEBUG_GRAPH_SHOW_ALL, "tombrello-graph");
    return S_OK;
}

// Back to NULL; what the run left on the bus (a failing element often
// posts a second, vaguer error after the first) must not reach the next run.
void FilterGraph::TearDown()
{
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    RemoveTaps();
    gst_bus_set_flushing(m_bus.get(), TRUE);
    gst_bus_set_flushing(m_bus.get(), FALSE);
}

HRESULT FilterGraph::StartFailure(GstStateChangeReturn result)
{
    qCWarning(lcGraph) << "pipeline cannot start:" << gst_element_state_change_return_get_name(result);
    return E_FAIL;
}

HRESULT FilterGraph::EndStream()
{
    if (m_state == State::Stopped)
        return S_OK;
    const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(kStopTimeout / GST_USECOND);
    WaitForFirstAudio(deadline);
    SendEndOfStream();
    // Without a connected source nothing can end, and nothing needs finishing.
    if (!m_ended && !m_taps.empty())
        WaitForEndOfStream(deadline);
    TearDown();
    m_state = State::Stopped;
    return S_OK;
}

// The end of stream goes straight into the filters after each source, not
// through the source: a capture whose server went away no longer streams,
// and its files must still be finished.
void FilterGraph::SendEndOfStream()
{
    for (Tap &tap : m_taps) {
        tap.state->ended = true;
        GstObjectPtr<GstPad> peer(gst_pad_get_peer(tap.pad.get()));
        if (peer)
            gst_pad_send_event(peer.get(), gst_event_new_eos());
    }
}

// A stream that ends before any audio came has no format, and the encoder
// then leaves a file no player reads. A capture can take a second or two
// to deliver its first buffer, so a quick Stop waits for it (a paused take
// lets it through) and ends the stream just after.
void FilterGraph::WaitForFirstAudio(gint64 deadline)
{
    auto silent = [](const Tap &tap) { return !tap.state->passed; };
    if (m_ended || std::none_of(m_taps.begin(), m_taps.end(), silent))
        return;
    for (Tap &tap : m_taps)
        tap.state->paused = false;
    while (std::any_of(m_taps.begin(), m_taps.end(), silent) && g_get_monotonic_time() < deadline)
        g_usleep(5000);
}

void FilterGraph::WaitForEndOfStream(gint64 deadline)
{
    for (;;) {
        const gint64 left = deadline - g_get_monotonic_time();
        MessagePtr message(left > 0
                               ? gst_bus_timed_pop_filtered(m_bus.get(), static_cast<GstClockTime>(left) * GST_USECOND,
                                                            GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))
                               : nullptr);
        if (!message) {
            qCWarning(lcGraph) << "the stream did not end in time; files may be incomplete";
            return;
        }
        if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS)
            return;
        LogError(message.get());
        // A failing source does not keep the end from arriving; a failing
        // encoder or writer does.
        if (!FromSource(message.get()))
            return;
    }
}

// A source filter feeds the graph: it has connected outputs and no
// connected inputs (a capture filter's input lines are never connected).
bool FilterGraph::IsSourceFilter(IBaseFilter *filter) const
{
    for (const ComPtr<IPin> &in : PinsOf(filter, PINDIR_INPUT))
        if (IsConnected(in.get()))
            return false;
    return true;
}

bool FilterGraph::FromSource(GstMessage *message) const
{
    for (const Tap &tap : m_taps) {
        GstObject *bin = GST_OBJECT_PARENT(tap.pad.get());
        if (bin && (GST_MESSAGE_SRC(message) == bin || gst_object_has_as_ancestor(GST_MESSAGE_SRC(message), bin)))
            return true;
    }
    return false;
}

void FilterGraph::InstallTaps()
{
    RemoveTaps();
    for (const Entry &entry : m_filters) {
        if (!IsSourceFilter(entry.filter.get()))
            continue;
        for (const ComPtr<IPin> &out : PinsOf(entry.filter.get(), PINDIR_OUTPUT)) {
            ComPtr<IGstPin> gstPin;
            GstPad *pad = PadOf(out.get(), &gstPin);
            if (!pad || !IsConnected(out.get()))
                continue;
            Tap tap{GstObjectPtr<GstPad>(GST_PAD(gst_object_ref(pad))), 0, std::make_shared<SourceTap>()};
            tap.probe = gst_pad_add_probe(
                pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST), OnSourceData,
                new TapState(tap.state), [](gpointer data) { delete static_cast<TapState *>(data); });
            m_taps.push_back(std::move(tap));
        }
    }
}

void FilterGraph::RemoveTaps()
{
    for (Tap &tap : m_taps)
        gst_pad_remove_probe(tap.pad.get(), tap.probe);
    m_taps.clear();
}

void FilterGraph::SetPaused(bool paused)
{
    for (Tap &tap : m_taps)
        tap.state->paused = paused;
}

// ---- events ----

// The bus is read on the UI thread from Qt's event loop: its poll fd is
// readable while messages are queued.
void FilterGraph::WatchBus()
{
    GPollFD pollFd{};
    gst_bus_get_pollfd(m_bus.get(), &pollFd);
    m_busNotifier = std::make_unique<QSocketNotifier>(pollFd.fd, QSocketNotifier::Read);
    QObject::connect(m_busNotifier.get(), &QSocketNotifier::activated, m_busNotifier.get(), [this] { DrainBus(); });
}

void FilterGraph::DrainBus()
{
    while (MessagePtr message{gst_bus_pop(m_bus.get())})
        HandleMessage(message.get());
}

void FilterGraph::HandleMessage(GstMessage *message)
{
    // Messages left over from a run already torn down are of no interest.
    if (m_state == State::Stopped)
        return;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
        QueueEvent(EC_ERRORABORT, LogError(message), 0);
        break;
    case GST_MESSAGE_EOS:
        m_ended = true;
        QueueEvent(EC_COMPLETE, S_OK, 0);
        break;
    default:
        break;
    }
}

void FilterGraph::QueueEvent(long code, LONG_PTR param1, LONG_PTR param2)
{
    m_events.push_back({code, param1, param2});
    if (m_notify && m_window)
        PostMessage(m_window.data(), m_message, 0, m_instance);
}

HRESULT FilterGraph::Notify(long code, LONG_PTR param1, LONG_PTR param2)
{
    QueueEvent(code, param1, param2);
    return S_OK;
}

HRESULT FilterGraph::SetNotifyWindow(HWND hwnd, long msg, LONG_PTR instance)
{
    m_window = hwnd;
    m_notify = hwnd != nullptr;
    m_message = static_cast<UINT>(msg);
    m_instance = instance;
    return S_OK;
}

HRESULT FilterGraph::GetEvent(long *code, LONG_PTR *param1, LONG_PTR *param2, long msTimeout)
{
    if (!code || !param1 || !param2)
        return E_POINTER;
    if (m_events.empty() && msTimeout != 0) {
        // Waiting means reading the bus here: the event loop is not running.
        const gint64 deadline = msTimeout < 0 ? G_MAXINT64 : g_get_monotonic_time() + gint64(msTimeout) * 1000;
        while (m_events.empty() && g_get_monotonic_time() < deadline) {
            const gint64 left = deadline - g_get_monotonic_time();
            const GstClockTime wait = msTimeout < 0 ? GST_CLOCK_TIME_NONE : GstClockTime(left) * GST_USECOND;
            if (MessagePtr message{gst_bus_timed_pop(m_bus.get(), wait)})
                HandleMessage(message.get());
        }
    }
    if (m_events.empty())
        return E_ABORT;
    const Event event = m_events.front();
    m_events.pop_front();
    *code = event.code;
    *param1 = event.param1;
    *param2 = event.param2;
    return S_OK;
}
} // namespace

HRESULT CreateFilterGraph(REFIID riid, void **ppv)
{
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    return CreateComObject<FilterGraph>(riid, ppv);
}
