// The graph's filter bookkeeping and Render's path search, on small filters
// made of capsfilters (no data flows).
#include "platform/media/FileWriter.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/GstFilter.h"
#include "support/ToneFilter.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <string>

namespace {

constexpr const char *RAW = "audio/x-raw";
constexpr const char *WAV = "audio/x-wav";
constexpr const char *VIDEO = "video/x-raw";

struct Join {
    IFilterGraph *graph;
    std::string name;
};

// Pins "in0".., "out0".. each accepting exactly the given caps.
class FakeFilter final : public BinFilter<> {
public:
    FakeFilter(const std::vector<const char *> &inputs, const std::vector<const char *> &outputs,
               bool *destroyed = nullptr)
        : m_destroyed(destroyed)
    {
        for (size_t i = 0; i < inputs.size(); ++i)
            AddCapsPin(PINDIR_INPUT, "in" + std::to_string(i), inputs[i]);
        for (size_t i = 0; i < outputs.size(); ++i)
            AddCapsPin(PINDIR_OUTPUT, "out" + std::to_string(i), outputs[i]);
    }
    ~FakeFilter() override
    {
        if (m_destroyed)
            *m_destroyed = true;
    }

    HRESULT JoinFilterGraph(IFilterGraph *graph, const char *name) override
    {
        joins.push_back({graph, name ? name : ""});
        return BinFilter::JoinFilterGraph(graph, name);
    }

    std::vector<Join> joins;

private:
    void AddCapsPin(PIN_DIRECTION dir, const std::string &name, const char *caps)
    {
        GstElement *filter = AddElement(Element(), "capsfilter");
        GstCaps *c = gst_caps_from_string(caps);
        g_object_set(filter, "caps", c, nullptr);
        gst_caps_unref(c);
        GstObjectPtr<GstPad> pad(gst_element_get_static_pad(filter, dir == PINDIR_INPUT ? "sink" : "src"));
        AddPin(dir, name.c_str(), pad.get());
    }

    bool *m_destroyed;
};

ComPtr<FakeFilter> MakeFake(const std::vector<const char *> &inputs, const std::vector<const char *> &outputs,
                            bool *destroyed = nullptr)
{
    return ComPtr<FakeFilter>::Attach(new FakeFilter(inputs, outputs, destroyed));
}

// A filter the graph cannot hold: it has no bin.
class PlainFilter final : public ComObject<IBaseFilter> {
public:
    HRESULT EnumPins(IEnumPins **pins) override { return CreatePinEnumerator({}, pins); }
    HRESULT JoinFilterGraph(IFilterGraph *, const char *) override
    {
        ++joins;
        return S_OK;
    }
    int joins = 0;
};

ComPtr<IGraphBuilder> MakeGraph()
{
    ComPtr<IGraphBuilder> graph;
    EXPECT_EQ(CreateFilterGraph(IID_IGraphBuilder, graph.put_void()), S_OK);
    return graph;
}

ComPtr<IPin> PinNamed(IBaseFilter *filter, const std::string &name)
{
    ComPtr<IEnumPins> pins;
    filter->EnumPins(pins.put());
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.put(), nullptr) == S_OK) {
        PIN_INFO info;
        pin->QueryPinInfo(&info);
        info.pFilter->Release();
        if (info.achName == name)
            return pin;
    }
    return {};
}

std::vector<ComPtr<IPin>> AllPins(IBaseFilter *filter)
{
    std::vector<ComPtr<IPin>> all;
    ComPtr<IEnumPins> pins;
    filter->EnumPins(pins.put());
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.put(), nullptr) == S_OK)
        all.push_back(pin);
    return all;
}

GstPad *PadOf(IPin *pin)
{
    ComPtr<IGstPin> gstPin;
    pin->QueryInterface(IGstPin::iid, gstPin.put_void());
    return gstPin->Pad();
}

