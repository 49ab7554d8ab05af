// The real main dialog on a private sound server: real graph, real device
// catalogue, the encoder module, files checked with ffprobe/ffmpeg.
#pragma once

#include "platform/MessageBox.h"
#include "support/PulseDaemon.h"
#include "ui/CaptureDlg.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

class RecorderFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    CCaptureDlg *Open();
    // Chooses the device whose entry reads `name`; false when there is none.
    bool ChooseDevice(const QString &name);
    // Pumps the event loop for `ms` milliseconds.
    static void Wait(int ms);
    // Pumps until `done` holds or `ms` pass; whether it held.
    static bool WaitFor(const std::function<bool()> &done, int ms);
    QString OutputPath(const QString &name) const;
    bool SawBox(const QString &text) const;

    PulseDaemon daemon;
    QTemporaryDir dir;
    std::unique_ptr<CCaptureDlg> dlg;
    std::vector<MessageBoxCall> boxes;
    std::vector<UINT> beeps;
};
