#include "support/RecorderFixture.h"

#include "app/CaptureApp.h"
#include "app/Settings.h"
#include "platform/OsVersion.h"
#include "platform/media/Interfaces.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QThread>

void RecorderFixture::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    std::string error;
    ASSERT_TRUE(daemon.Start(&error)) << error;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("config")));
    theApp.m_pszAppName = QStringLiteral("tombrello-test");
    theApp.InitSkin();
    g_nSoundCaptureIndex = g_nCapturePinIndex = g_nSearchFlag = 0;
    theApp.WriteProfileInt(kSectionOption, kEntryOnlyOnce, 1); // no guidance dialog in the way
    // No music-folder lookup: this machine's user may have no music folder.
    SetOsMajorVersionForTesting(5);
    RegisterMediaClasses();
    SetMessageBoxHandler([this](const MessageBoxCall &call) {
        boxes.push_back(call);
        return IDOK;
    });
    SetBeepHandler([this](UINT type) { beeps.push_back(type); });
    CDialog::SetModalHandler([](CDialog &d) { d.SendMessage(WM_COMMAND, MAKEWPARAM(1, 0), 0); });
}

void RecorderFixture::TearDown()
{
    if (dlg && dlg->isVisible())
        dlg->SendMessage(WM_CLOSE, 0, 0);
    dlg.reset();
    Wait(50);
    CDialog::SetModalHandler(nullptr);
    SetMessageBoxHandler(nullptr);
    SetBeepHandler(nullptr);
}

CCaptureDlg *RecorderFixture::Open()
{
    dlg = std::make_unique<CCaptureDlg>();
    return dlg->Create() ? dlg.get() : nullptr;
}

bool RecorderFixture::ChooseDevice(const QString &name)
{
    const int index = dlg->m_cboDevice->findText(name);
    if (index < 0)
        return false;
    dlg->m_cboDevice->setCurrentIndex(index);
    dlg->OnSelchangeDevice();
    return bool(dlg->m_pCaptureFilter);
}

void RecorderFixture::Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

bool RecorderFixture::WaitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

QString RecorderFixture::OutputPath(const QString &name) const
{
    return dir.filePath(name);
}

bool RecorderFixture::SawBox(const QString &text) const
{
    for (const MessageBoxCall &b : boxes)
        if (b.text == text)
            return true;
    return false;
}
