// The disk filling up while recording: the user is told, what fit is a
// playable file, the program goes on (and records again elsewhere).
#include "support/FaultHelpers.h"
#include "support/MediaProbe.h"
#include "support/RecorderFixture.h"

#include <QLabel>
#include <QLineEdit>

#include <cstdlib>
#include <thread>

namespace {

struct DiskCase {
    const char *name;
    qint64 bytes;
    bool outputOnDisk; // the .wma there (else the temporary WAV)
};

// WMA at 128 kbit/s fills 96 KiB in about 6 s; the 44.1 kHz stereo WAV fills
// 512 KiB in about 3 s.
const DiskCase kDisks[] = {{"WmaOutput", 96 * 1024, true}, {"TemporaryWav", 512 * 1024, false}};

class FaultDiskTest : public RecorderFixture, public ::testing::WithParamInterface<DiskCase> {};

TEST_P(FaultDiskTest, FullDiskStopsWithAMessageAndKeepsWhatFit)
{
    const DiskCase &c = GetParam();
    SmallDisk disk(c.bytes);
    if (!disk.Mounted())
        GTEST_SKIP() << "no tmpfs in this sandbox: " << disk.Error();
    auto reader = daemon.KeepReading(daemon.SinkName());
    if (!c.outputOnDisk)
        setenv("XDG_RUNTIME_DIR", qPrintable(disk.Path()), 1); // where the temporary WAV goes
    const bool opened = Open();
    setenv("XDG_RUNTIME_DIR", daemon.RuntimeDir().c_str(), 1);
    ASSERT_TRUE(opened);
    ASSERT_TRUE(ChooseDevice(QString::fromStdString(daemon.SinkDescription())));
    if (!c.outputOnDisk) {
        ASSERT_TRUE(dlg->m_szTempWavFile.startsWith(disk.Path())) << dlg->m_szTempWavFile.toStdString();
    }
    const QString out =
        c.outputOnDisk ? disk.Path() + QStringLiteral("/take.wma") : OutputPath(QStringLiteral("take.wma"));
    dlg->m_editOutput->setText(out);
    boxes.clear(); // start-up notices are not about the disk
    dlg->OnRecord();
    ASSERT_EQ(dlg->m_bRecording, 1);
    std::thread speech([&] { daemon.Speak(daemon.SinkName(), "The disk is filling up while this is said."); });
    const bool told = WaitFor([&] { return !boxes.empty(); }, 15000);
    speech.join();
    ASSERT_TRUE(told) << "no message while the disk filled up; recording flag " << dlg->m_bRecording;
    EXPECT_EQ(dlg->m_bRecording, 0);
    EXPECT_EQ(dlg->m_stcStatus->text(), QStringLiteral("Status : Ready"));
    const MediaInfo info = Probe(out);
    ASSERT_TRUE(info.ok) << "what fit is not a playable file: " << out.toStdString();
    EXPECT_GT(DecodedSeconds(out), 1.0);

    if (c.outputOnDisk) { // the temporary WAV would stay on the full disk
        const QString next = OutputPath(QStringLiteral("next.wma"));
        boxes.clear();
        dlg->m_editOutput->setText(next);
        dlg->OnRecord();
        Wait(1000);
        dlg->OnStop();
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(Probe(next).codec, QStringLiteral("wmav2"));
    }
}

INSTANTIATE_TEST_SUITE_P(Disks, FaultDiskTest, ::testing::ValuesIn(kDisks),
                         [](const ::testing::TestParamInfo<DiskCase> &p) { return std::string(p.param.name); });

} // namespace
