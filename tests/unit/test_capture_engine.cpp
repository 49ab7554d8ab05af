// The capture graph, the device list and the recording chain on fake media.
#include "support/DialogFixture.h"

#include "app/Settings.h"
#include "capture/CaptureEngine.h"

#include <QComboBox>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>

namespace {

using EngineTest = DialogFixture;

TEST_F(EngineTest, EveryReleaseCanRunTwice)
{
    ASSERT_TRUE(Open());
    dlg->BuildRecordingChain();
    for (int round = 0; round < 2; ++round) {
        dlg->RemoveRecordingChain();
        dlg->TearDownCapture();
        dlg->ReleaseGraph();
        ReleaseDeviceList(dlg->m_cboDevice);
    }
    EXPECT_EQ(fake::LiveObjects(), 0);
    EXPECT_FALSE(dlg->m_pGB || dlg->m_pMC || dlg->m_pME || dlg->m_pBuilder || dlg->m_pCaptureFilter ||
                 dlg->m_pEncoder || dlg->m_pFileWriter);
    EXPECT_EQ(dlg->m_cboDevice->count(), 0);
}

TEST_F(EngineTest, TheChainJoinsEncoderAndWriterAndAimsTheWriterAtTheTemporaryFile)
{
    ASSERT_TRUE(Open());
    fake::Calls().clear();
    ASSERT_EQ(dlg->BuildRecordingChain(), S_OK);
    const std::vector<std::string> expected = {"Create WAV Dest",
                                               "Create File Writer",
                                               "AddFilter WAV Dest",
                                               "AddFilter File Writer",
                                               "SetMode 1",
                                               "SetFileName " + dlg->m_szTempWavFile.toStdString(),
                                               "Render"};
    EXPECT_EQ(fake::Calls(), expected);
    EXPECT_EQ(Graph()->FilterNames(), (std::vector<std::string>{"Audio Capture", "WAV Dest", "File Writer"}));
    dlg->RemoveRecordingChain();
    EXPECT_EQ(Graph()->FilterNames(), std::vector<std::string>{"Audio Capture"});
}

TEST_F(EngineTest, ACaptureFilterWithoutOutputPinFailsAfterBothFiltersWereAdded)
{
    config.devices = {{"No Output", {{"Line In"}}, false, false, false, /*outputPin=*/false}};
    ASSERT_TRUE(Open());
    EXPECT_EQ(dlg->BuildRecordingChain(), E_FAIL);
    EXPECT_EQ(Graph()->FilterNames(), (std::vector<std::string>{"Audio Capture", "WAV Dest", "File Writer"}));
    EXPECT_FALSE(fake::Called("Render"));
    // A second build first clears away what the failed one left.
    EXPECT_EQ(dlg->BuildRecordingChain(), E_FAIL);
    EXPECT_EQ(Graph()->FilterNames(), (std::vector<std::string>{"Audio Capture", "WAV Dest", "File Writer"}));
}

TEST_F(EngineTest, WithoutAGraphTheBuildFailsBeforeCreatingAnything)
{
    ASSERT_TRUE(Open());
    dlg->TearDownCapture();
    fake::Calls().clear();
    EXPECT_TRUE(FAILED(dlg->BuildRecordingChain()));
    EXPECT_TRUE(fake::Calls().empty());
}

// The two trace lines appear only when the graph lacks an interface.
struct TraceCase {
    const char *name;
    bool noControl, noEvent;
    const char *trace; // expected substring, or null for no trace
};

class TraceTest : public DialogFixture, public ::testing::WithParamInterface<TraceCase> {};

std::vector<QString> g_traces;
void CollectTraces(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type == QtDebugMsg)
        g_traces.push_back(msg);
}

