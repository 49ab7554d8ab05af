// The sound server killed and started again, while recording and while idle:
// no crash, Ready afterwards (with a message when a take was cut short and
// the take playable up to the kill), and the device list fills again.
#include "support/MediaProbe.h"
#include "support/RecorderFixture.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>

#include <iostream>
#include <thread>

namespace {

const QString kReady = QStringLiteral("Status : Ready");

struct ServerCase {
    const char *name;
    bool recording;
};
const ServerCase kServerCases[] = {{"WhileRecording", true}, {"WhileIdle", false}};

class FaultServerTest : public RecorderFixture, public ::testing::WithParamInterface<ServerCase> {};

TEST_P(FaultServerTest, KilledAndRestartedServerLeavesAClearStateAndTheDeviceComesBack)
{
    const ServerCase &c = GetParam();
    const QString device = QString::fromStdString(daemon.SinkDescription());
    auto reader = daemon.KeepReading(daemon.SinkName());
    ASSERT_TRUE(Open());
    ASSERT_TRUE(ChooseDevice(device));
    boxes.clear(); // start-up notices
    const QString out = OutputPath(QStringLiteral("cut.wma"));
    QElapsedTimer recorded;
    if (c.recording) {
        dlg->m_editOutput->setText(out);
        dlg->OnRecord();
        recorded.start();
        ASSERT_EQ(dlg->m_bRecording, 1);
        std::thread speech([&] { daemon.Speak(daemon.SinkName(), "The sound server dies after this."); });
        Wait(2500);
        speech.join();
    }
    reader.reset();
    const double cutAt = c.recording ? recorded.elapsed() / 1000.0 : 0.0;
    daemon.Kill();
    const bool idle = WaitFor([&] { return dlg->m_bRecording == 0 && (!c.recording || !boxes.empty()); }, 8000);
    Wait(300);
    ASSERT_TRUE(idle) << "still recording: " << dlg->m_bRecording;
    EXPECT_EQ(dlg->m_stcStatus->text(), kReady);
    for (const MessageBoxCall &b : boxes)
        std::cout << "box after the kill: " << b.caption.toStdString() << ": " << b.text.toStdString() << "\n";
    if (c.recording) {
        EXPECT_FALSE(boxes.empty()) << "a take cut short without a word";
        const MediaInfo info = Probe(out);
        ASSERT_TRUE(info.ok) << "the cut take is not playable";
        EXPECT_NEAR(DecodedSeconds(out), cutAt, 0.6);
        EXPECT_GT(MeanVolume(out), -60.0);
    }

    std::string error;
    ASSERT_TRUE(daemon.Restart(&error)) << error;
    auto again = daemon.KeepReading(daemon.SinkName());
    // The list fills again by itself (a re-attach notice) or when asked.
    const bool byItself =
        WaitFor([&] { return dlg->m_cboDevice->findText(device) >= 0 && dlg->m_pCaptureFilter; }, 6000);
    std::cout << "device list after the restart " << (byItself ? "filled by itself" : "filled when asked") << "\n";
    if (!byItself) {
        dlg->TearDownCapture();
        dlg->ResetGraphPointers();
        ASSERT_TRUE(SUCCEEDED(dlg->CreateGraph()));
        dlg->EnumerateCaptureDevices();
        ASSERT_TRUE(ChooseDevice(device)) << "the device list does not fill again after the restart";
    }
    boxes.clear();
    const QString next = OutputPath(QStringLiteral("after-restart.wma"));
    dlg->m_editOutput->setText(next);
    dlg->OnRecord();
    ASSERT_EQ(dlg->m_bRecording, 1);
    Wait(1200);
    dlg->OnStop();
    EXPECT_TRUE(boxes.empty()) << boxes[0].text.toStdString();
    EXPECT_NEAR(Probe(next).duration, 1.2, 0.4);
}

INSTANTIATE_TEST_SUITE_P(Server, FaultServerTest, ::testing::ValuesIn(kServerCases),
                         [](const ::testing::TestParamInfo<ServerCase> &p) { return std::string(p.param.name); });

} // namespace
