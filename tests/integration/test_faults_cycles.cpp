// Many Record/Stop cycles on the real engine: the open files and threads of
// the process do not grow. TOMBRELLO_FAULT_CYCLES sets the count (200 keeps
// the ctest run short; 1000 for a soak, also under the asan preset).
#include "support/FaultHelpers.h"
#include "support/MediaProbe.h"
#include "support/RecorderFixture.h"

#include <QLabel>
#include <QLineEdit>

#include <cstdlib>
#include <iostream>

namespace {

int Cycles()
{
    const char *env = std::getenv("TOMBRELLO_FAULT_CYCLES");
    return env && std::atoi(env) > 0 ? std::atoi(env) : 200;
}

class FaultCyclesTest : public RecorderFixture {
protected:
    // One short take; whether it was recording in between.
    bool Cycle(const QString &out)
    {
        dlg->m_editOutput->setText(out);
        dlg->OnRecord();
        const bool recording = dlg->m_bRecording == 1;
        Wait(20);
        dlg->OnStop();
        return recording && dlg->m_bRecording == 0;
    }
};

TEST_F(FaultCyclesTest, RecordStopCyclesLeakNoFilesOrThreads)
{
    auto reader = daemon.KeepReading(daemon.SinkName());
    ASSERT_TRUE(Open());
    ASSERT_TRUE(ChooseDevice(QString::fromStdString(daemon.SinkDescription())));
    boxes.clear(); // start-up notices
    const QString out = OutputPath(QStringLiteral("cycle.wma"));
    for (int i = 0; i < 5; ++i) // pools and caches that fill once
        ASSERT_TRUE(Cycle(out));
    Wait(300);
    const int files = OpenFileCount();
    const int threads = ThreadCount();
    const int cycles = Cycles();
    int failed = 0;
    for (int i = 0; i < cycles; ++i)
        failed += Cycle(out) ? 0 : 1;
    Wait(500);
    std::cout << cycles << " cycles: open files " << files << " -> " << OpenFileCount() << ", threads " << threads
              << " -> " << ThreadCount() << "\n";
    EXPECT_EQ(failed, 0) << "cycles that did not record";
    EXPECT_TRUE(boxes.empty()) << boxes[0].text.toStdString();
    EXPECT_LE(OpenFileCount(), files);
    EXPECT_LE(ThreadCount(), threads + 1) << "one pooled thread may come and go";
    EXPECT_EQ(Probe(out).codec, QStringLiteral("wmav2")) << "the last take is a file";
}

} // namespace
