// A recording from end to end in the real dialog, and the capture device
// leaving and coming back, against a private sound server.
#include "support/MediaProbe.h"
#include "support/RecorderFixture.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

#include <cmath>
#include <thread>

namespace {

const QString kReady = QStringLiteral("Status : Ready");

class RecorderTest : public RecorderFixture {};

TEST_F(RecorderTest, RecordPauseResumeStopMakesAPlayableFileOfTheRecordedTime)
{
    auto reader = daemon.KeepReading(daemon.SinkName());
    ASSERT_TRUE(Open());
    ASSERT_TRUE(ChooseDevice(QString::fromStdString(daemon.SinkDescription())));
    const QString out = OutputPath(QStringLiteral("take one.wma"));
    dlg->m_editOutput->setText(out);

    QElapsedTimer recorded;
    dlg->OnRecord();
    recorded.start();
    ASSERT_EQ(dlg->m_bRecording, 1) << (boxes.empty() ? "" : boxes[0].text.toStdString());
    std::thread speech([&] { daemon.Speak(daemon.SinkName(), "Tombrello records what the computer plays."); });
    Wait(1500);
    dlg->OnPause();
    qint64 seconds = recorded.elapsed();
    Wait(1500);
    dlg->OnRecord();
    recorded.restart();
    Wait(1500);
    dlg->OnStop();
    seconds += recorded.elapsed();
    speech.join();

    EXPECT_EQ(dlg->m_stcStatus->text(), kReady);
    const MediaInfo info = Probe(out);
    ASSERT_TRUE(info.ok) << out.toStdString();
    EXPECT_EQ(info.format, QStringLiteral("asf"));
    EXPECT_EQ(info.codec, QStringLiteral("wmav2"));
    EXPECT_NEAR(info.duration, seconds / 1000.0, 0.4) << "the pause leaves no gap";
    EXPECT_GT(MeanVolume(out), -60.0) << "speech, not silence";
    const MediaInfo wav = Probe(dlg->m_szTempWavFile);
    EXPECT_EQ(wav.format, QStringLiteral("wav"));
    EXPECT_NEAR(DecodedSeconds(dlg->m_szTempWavFile), seconds / 1000.0, 0.4);
}

TEST_F(RecorderTest, UnwritableOutputEndsWithAMessageAndIdle)
{
    auto reader = daemon.KeepReading(daemon.SinkName());
    ASSERT_TRUE(Open());
    ASSERT_TRUE(ChooseDevice(QString::fromStdString(daemon.SinkDescription())));
    QFile plain(OutputPath(QStringLiteral("plain-file")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    QDir().mkpath(OutputPath(QStringLiteral("a-folder.wma")));
    const QStringList targets = {OutputPath(QStringLiteral("missing/folder/take.wma")),
                                 OutputPath(QStringLiteral("plain-file/take.wma")), // parent is not a folder
                                 OutputPath(QStringLiteral("a-folder.wma"))};
    for (const QString &target : targets) {
        boxes.clear();
        dlg->m_editOutput->setText(target);
        dlg->OnRecord();
        WaitFor([&] { return dlg->m_bRecording == 0; }, 5000);
        EXPECT_EQ(dlg->m_bRecording, 0) << target.toStdString();
        EXPECT_EQ(dlg->m_stcStatus->text(), kReady) << target.toStdString();
        ASSERT_FALSE(boxes.empty()) << target.toStdString();
        EXPECT_EQ(boxes[0].caption, QStringLiteral("Start Recording Error")) << target.toStdString();
        EXPECT_FALSE(dlg->m_pEncoder || dlg->m_pFileWriter) << "no half-made chain";
    }
    // And the dialog still records afterwards.
    const QString good = OutputPath(QStringLiteral("after.wma"));
    dlg->m_editOutput->setText(good);
    dlg->OnRecord();
    Wait(1000);
    dlg->OnStop();
    EXPECT_EQ(Probe(good).codec, QStringLiteral("wmav2"));
}

TEST_F(RecorderTest, UnpluggingDuringARecordingKeepsWhatWasRecordedAndReplugRestores)
{
    const int module = daemon.AddNullSink("usb_deck", "USB Deck");
    ASSERT_GE(module, 0);
    auto reader = daemon.KeepReading("usb_deck");
    ASSERT_TRUE(Open());
    ASSERT_TRUE(ChooseDevice(QStringLiteral("USB Deck")));
    const int deviceIndex = dlg->m_cboDevice->currentIndex();
    const QString out = OutputPath(QStringLiteral("unplugged.wma"));
    dlg->m_editOutput->setText(out);
    dlg->OnRecord();
    ASSERT_EQ(dlg->m_bRecording, 1);
    QElapsedTimer recorded;
    recorded.start();
    std::thread speech([&] { daemon.Speak("usb_deck", "The deck is about to be unplugged."); });
    Wait(3000);
    speech.join();
    reader.reset();
    ASSERT_TRUE(daemon.UnloadModule(module));
    ASSERT_TRUE(WaitFor([&] { return SawBox(QStringLiteral("The selected input device was removed!")); }, 5000));
    const double seconds = recorded.elapsed() / 1000.0;
    EXPECT_EQ(dlg->m_stcStatus->text(), kReady);
    EXPECT_EQ(dlg->m_cboDevice->count(), 0);
    EXPECT_EQ(dlg->m_cboInput->count(), 0);
    EXPECT_EQ(dlg->m_bRecording, 0);
    EXPECT_FALSE(beeps.empty());
    const MediaInfo info = Probe(out);
    ASSERT_TRUE(info.ok);
    EXPECT_NEAR(info.duration, seconds, 0.6);
    EXPECT_GT(info.duration, 2.5);
    EXPECT_GT(MeanVolume(out), -60.0);

    // Plugged back in: the lists come back with the device selected.
    ASSERT_GE(daemon.AddNullSink("usb_deck", "USB Deck"), 0);
    ASSERT_TRUE(WaitFor([&] { return SawBox(QStringLiteral("The audio input device has been reattached!")); }, 5000));
    EXPECT_GT(dlg->m_cboDevice->count(), 0);
    EXPECT_EQ(dlg->m_cboDevice->currentIndex(), deviceIndex);
    EXPECT_EQ(dlg->m_cboDevice->currentText(), QStringLiteral("USB Deck"));
    EXPECT_TRUE(dlg->m_pCaptureFilter);
    auto again = daemon.KeepReading("usb_deck");
    const QString second = OutputPath(QStringLiteral("replugged.wma"));
    dlg->m_editOutput->setText(second);
    dlg->OnRecord();
    Wait(1000);
    dlg->OnStop();
    EXPECT_EQ(Probe(second).codec, QStringLiteral("wmav2"));
}

TEST_F(RecorderTest, UnpluggingWhileIdleEmptiesTheListsAndWarns)
{
    const int module = daemon.AddNullSink("usb_deck", "USB Deck");
    ASSERT_GE(module, 0);
    ASSERT_TRUE(Open());
    ASSERT_TRUE(ChooseDevice(QStringLiteral("USB Deck")));
    ASSERT_TRUE(daemon.UnloadModule(module));
    ASSERT_TRUE(WaitFor([&] { return SawBox(QStringLiteral("The selected input device was removed!")); }, 5000));
    EXPECT_EQ(dlg->m_cboDevice->count(), 0);
    EXPECT_EQ(dlg->m_stcStatus->text(), kReady);
    Wait(500);
    ASSERT_EQ(boxes.size(), 1u) << "one event per real change; last: " << boxes.back().text.toStdString();
}

} // namespace

namespace {

// Kept as a test artifact in <build>/artifacts: the dialog while it records.
// Under Xvfb (scripts/screenshot) it is the real window on an X server.
TEST_F(RecorderTest, ScreenshotOfTheDialogWhileRecording)
{
    auto reader = daemon.KeepReading(daemon.SinkName());
    ASSERT_TRUE(Open());
    ASSERT_TRUE(ChooseDevice(QString::fromStdString(daemon.SinkDescription())));
    dlg->m_editOutput->setText(OutputPath(QStringLiteral("shot.wma")));
    dlg->OnRecord();
    for (int i = 0; i < 3; ++i)
        dlg->OnTimer(ID_RECORD_TIMER);
    Wait(300);
    const QString folder = QStringLiteral(TOMBRELLO_BUILD_DIR "/artifacts");
    QDir().mkpath(folder);
    const QString file =
        folder + QStringLiteral("/main-dialog-recording-") + QGuiApplication::platformName() + QStringLiteral(".png");
    const QImage shot = dlg->grab().toImage();
    ASSERT_TRUE(shot.save(file));
    EXPECT_EQ(shot.size(), dlg->size());
    EXPECT_EQ(dlg->m_stcStatus->text(), QStringLiteral("Status : Recording audio - Used Time: 00:00:03"));
    dlg->OnStop();
}

} // namespace
