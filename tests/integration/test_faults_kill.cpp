// The program killed (SIGKILL) in the middle of a recording: what is left of
// the temporary WAV and of the .wma is measured and printed, and the next
// start records normally. A child copy of this test program is the recorder:
// the disabled FaultDriver test below, run only when the parent asks.
#include "app/CaptureApp.h"
#include "app/Settings.h"
#include "support/FaultHelpers.h"
#include "support/MediaProbe.h"
#include "support/PulseDaemon.h"
#include "support/RecorderFixture.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <thread>

namespace {

QString Env(const char *name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

// The recorder run as a child: records into TOMBRELLO_FAULT_OUT on the
// server PULSE_SERVER names, writes TOMBRELLO_FAULT_MARK once recording,
// stops after TOMBRELLO_FAULT_SECONDS (when it is not killed first).
TEST(FaultDriver, DISABLED_RecordsUntilKilledOrDone)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Env("TOMBRELLO_FAULT_CONFIG"));
    theApp.m_pszAppName = QStringLiteral("tombrello-test");
    theApp.InitSkin();
    theApp.WriteProfileInt(kSectionOption, kEntryOnlyOnce, 1);
    RegisterMediaClasses();
    int boxes = 0;
    SetMessageBoxHandler([&](const MessageBoxCall &call) {
        ++boxes;
        std::cerr << "message box: " << call.text.toStdString() << "\n";
        return IDOK;
    });
    CDialog::SetModalHandler([](CDialog &d) { d.SendMessage(WM_COMMAND, MAKEWPARAM(1, 0), 0); });
    CCaptureDlg dlg;
    ASSERT_TRUE(dlg.Create());
    const int device = dlg.m_cboDevice->findText(QStringLiteral("Tombrello Output"));
    ASSERT_GE(device, 0);
    dlg.m_cboDevice->setCurrentIndex(device);
    dlg.OnSelchangeDevice();
    dlg.m_editOutput->setText(Env("TOMBRELLO_FAULT_OUT"));
    dlg.OnRecord();
    ASSERT_EQ(dlg.m_bRecording, 1);
    QFile mark(Env("TOMBRELLO_FAULT_MARK"));
    ASSERT_TRUE(mark.open(QIODevice::WriteOnly));
    mark.write(dlg.m_szTempWavFile.toUtf8());
    mark.close();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < Env("TOMBRELLO_FAULT_SECONDS").toInt() * 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    dlg.OnStop();
    std::cerr << boxes << " message boxes\n";
    dlg.SendMessage(WM_CLOSE, 0, 0);
}

class FaultKillTest : public PulseTest {
protected:
    // Starts the child recorder; the temporary WAV it named once recording,
    // or empty when it never got so far.
    QString StartRecorder(const QString &out, int seconds)
    {
        const QString mark = dir.filePath(QStringLiteral("recording-%1").arg(++m_runs));
        m_child = SpawnSelf("FaultDriver.DISABLED_RecordsUntilKilledOrDone",
                            {{"TOMBRELLO_FAULT_OUT", out.toStdString()},
                             {"TOMBRELLO_FAULT_MARK", mark.toStdString()},
                             {"TOMBRELLO_FAULT_SECONDS", std::to_string(seconds)},
                             {"TOMBRELLO_FAULT_CONFIG", dir.filePath(QStringLiteral("config")).toStdString()}});
        if (m_child < 0)
            return {};
        for (int i = 0; i < 1000 && !QFile::exists(mark); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        QThread::msleep(20);
        QFile f(mark);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QTemporaryDir dir;
    pid_t m_child = -1;
    int m_runs = 0;
};

TEST_F(FaultKillTest, WhatSurvivesASigkillAndTheNextStartRecords)
{
    auto reader = daemon.KeepReading(daemon.SinkName());
    const QString out = dir.filePath(QStringLiteral("killed.wma"));
    const QString wav = StartRecorder(out, 30);
    ASSERT_FALSE(wav.isEmpty()) << "the child recorder did not start recording";
    std::thread speech([&] { daemon.Speak(daemon.SinkName(), "This recording is killed in the middle."); });
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const int killed = kill(m_child, SIGKILL);
    speech.join();
    ASSERT_EQ(killed, 0);
    ASSERT_EQ(WaitSelf(m_child, 5000), 128 + SIGKILL);

    const WavHeader header = ReadWavHeader(wav);
    const double wavSeconds = DecodedSeconds(wav);
    const MediaInfo wma = Probe(out);
    const double wmaSeconds = QFile::exists(out) ? DecodedSeconds(out) : 0.0;
    std::cout << "after SIGKILL at ~3 s of recording:\n"
              << "  temporary WAV " << wav.toStdString() << ": " << header.fileSize << " bytes, RIFF header "
              << (header.riff ? "present" : "missing") << ", RIFF size field says " << header.riffSize
              << ", data size field says " << header.dataSize << " of " << header.dataBytes
              << " data bytes; decodes to " << wavSeconds << " s\n"
              << "  .wma " << out.toStdString() << ": " << (QFile::exists(out) ? QFile(out).size() : -1)
              << " bytes, ffprobe " << (wma.ok ? "reads it" : "cannot read it") << ", decodes to " << wmaSeconds
              << " s\n";
    RecordProperty("killed_wav_bytes", int(header.fileSize));
    RecordProperty("killed_wav_header_data_size", int(header.dataSize));
    RecordProperty("killed_wma_bytes", int(QFile::exists(out) ? QFile(out).size() : -1));

    // The next start over the leftovers (same settings, same temporary file).
    const QString next = dir.filePath(QStringLiteral("next.wma"));
    ASSERT_EQ(StartRecorder(next, 2), wav);
    ASSERT_EQ(WaitSelf(m_child, 30000), 0) << "the second run did not record cleanly";
    const MediaInfo info = Probe(next);
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.codec, QStringLiteral("wmav2"));
    EXPECT_NEAR(info.duration, 2.0, 0.4);
    const WavHeader fresh = ReadWavHeader(wav);
    EXPECT_TRUE(fresh.riff);
    EXPECT_EQ(fresh.riffSize, fresh.fileSize) << "the new temporary WAV is finished, not the killed one";
    EXPECT_EQ(fresh.dataSize, fresh.dataBytes);
}

} // namespace
