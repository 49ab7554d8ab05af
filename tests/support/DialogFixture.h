// A main dialog on fake media, with its own settings folder, message boxes
// and beeps recorded instead of shown, and modal dialogs answered by a
// handler the test sets.
#pragma once

#include "platform/MessageBox.h"
#include "support/FakeMedia.h"
#include "ui/CaptureDlg.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new main dialog, built and initialised; null when start-up ended it.
    CCaptureDlg *Open();
    // Ends the dialog as the close box does (settings saved) or as Esc does.
    void CloseWithExit();
    void CloseWithEsc();
    void Destroy();

    // Lets posted messages (WM_COMMAND, WM_GRAPHNOTIFY) reach the dialog.
    static void Pump();

    int ProfileInt(const QString &entry, int fallback) const;
    QString ProfileString(const QString &entry, const QString &fallback) const;
    void StoreInt(const QString &entry, int value) const;
    void StoreString(const QString &entry, const QString &value) const;

    fake::FakeGraph *Graph() const;

    fake::Config config;
    std::vector<MessageBoxCall> boxes;
    std::vector<UINT> beeps;
    int hintShown = 0;
    // How the input guidance dialog is answered: IDOK (ticked as it opens), IDCANCEL.
    int hintAnswer = IDOK;
    QTemporaryDir settingsDir;
    std::unique_ptr<CCaptureDlg> dlg;
};

// Two devices: a card with a microphone, a line in and a stereo mix, and a
// card-less sink monitor.
fake::Config TwoDeviceConfig();