// Every link among `filters` as "A.out0>B.in0", read from the pins and
// checked against the pads: both sides must agree.
std::set<std::string> Links(const std::map<std::string, ComPtr<FakeFilter>> &filters)
{
    std::map<IBaseFilter *, std::string> names;
    for (const auto &[name, f] : filters)
        names[f.get()] = name;
    std::set<std::string> links;
    for (const auto &[name, f] : filters) {
        for (const ComPtr<IPin> &pin : AllPins(f.get())) {
            PIN_INFO mine;
            pin->QueryPinInfo(&mine);
            mine.pFilter->Release();
            ComPtr<IPin> peer;
            const bool connected = SUCCEEDED(pin->ConnectedTo(peer.put()));
            GstObjectPtr<GstPad> padPeer(gst_pad_get_peer(PadOf(pin.get())));
            EXPECT_EQ(connected, padPeer != nullptr) << name << "." << mine.achName;
            if (!connected || mine.dir != PINDIR_OUTPUT)
                continue;
            EXPECT_EQ(padPeer.get(), PadOf(peer.get()));
            ComPtr<IPin> back;
            EXPECT_EQ(peer->ConnectedTo(back.put()), S_OK);
            EXPECT_EQ(back.get(), pin.get());
            PIN_INFO theirs;
            peer->QueryPinInfo(&theirs);
            links.insert(name + "." + mine.achName + ">" + names[theirs.pFilter] + "." + theirs.achName);
            theirs.pFilter->Release();
        }
    }
    return links;
}

