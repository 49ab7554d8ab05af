// Record, Pause, Stop, the status line and the controls of each state.
#include "support/DialogFixture.h"

#include "app/Settings.h"
#include "res/Resource.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

namespace {

using RecordTest = DialogFixture;

struct Controls {
    bool record, pause, stop, play, input, device;
    friend bool operator==(const Controls &, const Controls &) = default;
    friend std::ostream &operator<<(std::ostream &os, const Controls &c)
    {
        return os << c.record << c.pause << c.stop << c.play << c.input << c.device;
    }
};

Controls ControlsOf(const CCaptureDlg &d)
{
    return {d.m_btnRecord->isEnabled(), d.m_btnPause->isEnabled(), d.m_btnStop->isEnabled(),
            d.m_btnPlay->isEnabled(),   d.m_cboInput->isEnabled(), d.m_cboDevice->isEnabled()};
}

constexpr Controls kIdle{true, true, true, true, true, true};
constexpr Controls kRecording{false, true, true, false, false, false};
constexpr Controls kPaused{true, true, true, false, false, false};

QString Status(const CCaptureDlg &d)
{
    return d.m_stcStatus->text();
}

void Tick(CCaptureDlg &d, int n)
{
    for (int i = 0; i < n; ++i)
        d.OnTimer(ID_RECORD_TIMER);
}

TEST_F(RecordTest, PauseOrStopWhileIdleChangeNothing)
{
    ASSERT_TRUE(Open());
    dlg->m_stcStatus->setText(QStringLiteral("marker"));
    dlg->OnPause();
    dlg->OnStop();
    EXPECT_EQ(Status(*dlg), QStringLiteral("marker"));
    EXPECT_EQ(ControlsOf(*dlg), kIdle);
    EXPECT_FALSE(fake::Called("Pause") || fake::Called("StopWhenReady"));
}

TEST_F(RecordTest, ARecordingWalksThroughItsStates)
{
    ASSERT_TRUE(Open());
    dlg->m_editOutput->setText(settingsDir.filePath(QStringLiteral("take.wma")));
    dlg->OnRecord();
    EXPECT_EQ(Status(*dlg), QStringLiteral("Status : Recording audio - Used Time: 00:00:00"));
    EXPECT_EQ(ControlsOf(*dlg), kRecording);
    EXPECT_TRUE(dlg->TimerRunning(ID_RECORD_TIMER));
    EXPECT_EQ(Graph()->state, "running");

    Tick(*dlg, 7);
    dlg->OnPause();
    EXPECT_EQ(Status(*dlg), QStringLiteral("Status : Paused audio recording - Used Time: 00:00:07"));
    EXPECT_EQ(ControlsOf(*dlg), kPaused);
    EXPECT_FALSE(dlg->TimerRunning(ID_RECORD_TIMER));
    dlg->m_stcStatus->setText(QString());
    dlg->OnPause();
    EXPECT_EQ(Status(*dlg), QStringLiteral("Status : Paused audio recording - Used Time: 00:00:07"));

    dlg->OnRecord();
    EXPECT_EQ(ControlsOf(*dlg), kRecording);
    EXPECT_TRUE(dlg->TimerRunning(ID_RECORD_TIMER));
    EXPECT_EQ(fake::CountCalls("AddFilter WAV Dest"), 1) << "resuming builds nothing";
    Tick(*dlg, 1);
    EXPECT_EQ(Status(*dlg), QStringLiteral("Status : Recording audio - Used Time: 00:00:08"));

    dlg->OnPause();
    dlg->OnStop();
    EXPECT_EQ(Status(*dlg), QStringLiteral("Status : Ready"));
    EXPECT_EQ(ControlsOf(*dlg), kIdle);
    EXPECT_EQ(Graph()->FilterNames(), std::vector<std::string>{"Audio Capture"});
    EXPECT_TRUE(fake::Called("StopWhenReady"));

    dlg->OnRecord();
    EXPECT_EQ(Status(*dlg), QStringLiteral("Status : Recording audio - Used Time: 00:00:00"));
    Tick(*dlg, 1);
    EXPECT_EQ(Status(*dlg), QStringLiteral("Status : Recording audio - Used Time: 00:00:01"));
}

TEST_F(RecordTest, ElapsedTimeFormat)
{
    struct Case {
        int seconds;
        const char *text;
    };
    for (const Case &c : {Case{0, "00:00:00"}, Case{59, "00:00:59"}, Case{61, "00:01:01"}, Case{3599, "00:59:59"},
                          Case{3600, "01:00:00"}, Case{359999, "99:59:59"}, Case{360000, "100:00:00"}})
        EXPECT_EQ(CCaptureDlg::FormatElapsed(c.seconds), QString::fromLatin1(c.text)) << c.seconds;
}

TEST_F(RecordTest, RecordDeletesTheOldFileAndHandsOffThePathBeforeBuilding)
{
    ASSERT_TRUE(Open());
    const QString out = settingsDir.filePath(QStringLiteral("old.wma"));
    {
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old recording");
    }
    dlg->m_editOutput->setText(out);
    config.encoderMissing = true; // even when the recording then fails to start
    dlg->OnRecord();
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_EQ(ReadHandOffKey(kHandOffOutputName), out);
    EXPECT_EQ(ReadHandOffKey(kHandOffOutputWave), QStringLiteral("0"));
    EXPECT_EQ(dlg->m_strOutputFile, out);
}

TEST_F(RecordTest, AGraphThatRefusesToRunShowsTheBoxThenStops)
{
    config.graph.runFails = true;
    ASSERT_TRUE(Open());
    dlg->OnRecord();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Start Recording Error"));
    EXPECT_EQ(boxes[0].flags, MB_OK);
    const QStringList lines = boxes[0].text.split(u'\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[2], QStringLiteral("3. The output file is being used by other program. "));
    EXPECT_EQ(ControlsOf(*dlg), kRecording) << "briefly recording until the posted Stop";
    Pump();
    EXPECT_EQ(Status(*dlg), QStringLiteral("Status : Ready"));
    EXPECT_EQ(ControlsOf(*dlg), kIdle);
    EXPECT_EQ(dlg->m_bRecording, 0);
    EXPECT_EQ(Graph()->FilterNames(), std::vector<std::string>{"Audio Capture"});
}

TEST_F(RecordTest, BrowseAndTheSliderStayUsableWhileRecording)
{
    ASSERT_TRUE(Open());
    dlg->OnRecord();
    EXPECT_TRUE(dlg->m_btnBrowse->isEnabled());
    EXPECT_TRUE(dlg->m_sliderVolume->isEnabled());
    EXPECT_TRUE(dlg->m_editOutput->isEnabled());
}

TEST_F(RecordTest, EscDuringARecordingStopsItBeforeEnding)
{
    ASSERT_TRUE(Open());
    dlg->OnRecord();
    fake::Calls().clear();
    CloseWithEsc();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(fake::Called("StopWhenReady")) << "the file is finished, not cut off";
    EXPECT_EQ(ProfileInt(kEntrySearchFlag, -7), -7) << "Esc stores nothing";
}

TEST_F(RecordTest, ClosingDuringARecordingStopsTheGraph)
{
    ASSERT_TRUE(Open());
    dlg->OnRecord();
    fake::Calls().clear();
    CloseWithExit();
    EXPECT_TRUE(fake::Called("Stop"));
    dlg.reset();
    EXPECT_EQ(fake::LiveObjects(), 0);
}

TEST_F(RecordTest, AGraphErrorWhileRecordingEndsTheRecordingWithAMessage)
{
    ASSERT_TRUE(Open());
    dlg->OnRecord();
    Graph()->QueueEvent(EC_ERRORABORT, VFW_E_FILE_ERROR, 0);
    Pump();
    EXPECT_EQ(dlg->m_bRecording, 0);
    EXPECT_EQ(Status(*dlg), QStringLiteral("Status : Ready"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Recording Error"));
    EXPECT_TRUE(fake::Called("StopWhenReady"));
}

} // namespace
