// The capture filter against the private sound server: the enabled line is
// what records, the level slider is the source's volume, and a device that
// leaves (or a server that dies) is reported once, and its return once.
#include "platform/media/GstFilter.h"
#include "platform/pulse/CaptureFilter.h"
#include "platform/pulse/DeviceWatch.h"
#include "platform/pulse/PulseClasses.h"
#include "support/PulseDaemon.h"

#include <QCoreApplication>
#include <QThread>

#include <gst/audio/audio.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>

namespace {

using namespace std::chrono_literals;

// ---- helpers ----

bool WaitUntil(const std::function<bool()> &done, std::chrono::milliseconds bound)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

// Lets queued reports arrive, to see that no further ones come.
void Settle(std::chrono::milliseconds time)
{
    WaitUntil([] { return false; }, time);
}

ComPtr<IBaseFilter> BindByName(const std::string &name)
{
    RegisterPulseClasses();
    ComPtr<ICreateDevEnum> devEnum;
    ComPtr<IEnumMoniker> monikers;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, &devEnum)) ||
        devEnum->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, monikers.put(), 0) != S_OK)
        return {};
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.put(), nullptr) == S_OK) {
        ComPtr<IPropertyBag> bag;
        VARIANT value;
        value.vt = VT_BSTR;
        if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.put_void())) &&
            SUCCEEDED(bag->Read("FriendlyName", &value, nullptr)) && value.bstrVal == name) {
            ComPtr<IBaseFilter> filter;
            moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.put_void());
            return filter;
        }
    }
    return {};
}

ComPtr<IAMAudioInputMixer> LineMixer(IBaseFilter *filter, size_t line)
{
    ComPtr<IAMAudioInputMixer> mixer;
    auto pins = PinsOf(filter, PINDIR_INPUT);
    if (line < pins.size())
        pins[line].As(&mixer);
    return mixer;
}

LONG_PTR IdentityOf(IBaseFilter *filter)
{
    ComPtr<IUnknown> identity;
    filter->QueryInterface(IID_IUnknown, identity.put_void());
    return reinterpret_cast<LONG_PTR>(identity.get());
}

struct Notice {
    long code;
    LONG_PTR param1;
    LONG_PTR param2;
    bool operator==(const Notice &) const = default;
};

void PrintTo(const Notice &n, std::ostream *os)
{
    *os << "{" << n.code << ", " << n.param1 << ", " << n.param2 << "}";
}

// Stands in for the filter graph: records what filters report to it.
class RecordingGraph final : public ComObject<IFilterGraph, IMediaEventSink> {
public:
    HRESULT AddFilter(IBaseFilter *, const char *) override { return E_NOTIMPL; }
    HRESULT RemoveFilter(IBaseFilter *) override { return E_NOTIMPL; }
    HRESULT Notify(long code, LONG_PTR param1, LONG_PTR param2) override
    {
        notices.push_back({code, param1, param2});
        return S_OK;
    }
    std::vector<Notice> notices;
};