std::string TestName(const char *what)
{
    std::string name = what;
    for (char &ch : name)
        if (!isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}

struct FilterDef {
    std::string name;
    std::vector<const char *> inputs;
    std::vector<const char *> outputs;
};

struct RenderCase {
    const char *what;
    std::vector<FilterDef> filters; // in the order they are added; the first is rendered from
    HRESULT expected;
    std::set<std::string> links;
};

void PrintTo(const RenderCase &c, std::ostream *os)
{
    *os << c.what;
}

class GraphRender : public ::testing::TestWithParam<RenderCase> {};

TEST_P(GraphRender, CompletesThePathThroughFiltersInTheGraph)
{
    const RenderCase &c = GetParam();
    ComPtr<IGraphBuilder> graph = MakeGraph();
    std::map<std::string, ComPtr<FakeFilter>> filters;
    for (const FilterDef &def : c.filters) {
        filters[def.name] = MakeFake(def.inputs, def.outputs);
        ASSERT_EQ(graph->AddFilter(filters[def.name].get(), def.name.c_str()), S_OK);
    }
    const ComPtr<IPin> start = PinNamed(filters[c.filters.front().name].get(), "out0");
    EXPECT_EQ(graph->Render(start.get()), c.expected);
    EXPECT_EQ(Links(filters), c.links);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, GraphRender,
    ::testing::Values(
        RenderCase{"no filter takes the capture", {{"Cap", {}, {RAW}}, {"Writer", {WAV}, {}}}, VFW_E_CANNOT_RENDER, {}},
        RenderCase{"through the encoder to the writer",
                   {{"Cap", {}, {RAW}}, {"Enc", {RAW}, {WAV}}, {"Writer", {WAV}, {}}},
                   S_OK,
                   {"Cap.out0>Enc.in0", "Enc.out0>Writer.in0"}},
        RenderCase{"the first filter added wins",
                   {{"Cap", {}, {RAW}}, {"A", {RAW}, {}}, {"B", {RAW}, {}}},
                   S_OK,
                   {"Cap.out0>A.in0"}},
        RenderCase{"a dead end is undone",
                   {{"Cap", {}, {RAW}}, {"Video", {RAW}, {VIDEO}}, {"Enc", {RAW}, {WAV}}, {"Writer", {WAV}, {}}},
                   S_OK,
                   {"Cap.out0>Enc.in0", "Enc.out0>Writer.in0"}},
        RenderCase{"every output is rendered",
                   {{"Cap", {}, {RAW}}, {"Split", {RAW}, {WAV, WAV}}, {"W1", {WAV}, {}}, {"W2", {WAV}, {}}},
                   S_OK,
                   {"Cap.out0>Split.in0", "Split.out0>W1.in0", "Split.out1>W2.in0"}},
        RenderCase{"a half-finished branch is undone downstream too",
                   {{"Cap", {}, {RAW}}, {"Split", {RAW}, {WAV, VIDEO}}, {"W1", {WAV}, {}}, {"Enc", {RAW}, {WAV}}},
                   S_OK,
                   {"Cap.out0>Enc.in0", "Enc.out0>W1.in0"}},
        RenderCase{"no loop back into a filter upstream",
                   {{"Cap", {}, {RAW}}, {"Mix", {RAW, RAW}, {RAW}}},
                   VFW_E_CANNOT_RENDER,
                   {}}),
    [](const auto &p) { return TestName(p.param.what); });

TEST(GraphRenderErrors, RefusesPinsItCannotStartFrom)
{
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<FakeFilter> cap = MakeFake({}, {RAW});
    ComPtr<FakeFilter> writer = MakeFake({RAW}, {});
    ComPtr<FakeFilter> outsider = MakeFake({}, {RAW});
    graph->AddFilter(cap.get(), "Cap");
    graph->AddFilter(writer.get(), "Writer");

    EXPECT_EQ(graph->Render(nullptr), E_POINTER);
    EXPECT_EQ(graph->Render(PinNamed(outsider.get(), "out0").get()), VFW_E_NOT_IN_GRAPH);
    EXPECT_EQ(graph->Render(PinNamed(writer.get(), "in0").get()), E_INVALIDARG);
    ASSERT_EQ(graph->Render(PinNamed(cap.get(), "out0").get()), S_OK);
    EXPECT_EQ(graph->Render(PinNamed(cap.get(), "out0").get()), VFW_E_ALREADY_CONNECTED);
}

TEST(GraphRenderErrors, WriterTakesNoRawCaptureWithoutAnEncoder)
{
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<IBaseFilter> tone = MakeToneFilter();
    ComPtr<IBaseFilter> writer;
    ASSERT_EQ(CreateFileWriter(IID_IBaseFilter, writer.put_void()), S_OK);
    graph->AddFilter(tone.get(), "Audio Capture");
    graph->AddFilter(writer.get(), "File Writer");

    const ComPtr<IPin> out = PinNamed(tone.get(), "Capture");
    EXPECT_EQ(graph->Render(out.get()), VFW_E_CANNOT_RENDER);
    ComPtr<IPin> peer;
    EXPECT_EQ(out->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(PinNamed(writer.get(), "in")->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
}

struct AddCase {
    const char *what;
    std::function<HRESULT(IGraphBuilder *graph, IGraphBuilder *other, FakeFilter *filter)> add;
    HRESULT expected;
};

void PrintTo(const AddCase &c, std::ostream *os)
{
    *os << c.what;
}

class GraphAddFilter : public ::testing::TestWithParam<AddCase> {};

TEST_P(GraphAddFilter, RefusesWhatItCannotHold)
{
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<IGraphBuilder> other = MakeGraph();
    ComPtr<FakeFilter> filter = MakeFake({RAW}, {});
    EXPECT_EQ(GetParam().add(graph.get(), other.get(), filter.get()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Errors, GraphAddFilter,
                         ::testing::Values(AddCase{"null",
                                                   [](IGraphBuilder *g, IGraphBuilder *, FakeFilter *) {
                                                       return g->AddFilter(nullptr, "x");
                                                   },
                                                   E_POINTER},
                                           AddCase{"duplicate name",
                                                   [](IGraphBuilder *g, IGraphBuilder *, FakeFilter *f) {
                                                       g->AddFilter(f, "Same");
                                                       ComPtr<FakeFilter> second = MakeFake({}, {});
                                                       const HRESULT hr = g->AddFilter(second.get(), "Same");
                                                       EXPECT_TRUE(second->joins.empty());
                                                       EXPECT_EQ(GST_OBJECT_PARENT(second->Element()), nullptr);
                                                       return hr;
                                                   },
                                                   VFW_E_DUPLICATE_NAME},
                                           AddCase{"same filter twice",
                                                   [](IGraphBuilder *g, IGraphBuilder *, FakeFilter *f) {
                                                       g->AddFilter(f, "One");
                                                       return g->AddFilter(f, "Two");
                                                   },
                                                   E_INVALIDARG},
                                           AddCase{"filter already in another graph",
                                                   [](IGraphBuilder *g, IGraphBuilder *o, FakeFilter *f) {
                                                       o->AddFilter(f, "One");
                                                       return g->AddFilter(f, "One");
                                                   },
                                                   E_INVALIDARG}),
                         [](const auto &p) { return TestName(p.param.what); });

TEST(GraphAddFilter, RefusesFilterWithoutBin)
{
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<PlainFilter> plain = ComPtr<PlainFilter>::Attach(new PlainFilter);
    EXPECT_EQ(graph->AddFilter(plain.get(), "Plain"), E_NOINTERFACE);
    EXPECT_EQ(plain->joins, 0);
    EXPECT_EQ(graph->RemoveFilter(plain.get()), VFW_E_NOT_IN_GRAPH);
}

TEST(GraphAddFilter, JoinsTheFilterUnderItsName)
{
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<IFilterGraph> asFilterGraph;
    ASSERT_EQ(graph.As(&asFilterGraph), S_OK);
    ComPtr<FakeFilter> filter = MakeFake({RAW}, {});
    ASSERT_EQ(graph->AddFilter(filter.get(), "WAV Dest"), S_OK);
    ASSERT_EQ(filter->joins.size(), 1u);
    EXPECT_EQ(filter->joins[0].graph, asFilterGraph.get());
    EXPECT_EQ(filter->joins[0].name, "WAV Dest");
    EXPECT_NE(GST_OBJECT_PARENT(filter->Element()), nullptr);
}

TEST(GraphRemoveFilter, DisconnectsAndLetsTheFilterGo)
{
    ComPtr<IGraphBuilder> graph = MakeGraph();
    std::map<std::string, ComPtr<FakeFilter>> filters{
        {"Cap", MakeFake({}, {RAW})}, {"Enc", MakeFake({RAW}, {WAV})}, {"Writer", MakeFake({WAV}, {})}};
    for (const char *name : {"Cap", "Enc", "Writer"})
        graph->AddFilter(filters[name].get(), name);
    ASSERT_EQ(graph->Render(PinNamed(filters["Cap"].get(), "out0").get()), S_OK);

    FakeFilter *enc = filters["Enc"].get();
    EXPECT_EQ(graph->RemoveFilter(nullptr), E_POINTER);
    ASSERT_EQ(graph->RemoveFilter(enc), S_OK);
    EXPECT_EQ(Links(filters), std::set<std::string>{});
    EXPECT_EQ(GST_OBJECT_PARENT(enc->Element()), nullptr);
    EXPECT_EQ(GST_STATE(enc->Element()), GST_STATE_NULL);
    ASSERT_EQ(enc->joins.size(), 2u);
    EXPECT_EQ(enc->joins[1].graph, nullptr);
    EXPECT_EQ(graph->RemoveFilter(enc), VFW_E_NOT_IN_GRAPH);

    // Free again: it can join another graph, and the name is free too.
    ComPtr<IGraphBuilder> other = MakeGraph();
    EXPECT_EQ(other->AddFilter(enc, "Enc"), S_OK);
    ComPtr<FakeFilter> replacement = MakeFake({RAW}, {WAV});
    EXPECT_EQ(graph->AddFilter(replacement.get(), "Enc"), S_OK);
}

TEST(GraphLifetime, ReleasingTheGraphReleasesItsFilters)
{
    bool destroyed = false;
    ComPtr<IGraphBuilder> graph = MakeGraph();
    {
        ComPtr<FakeFilter> filter = MakeFake({RAW}, {}, &destroyed);
        graph->AddFilter(filter.get(), "F");
    }
    EXPECT_FALSE(destroyed);
    graph.Release();
    EXPECT_TRUE(destroyed);
}

TEST(GraphLifetime, CaptureGraphBuilderKeepsTheGraph)
{
    bool destroyed = false;
    ComPtr<ICaptureGraphBuilder2> builder;
    ASSERT_EQ(CreateCaptureGraphBuilder(IID_ICaptureGraphBuilder2, builder.put_void()), S_OK);
    EXPECT_EQ(builder->SetFiltergraph(nullptr), E_POINTER);
    {
        ComPtr<IGraphBuilder> graph = MakeGraph();
        ComPtr<FakeFilter> filter = MakeFake({RAW}, {}, &destroyed);
        graph->AddFilter(filter.get(), "F");
        ASSERT_EQ(builder->SetFiltergraph(graph.get()), S_OK);
    }
    EXPECT_FALSE(destroyed);
    builder.Release();
    EXPECT_TRUE(destroyed);
}

TEST(GraphInterfaces, AllAnswerForOneObject)
{
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<IUnknown> identity;
    ASSERT_EQ(graph->QueryInterface(IID_IUnknown, identity.put_void()), S_OK);
    for (const IID &iid :
         {IID_IFilterGraph, IID_IGraphBuilder, IID_IMediaControl, IID_IMediaEventEx, IID_IMediaEventSink}) {
        ComPtr<IUnknown> answer;
        ASSERT_EQ(graph->QueryInterface(iid, answer.put_void()), S_OK) << GuidToString(iid);
        ComPtr<IUnknown> back;
        answer->QueryInterface(IID_IUnknown, back.put_void());
        EXPECT_EQ(back.get(), identity.get()) << GuidToString(iid);
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(graph->QueryInterface(IID_IPin, none.put_void()), E_NOINTERFACE);
}

TEST(GraphStop, StopWithoutRunDoesNothing)
{
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<IBaseFilter> tone = MakeToneFilter();
    graph->AddFilter(tone.get(), "Audio Capture");
    ComPtr<IMediaControl> control;
    graph.As(&control);
    EXPECT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(control->StopWhenReady(), S_OK);
    ComPtr<IGstFilter> gst;
    tone.As(&gst);
    EXPECT_EQ(GST_STATE(gst->Element()), GST_STATE_NULL);
}

// ---- File Writer ----

GstElement *InnerFileSink(IBaseFilter *writer)
{
    ComPtr<IGstFilter> gst;
    writer->QueryInterface(IGstFilter::iid, gst.put_void());
    GstElement *found = nullptr;
    GstIterator *it = gst_bin_iterate_elements(GST_BIN(gst->Element()));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto *element = GST_ELEMENT(g_value_get_object(&item));
        if (g_str_equal(G_OBJECT_TYPE_NAME(element), "GstFileSink"))
            found = element;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

TEST(FileWriter, SetFileNameNamesTheSinkFile)
{
    ComPtr<IFileSinkFilter2> sink;
    ASSERT_EQ(CreateFileWriter(IID_IFileSinkFilter2, sink.put_void()), S_OK);
    ComPtr<IBaseFilter> writer;
    ASSERT_EQ(sink.As(&writer), S_OK);
    GstElement *fileSink = InnerFileSink(writer.get());
    ASSERT_NE(fileSink, nullptr);

    EXPECT_EQ(sink->SetFileName(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(sink->SetFileName("", nullptr), E_INVALIDARG);
    ASSERT_EQ(sink->SetFileName("/tmp/some folder/zephtemp.wav", nullptr), S_OK);
    gchar *location = nullptr;
    g_object_get(fileSink, "location", &location, nullptr);
    EXPECT_STREQ(location, "/tmp/some folder/zephtemp.wav");
    g_free(location);
}

TEST(FileWriter, OnlyOverwriteModeIsKnown)
{
    ComPtr<IFileSinkFilter2> sink;
    ASSERT_EQ(CreateFileWriter(IID_IFileSinkFilter2, sink.put_void()), S_OK);
    EXPECT_EQ(sink->SetMode(AM_FILE_OVERWRITE), S_OK);
    for (DWORD flags : {DWORD(0x2), DWORD(0x3), DWORD(0x80000000)})
        EXPECT_EQ(sink->SetMode(flags), E_INVALIDARG) << flags;
}

TEST(FileWriter, HasOneInputPinNamedIn)
{
    ComPtr<IBaseFilter> writer;
    ASSERT_EQ(CreateFileWriter(IID_IBaseFilter, writer.put_void()), S_OK);
    const std::vector<ComPtr<IPin>> pins = AllPins(writer.get());
    ASSERT_EQ(pins.size(), 1u);
    PIN_INFO info;
    ASSERT_EQ(pins[0]->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, writer.get());
    info.pFilter->Release();
    EXPECT_EQ(info.dir, PINDIR_INPUT);
    EXPECT_EQ(info.achName, "in");
}

} // namespace