TEST_P(TraceTest, TracesOnlyAMissingInterface)
{
    config.graph.noMediaControl = GetParam().noControl;
    config.graph.noMediaEvent = GetParam().noEvent;
    g_traces.clear();
    const QtMessageHandler previous = qInstallMessageHandler(CollectTraces);
    const bool opened = Open() != nullptr;
    qInstallMessageHandler(previous);
    std::vector<QString> graphTraces;
    for (const QString &t : g_traces)
        if (t.startsWith(QStringLiteral("FAILED(")))
            graphTraces.push_back(t);
    if (GetParam().trace) {
        EXPECT_FALSE(opened) << "start-up ends when the graph cannot be made";
        ASSERT_EQ(graphTraces.size(), 1u);
        EXPECT_TRUE(graphTraces[0].contains(QString::fromLatin1(GetParam().trace))) << graphTraces[0].toStdString();
        EXPECT_TRUE(graphTraces[0].startsWith(QStringLiteral("FAILED(0x80004002)")));
    } else {
        EXPECT_TRUE(opened);
        EXPECT_TRUE(graphTraces.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Graphs, TraceTest,
                         ::testing::Values(TraceCase{"complete", false, false, nullptr},
                                           TraceCase{"no_control", true, false, "IID_IMediaControl, (void **)&m_pMC"},
                                           TraceCase{"no_events", false, true, "IID_IMediaEventEx, (void **)&m_pME"}),
                         [](const auto &p) { return std::string(p.param.name); });

TEST_F(EngineTest, GetNthPinCountsOnlyPinsOfTheWantedDirection)
{
    ASSERT_TRUE(Open());
    IBaseFilter *filter = dlg->m_pCaptureFilter.get();
    struct Case {
        PIN_DIRECTION dir;
        int index;
        HRESULT hr;
        const char *name;
    };
    for (const Case &c :
         {Case{PINDIR_INPUT, 0, S_OK, "Microphone"}, Case{PINDIR_INPUT, 2, S_OK, "Stereo Mix"},
          Case{PINDIR_INPUT, 3, E_FAIL, nullptr}, Case{PINDIR_OUTPUT, 0, S_OK, "Capture Built-in Audio out"},
          Case{PINDIR_OUTPUT, 1, E_FAIL, nullptr}}) {
        IPin *pin = reinterpret_cast<IPin *>(1);
        EXPECT_EQ(GetNthPin(filter, c.dir, c.index, &pin), c.hr) << c.index;
        if (c.name) {
            ASSERT_NE(pin, nullptr);
            PIN_INFO info;
            pin->QueryPinInfo(&info);
            EXPECT_EQ(info.achName, c.name);
            info.pFilter->Release();
            pin->Release();
        } else {
            EXPECT_EQ(pin, nullptr);
        }
    }
    IPin *pin = nullptr;
    EXPECT_EQ(GetNthPin(nullptr, PINDIR_INPUT, 0, &pin), E_POINTER);
}

TEST_F(EngineTest, WithoutTheEncoderRecordShowsTheErrorOnceAndChangesNothing)
{
    config.encoderMissing = true;
    ASSERT_TRUE(Open());
    dlg->OnRecord();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              QStringLiteral("The program does not detect its file writer. Please install the program again!"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(dlg->m_stcStatus->text(), QStringLiteral("Status : Ready"));
    EXPECT_TRUE(dlg->m_btnRecord->isEnabled());
    EXPECT_EQ(dlg->m_bRecording, 0);
    EXPECT_EQ(Graph()->state, "stopped");
    EXPECT_FALSE(fake::Called("Run"));
    dlg->OnRecord();
    EXPECT_EQ(boxes.size(), 2u) << "once per press";
}

// ---- device list ----

TEST_F(EngineTest, AFailingLastDeviceFailsTheListingAndStartUp)
{
    config.devices.push_back({"Broken", {{"x"}}, /*bagFails=*/false, /*nameFails=*/true});
    EXPECT_EQ(Open(), nullptr);
    EXPECT_TRUE(boxes.empty()) << "the program ends silently";
}

TEST_F(EngineTest, AFailingDeviceBeforeTheLastIsLeftOut)
{
    config.devices.insert(config.devices.begin(), {"Broken", {{"x"}}, /*bagFails=*/true});
    ASSERT_TRUE(Open());
    EXPECT_EQ(dlg->m_cboDevice->count(), 2);
    EXPECT_EQ(dlg->m_cboDevice->itemText(0), QStringLiteral("Built-in Audio"));
}

TEST_F(EngineTest, ARememberedDeviceBeyondTheListBindsNothingAndBecomesMinusOne)
{
    StoreInt(kEntrySoundCaptureIndex, 9);
    ASSERT_TRUE(Open());
    EXPECT_EQ(g_nSoundCaptureIndex, -1);
    EXPECT_FALSE(dlg->m_pCaptureFilter);
    EXPECT_EQ(dlg->m_cboInput->count(), 0);
    // Choosing by hand binds and repairs the index.
    dlg->m_cboDevice->setCurrentIndex(1);
    dlg->OnSelchangeDevice();
    EXPECT_EQ(g_nSoundCaptureIndex, 1);
    EXPECT_TRUE(dlg->m_pCaptureFilter);
    CloseWithExit();
    EXPECT_EQ(ProfileInt(kEntrySoundCaptureIndex, 0), 1);
}

TEST_F(EngineTest, AnIndexBeyondTheListIsStoredAsMinusOne)
{
    StoreInt(kEntrySoundCaptureIndex, 9);
    ASSERT_TRUE(Open());
    CloseWithExit();
    EXPECT_EQ(ProfileInt(kEntrySoundCaptureIndex, 0), -1);
}

TEST_F(EngineTest, TwoDevicesWithTheSameNameBindTheirOwnDevices)
{
    config.devices = {{"USB Audio", {{"Left"}}}, {"USB Audio", {{"Right"}}}};
    ASSERT_TRUE(Open());
    ASSERT_EQ(dlg->m_cboDevice->count(), 2);
    EXPECT_EQ(dlg->m_cboInput->itemText(0), QStringLiteral("Left"));
    dlg->m_cboDevice->setCurrentIndex(1);
    dlg->OnSelchangeDevice();
    EXPECT_EQ(dlg->m_cboInput->itemText(0), QStringLiteral("Right"));
}

TEST_F(EngineTest, ChangingDeviceRebuildsTheGraph)
{
    ASSERT_TRUE(Open());
    const int oldGraph = Graph()->serial;
    dlg->m_cboDevice->setCurrentIndex(1);
    dlg->OnSelchangeDevice();
    EXPECT_EQ(fake::LiveGraphs().size(), 1u) << "the old graph is released";
    EXPECT_GT(Graph()->serial, oldGraph);
    EXPECT_EQ(static_cast<IMediaControl *>(Graph()), dlg->m_pMC.get());
    EXPECT_EQ(Graph()->FilterNames(), std::vector<std::string>{"Audio Capture"});
    EXPECT_EQ(Graph()->NotifyWindow(), dlg.get());
    EXPECT_EQ(dlg->m_cboInput->count(), 1);
    EXPECT_EQ(hintShown, 1) << "a change of device offers the guidance";
}

TEST_F(EngineTest, AnEmptyCategoryListsNoEntries)
{
    QComboBox list;
    EXPECT_EQ(AddDevicesToList(nullptr, &list), S_FALSE);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.itemText(0), QStringLiteral("<< No entries >>"));
    EXPECT_EQ(DeviceMonikerAt(&list, 0), nullptr);
    ReleaseDeviceList(&list);
}

} // namespace