// Runs the filter's bin into a fakesink and keeps the loudest sample seen.
class Recorder {
public:
    explicit Recorder(IBaseFilter *filter)
    {
        ComPtr<IGstFilter> gst;
        ComPtr<IGstPin> out;
        auto outputs = PinsOf(filter, PINDIR_OUTPUT);
        if (FAILED(filter->QueryInterface(IGstFilter::iid, gst.put_void())) || outputs.empty() ||
            FAILED(outputs[0].As(&out)))
            return;
        m_pipeline = gst_pipeline_new(nullptr);
        m_bin = gst->Element();
        GstElement *convert = gst_element_factory_make("audioconvert", nullptr);
        GstElement *caps = gst_element_factory_make("capsfilter", nullptr);
        GstElement *sink = gst_element_factory_make("fakesink", nullptr);
        GstCaps *s16 = gst_caps_from_string("audio/x-raw,format=S16LE,layout=interleaved");
        g_object_set(caps, "caps", s16, nullptr);
        gst_caps_unref(s16);
        g_object_set(sink, "signal-handoffs", TRUE, "sync", FALSE, nullptr);
        g_signal_connect(sink, "handoff", G_CALLBACK(&Recorder::OnBuffer), this);
        gst_bin_add_many(GST_BIN(m_pipeline), m_bin, convert, caps, sink, nullptr);
        GstPad *convertIn = gst_element_get_static_pad(convert, "sink");
        m_linked = gst_pad_link(out->Pad(), convertIn) == GST_PAD_LINK_OK &&
                   gst_element_link_many(convert, caps, sink, nullptr);
        gst_object_unref(convertIn);
    }
    ~Recorder()
    {
        if (!m_pipeline)
            return;
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(m_pipeline), m_bin); // the filter keeps its bin
        gst_object_unref(m_pipeline);
    }
    Recorder(const Recorder &) = delete;
    Recorder &operator=(const Recorder &) = delete;

    // Playing, with the first buffer through.
    bool Start()
    {
        if (!m_linked || gst_element_set_state(m_pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
            return false;
        return WaitUntil([this] { return m_buffers > 0; }, 5s);
    }
    void ResetPeak() { m_peak = 0; }
    int Peak() const { return m_peak; }
    int Buffers() const { return m_buffers; }

    // Sends end-of-stream and waits until the sink saw it.
    bool Finishes()
    {
        gst_element_send_event(m_pipeline, gst_event_new_eos());
        GstBus *bus = gst_element_get_bus(m_pipeline);
        GstMessage *message =
            gst_bus_timed_pop_filtered(bus, 3 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        const bool eos = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
        if (message)
            gst_message_unref(message);
        gst_object_unref(bus);
        return eos;
    }

private:
    static void OnBuffer(GstElement *, GstBuffer *buffer, GstPad *, gpointer data)
    {
        auto *self = static_cast<Recorder *>(data);
        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
            return;
        const auto *samples = reinterpret_cast<const std::int16_t *>(map.data);
        int peak = self->m_peak;
        for (size_t i = 0; i < map.size / 2; ++i)
            peak = std::max(peak, std::abs(int(samples[i])));
        gst_buffer_unmap(buffer, &map);
        self->m_peak = peak;
        ++self->m_buffers;
    }

    GstElement *m_pipeline = nullptr;
    GstElement *m_bin = nullptr;
    bool m_linked = false;
    std::atomic<int> m_peak{0};
    std::atomic<int> m_buffers{0};
};

constexpr int kHeard = 1000; // speech peaks well above this
constexpr int kSilent = 50;  // an idle null sink's monitor is all zeros

// Two sinks, each with a reader keeping its monitor quick to start.
class PulseCaptureTest : public PulseTest {
protected:
    void SetUp() override
    {
        PulseTest::SetUp();
        ASSERT_GE(daemon.AddNullSink(kOther, "Other Output"), 0);
        readers.push_back(daemon.KeepReading(daemon.SinkName()));
        readers.push_back(daemon.KeepReading(kOther));
    }
    // Peak of what the filter records while speech plays into `sink`.
    int PeakWhileSpeaking(IBaseFilter *filter, const std::string &sink)
    {
        Recorder recorder(filter);
        EXPECT_TRUE(recorder.Start());
        recorder.ResetPeak();
        EXPECT_TRUE(daemon.Speak(sink, "one two"));
        Settle(200ms);
        return recorder.Peak();
    }

    static constexpr const char *kOther = "other_out";
    std::vector<std::unique_ptr<PulseDaemon::Reader>> readers;
};

// ---- which line records ----

struct LineCase {
    const char *what;
    int enabledLine; // -1: no put_Enable at all
    bool speakIntoOther;
    bool heard;
};

class EnabledLineTest : public PulseCaptureTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(EnabledLineTest, RecordsTheEnabledLinesSourceOnly)
{
    const LineCase &c = GetParam();
    // One device whose two lines are the two sinks' monitors.
    const pulse::CaptureDevice device{
        "sink:" + daemon.SinkName(),
        "Two Lines",
        {{"First", daemon.MonitorName(), {}}, {"Second", std::string(kOther) + ".monitor", {}}}};
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(pulse::CreateCaptureFilter(device, IID_IBaseFilter, filter.put_void()), S_OK);
    if (c.enabledLine >= 0) {
        for (size_t line = 0; line < 2; ++line)
            ASSERT_EQ(LineMixer(filter.get(), line)->put_Enable(int(line) == c.enabledLine), S_OK);
    }
    const int peak = PeakWhileSpeaking(filter.get(), c.speakIntoOther ? kOther : daemon.SinkName());
    if (c.heard)
        EXPECT_GT(peak, kHeard) << c.what;
    else
        EXPECT_LT(peak, kSilent) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Lines, EnabledLineTest,
                         ::testing::Values(LineCase{"first line records before any choice", -1, false, true},
                                           LineCase{"second line is not recorded before any choice", -1, true, false},
                                           LineCase{"chosen second line records", 1, true, true},
                                           LineCase{"first line is off once the second is chosen", 1, false, false}));

TEST_F(PulseCaptureTest, EnableFlagsFollowPutEnable)
{
    const pulse::CaptureDevice device{
        "sink:" + daemon.SinkName(),
        "Two Lines",
        {{"First", daemon.MonitorName(), {}}, {"Second", std::string(kOther) + ".monitor", {}}}};
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(pulse::CreateCaptureFilter(device, IID_IBaseFilter, filter.put_void()), S_OK);
    auto first = LineMixer(filter.get(), 0);
    auto second = LineMixer(filter.get(), 1);
    BOOL on = -1;
    ASSERT_EQ(first->get_Enable(&on), S_OK);
    EXPECT_EQ(on, TRUE) << "the first line records until another is chosen";
    ASSERT_EQ(second->get_Enable(&on), S_OK);
    EXPECT_EQ(on, FALSE);
    ASSERT_EQ(second->put_Enable(TRUE), S_OK);
    ASSERT_EQ(first->put_Enable(FALSE), S_OK);
    first->get_Enable(&on);
    EXPECT_EQ(on, FALSE);
    second->get_Enable(&on);
    EXPECT_EQ(on, TRUE);
}

TEST_F(PulseCaptureTest, SwitchingLinesWhileRecordingIsNoLoss)
{
    const pulse::CaptureDevice device{
        "sink:" + daemon.SinkName(),
        "Two Lines",
        {{"First", daemon.MonitorName(), {}}, {"Second", std::string(kOther) + ".monitor", {}}}};
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(pulse::CreateCaptureFilter(device, IID_IBaseFilter, filter.put_void()), S_OK);
    auto graph = ComPtr<RecordingGraph>::Attach(new RecordingGraph);
    filter->JoinFilterGraph(graph.get(), "Audio Capture");
    Recorder recorder(filter.get());
    ASSERT_TRUE(recorder.Start());

    ASSERT_EQ(LineMixer(filter.get(), 1)->put_Enable(TRUE), S_OK);
    Settle(300ms);
    recorder.ResetPeak();
    EXPECT_TRUE(daemon.Speak(kOther, "one two"));
    Settle(200ms);
    EXPECT_GT(recorder.Peak(), kHeard);
    EXPECT_TRUE(graph->notices.empty()) << "a chosen move is not a lost device";
    filter->JoinFilterGraph(nullptr, nullptr);
}

TEST_F(PulseCaptureTest, DeviceBoundThroughTheListRecordsItsOwnSink)
{
    ComPtr<IBaseFilter> filter = BindByName("Other Output");
    ASSERT_TRUE(filter);
    ASSERT_EQ(LineMixer(filter.get(), 0)->put_Enable(TRUE), S_OK);
    EXPECT_GT(PeakWhileSpeaking(filter.get(), kOther), kHeard);
    EXPECT_LT(PeakWhileSpeaking(filter.get(), daemon.SinkName()), kSilent);
}

// ---- recording level ----

class MixLevelTest : public PulseTest, public ::testing::WithParamInterface<double> {};

TEST_P(MixLevelTest, IsTheSourceVolume)
{
    ComPtr<IBaseFilter> filter = BindByName(daemon.SinkDescription());
    auto mixer = LineMixer(filter.get(), 0);
    ASSERT_TRUE(mixer);
    ASSERT_EQ(mixer->put_MixLevel(GetParam()), S_OK);
    // put_MixLevel waits for the server: pactl sees the new volume at once.
    EXPECT_NEAR(daemon.SourceVolume(daemon.MonitorName()).value_or(-1), GetParam(), 1e-3);
    double level = -1;
    ASSERT_EQ(mixer->get_MixLevel(&level), S_OK);
    EXPECT_NEAR(level, GetParam(), 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Levels, MixLevelTest, ::testing::Values(0.0, 0.3, 0.75, 1.0));

TEST_F(PulseCaptureTest, LevelReadsServerChangesAndMute)
{
    ComPtr<IBaseFilter> filter = BindByName(daemon.SinkDescription());
    auto mixer = LineMixer(filter.get(), 0);
    ASSERT_TRUE(mixer);
    ASSERT_TRUE(daemon.Pactl({"set-source-volume", daemon.MonitorName(), "40%"}));
    double level = -1;
    ASSERT_EQ(mixer->get_MixLevel(&level), S_OK);
    EXPECT_NEAR(level, 0.4, 1e-3);

    ASSERT_TRUE(daemon.Pactl({"set-source-mute", daemon.MonitorName(), "1"}));
    ASSERT_EQ(mixer->get_MixLevel(&level), S_OK);
    EXPECT_EQ(level, 0.0) << "muted counts as silent";

    // Asking for an audible level makes it audible.
    ASSERT_EQ(mixer->put_MixLevel(0.6), S_OK);
    EXPECT_EQ(daemon.SourceMuted(daemon.MonitorName()), false);
    ASSERT_EQ(mixer->get_MixLevel(&level), S_OK);
    EXPECT_NEAR(level, 0.6, 1e-3);

    // Volumes above 100 % read as full.
    ASSERT_TRUE(daemon.Pactl({"set-source-volume", daemon.MonitorName(), "150%"}));
    ASSERT_EQ(mixer->get_MixLevel(&level), S_OK);
    EXPECT_EQ(level, 1.0);
}

TEST_F(PulseCaptureTest, LevelOutsideTheRangeIsRefused)
{
    ComPtr<IBaseFilter> filter = BindByName(daemon.SinkDescription());
    auto mixer = LineMixer(filter.get(), 0);
    ASSERT_TRUE(mixer);
    ASSERT_EQ(mixer->put_MixLevel(0.5), S_OK);
    for (double wrong : {1.5, -0.1})
        EXPECT_EQ(mixer->put_MixLevel(wrong), E_INVALIDARG) << wrong;
    EXPECT_NEAR(daemon.SourceVolume(daemon.MonitorName()).value_or(-1), 0.5, 1e-3);
}

TEST_F(PulseCaptureTest, LineOfAGoneSourceFails)
{
    const int module = daemon.AddNullSink("short_out", "Short Output");
    ComPtr<IBaseFilter> filter = BindByName("Short Output");
    auto mixer = LineMixer(filter.get(), 0);
    ASSERT_TRUE(mixer);
    ASSERT_TRUE(daemon.UnloadModule(module));
    double level = -1;
    EXPECT_TRUE(FAILED(mixer->get_MixLevel(&level)));
    EXPECT_TRUE(FAILED(mixer->put_MixLevel(0.5)));
    EXPECT_TRUE(FAILED(mixer->put_Enable(TRUE)));
}

// ---- device loss ----

class DeviceLossTest : public PulseCaptureTest {
protected:
    // A sink of its own for the test: the watch for returns outlives tests,
    // so no two tests lose the same device.
    int AddLossySink()
    {
        m_sinkArgs = "sink_name=" + LossyName() + " sink_properties=device.description=Lossy";
        return daemon.LoadModule("module-null-sink", m_sinkArgs);
    }
    int ReloadLossySink() { return daemon.LoadModule("module-null-sink", m_sinkArgs); }
    static std::string LossyName()
    {
        return std::string("lossy_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    void Join(IBaseFilter *filter, RecordingGraph *graph) { filter->JoinFilterGraph(graph, "Audio Capture"); }

    std::string m_sinkArgs;
};

TEST_F(DeviceLossTest, UnloadedDeviceIsLostOnceAndBackOnce)
{
    const int module = AddLossySink();
    ComPtr<IBaseFilter> filter = BindByName("Lossy");
    ASSERT_TRUE(filter);
    auto graph = ComPtr<RecordingGraph>::Attach(new RecordingGraph);
    Join(filter.get(), graph.get());
    const Notice lost{EC_DEVICE_LOST, IdentityOf(filter.get()), 0};
    const Notice back{EC_DEVICE_LOST, IdentityOf(filter.get()), 1};

    // Unloading removes the sink and its monitor: one loss for both.
    ASSERT_TRUE(daemon.UnloadModule(module));
    EXPECT_TRUE(WaitUntil([&] { return !graph->notices.empty(); }, 3s));
    Settle(500ms);
    EXPECT_EQ(graph->notices, std::vector<Notice>{lost});

    ASSERT_GE(ReloadLossySink(), 0);
    EXPECT_TRUE(WaitUntil([&] { return graph->notices.size() >= 2; }, 3s));
    Settle(500ms);
    EXPECT_EQ(graph->notices, (std::vector<Notice>{lost, back}));
    filter->JoinFilterGraph(nullptr, nullptr);
}

TEST_F(DeviceLossTest, DeviceBackBeforeTheNextLookStillWentAndCameBack)
{
    const int module = AddLossySink();
    ComPtr<IBaseFilter> filter = BindByName("Lossy");
    ASSERT_TRUE(filter);
    auto graph = ComPtr<RecordingGraph>::Attach(new RecordingGraph);
    Join(filter.get(), graph.get());

    // No event is handled between the two: the server is next read with the sink back.
    ASSERT_TRUE(daemon.UnloadModule(module));
    ASSERT_GE(ReloadLossySink(), 0);
    EXPECT_TRUE(WaitUntil([&] { return graph->notices.size() >= 2; }, 3s));
    Settle(500ms);
    EXPECT_EQ(graph->notices, (std::vector<Notice>{{EC_DEVICE_LOST, IdentityOf(filter.get()), 0},
                                                   {EC_DEVICE_LOST, IdentityOf(filter.get()), 1}}));
    filter->JoinFilterGraph(nullptr, nullptr);
}

TEST_F(DeviceLossTest, EveryGraphHearsTheReturnOnce)
{
    const int module = AddLossySink();
    ComPtr<IBaseFilter> filter = BindByName("Lossy");
    ASSERT_TRUE(filter);
    auto holder = ComPtr<RecordingGraph>::Attach(new RecordingGraph);
    auto bystander = ComPtr<RecordingGraph>::Attach(new RecordingGraph);
    devicewatch::AddGraph(holder.get());
    devicewatch::AddGraph(bystander.get());
    Join(filter.get(), holder.get());

    ASSERT_TRUE(daemon.UnloadModule(module));
    ASSERT_TRUE(WaitUntil([&] { return !holder->notices.empty(); }, 3s));
    ASSERT_GE(ReloadLossySink(), 0);
    EXPECT_TRUE(WaitUntil([&] { return holder->notices.size() >= 2 && !bystander->notices.empty(); }, 3s));
    Settle(500ms);
    // The holder hears it from its filter, the other graph from the watch.
    EXPECT_EQ(holder->notices, (std::vector<Notice>{{EC_DEVICE_LOST, IdentityOf(filter.get()), 0},
                                                    {EC_DEVICE_LOST, IdentityOf(filter.get()), 1}}));
    EXPECT_EQ(bystander->notices, (std::vector<Notice>{{EC_DEVICE_LOST, 0, 1}}));

    filter->JoinFilterGraph(nullptr, nullptr);
    devicewatch::RemoveGraph(holder.get());
    devicewatch::RemoveGraph(bystander.get());
}

TEST_F(DeviceLossTest, NothingFromAnotherDeviceIsRecordedAfterTheLoss)
{
    const int module = AddLossySink();
    auto lossyReader = daemon.KeepReading(LossyName());
    ComPtr<IBaseFilter> filter = BindByName("Lossy");
    ASSERT_TRUE(filter);
    auto graph = ComPtr<RecordingGraph>::Attach(new RecordingGraph);
    Join(filter.get(), graph.get());
    Recorder recorder(filter.get());
    ASSERT_TRUE(recorder.Start());

    // The server moves the stream to another source; the filter must not pass it on.
    ASSERT_TRUE(daemon.UnloadModule(module));
    ASSERT_TRUE(WaitUntil([&] { return !graph->notices.empty(); }, 3s));
    Settle(300ms);
    const int buffersAtLoss = recorder.Buffers();
    recorder.ResetPeak();
    EXPECT_TRUE(daemon.Speak(daemon.SinkName(), "one two"));
    EXPECT_TRUE(daemon.Speak(kOther, "one two"));
    EXPECT_EQ(recorder.Buffers(), buffersAtLoss);
    EXPECT_EQ(recorder.Peak(), 0);
    EXPECT_EQ(graph->notices, (std::vector<Notice>{{EC_DEVICE_LOST, IdentityOf(filter.get()), 0}}));
    // The end of the stream still gets through, so files can be finished.
    EXPECT_TRUE(recorder.Finishes());
    filter->JoinFilterGraph(nullptr, nullptr);
}

TEST_F(DeviceLossTest, ReturnedDeviceRecordsAgainInANewRun)
{
    const int module = AddLossySink();
    ComPtr<IBaseFilter> filter = BindByName("Lossy");
    ASSERT_TRUE(filter);
    auto graph = ComPtr<RecordingGraph>::Attach(new RecordingGraph);
    Join(filter.get(), graph.get());
    {
        auto firstReader = daemon.KeepReading(LossyName());
        Recorder first(filter.get());
        ASSERT_TRUE(first.Start());
        ASSERT_TRUE(daemon.UnloadModule(module));
        ASSERT_TRUE(WaitUntil([&] { return !graph->notices.empty(); }, 3s));
        ASSERT_GE(ReloadLossySink(), 0);
        ASSERT_TRUE(WaitUntil([&] { return graph->notices.size() >= 2; }, 3s));
    }
    auto lossyReader = daemon.KeepReading(LossyName());
    EXPECT_GT(PeakWhileSpeaking(filter.get(), LossyName()), kHeard);
    filter->JoinFilterGraph(nullptr, nullptr);
}

TEST_F(DeviceLossTest, DeadServerIsALossAndItsRestartAReturn)
{
    ComPtr<IBaseFilter> filter = BindByName(daemon.SinkDescription());
    ASSERT_TRUE(filter);
    auto graph = ComPtr<RecordingGraph>::Attach(new RecordingGraph);
    Join(filter.get(), graph.get());
    readers.clear();

    daemon.Kill();
    EXPECT_TRUE(WaitUntil([&] { return !graph->notices.empty(); }, 3s));
    std::string error;
    ASSERT_TRUE(daemon.Restart(&error)) << error;
    // The connection is tried again each second.
    EXPECT_TRUE(WaitUntil([&] { return graph->notices.size() >= 2; }, 5s));
    Settle(500ms);
    EXPECT_EQ(graph->notices, (std::vector<Notice>{{EC_DEVICE_LOST, IdentityOf(filter.get()), 0},
                                                   {EC_DEVICE_LOST, IdentityOf(filter.get()), 1}}));
    filter->JoinFilterGraph(nullptr, nullptr);
}

} // namespace
