// Two recorders at once (two dialogs in one process, as two instances of the
// program of one user would be): neither may spoil the other's temporary WAV,
// .wma or settings.
#include "support/FaultHelpers.h"
#include "support/MediaProbe.h"
#include "support/RecorderFixture.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>

#include <thread>

namespace {

class FaultInstancesTest : public RecorderFixture {
protected:
    void TearDown() override
    {
        if (second && second->isVisible())
            second->SendMessage(WM_CLOSE, 0, 0);
        second.reset();
        RecorderFixture::TearDown();
    }

    std::unique_ptr<CCaptureDlg> second;
};

bool Choose(CCaptureDlg &d, const QString &name)
{
    const int index = d.m_cboDevice->findText(name);
    if (index < 0)
        return false;
    d.m_cboDevice->setCurrentIndex(index);
    d.OnSelchangeDevice();
    return bool(d.m_pCaptureFilter);
}

TEST_F(FaultInstancesTest, TwoRecordersAtOnceKeepTheirOwnFiles)
{
    auto reader = daemon.KeepReading(daemon.SinkName());
    const QString device = QString::fromStdString(daemon.SinkDescription());
    ASSERT_TRUE(Open());
    second = std::make_unique<CCaptureDlg>();
    ASSERT_TRUE(second->Create());
    ASSERT_TRUE(Choose(*dlg, device));
    ASSERT_TRUE(Choose(*second, device));
    boxes.clear(); // start-up notices
    const QString outA = OutputPath(QStringLiteral("first.wma"));
    const QString outB = OutputPath(QStringLiteral("second.wma"));

    dlg->m_editOutput->setText(outA);
    dlg->OnRecord();
    QElapsedTimer a;
    a.start();
    ASSERT_EQ(dlg->m_bRecording, 1);
    Wait(1000);
    second->m_editOutput->setText(outB);
    second->OnRecord();
    QElapsedTimer b;
    b.start();
    ASSERT_EQ(second->m_bRecording, 1);
    std::thread speech([&] { daemon.Speak(daemon.SinkName(), "Two recorders listen at once."); });
    Wait(1500);
    second->OnStop();
    const double secondsB = b.elapsed() / 1000.0;
    Wait(1000);
    dlg->OnStop();
    const double secondsA = a.elapsed() / 1000.0;
    speech.join();

    EXPECT_TRUE(boxes.empty()) << boxes[0].text.toStdString();
    EXPECT_NEAR(Probe(outA).duration, secondsA, 0.4) << "the first recorder's .wma";
    EXPECT_NEAR(Probe(outB).duration, secondsB, 0.4) << "the second recorder's .wma";
    EXPECT_EQ(second->m_strOutputFile, outB) << "the output setting of one spoiled the other's";
    EXPECT_EQ(dlg->m_strOutputFile, outA);
    // Each temporary WAV must hold its own take, whole and finished.
    EXPECT_NE(dlg->m_szTempWavFile, second->m_szTempWavFile)
        << "both recorders write the one temporary file " << dlg->m_szTempWavFile.toStdString();
    for (const auto &[wav, seconds] :
         {std::pair{dlg->m_szTempWavFile, secondsA}, std::pair{second->m_szTempWavFile, secondsB}}) {
        const WavHeader h = ReadWavHeader(wav);
        EXPECT_EQ(h.riffSize, h.fileSize) << wav.toStdString();
        EXPECT_EQ(h.dataSize, h.dataBytes) << wav.toStdString();
        EXPECT_NEAR(DecodedSeconds(wav), seconds, 0.4) << wav.toStdString() << " holds another take";
    }
}

} // namespace
