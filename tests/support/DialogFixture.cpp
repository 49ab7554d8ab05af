#include "support/DialogFixture.h"

#include "app/CaptureApp.h"
#include "app/Settings.h"
#include "platform/OsVersion.h"
#include "ui/InputHintDlg.h"

#include <QCoreApplication>
#include <QSettings>

void DialogFixture::SetUp()
{
    ASSERT_TRUE(settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    qputenv("XDG_RUNTIME_DIR", settingsDir.path().toLocal8Bit());
    theApp.m_pszAppName = QStringLiteral("tombrello-test");
    theApp.SetRegistryKey(QStringLiteral("ZORBANE"));
    theApp.InitSkin();
    g_nSoundCaptureIndex = g_nCapturePinIndex = g_nSearchFlag = 0;
    // No music-folder lookup: the dialog's own tests do not depend on the user's folders.
    SetOsMajorVersionForTesting(5);
    if (config.devices.empty())
        config = TwoDeviceConfig();
    fake::Install(&config);
    SetMessageBoxHandler([this](const MessageBoxCall &call) {
        boxes.push_back(call);
        return IDOK;
    });
    SetBeepHandler([this](UINT type) { beeps.push_back(type); });
    CDialog::SetModalHandler([this](CDialog &d) {
        if (dynamic_cast<CInputHintDlg *>(&d)) {
            ++hintShown;
            d.SendMessage(WM_COMMAND, MAKEWPARAM(unsigned(hintAnswer), 0), 0);
        }
    });
}

void DialogFixture::TearDown()
{
    Destroy();
    EXPECT_EQ(fake::LiveObjects(), 0) << "every graph object, moniker and pin is released with the dialog";
    CDialog::SetModalHandler(nullptr);
    SetMessageBoxHandler(nullptr);
    SetBeepHandler(nullptr);
    fake::Uninstall();
}

CCaptureDlg *DialogFixture::Open()
{
    dlg = std::make_unique<CCaptureDlg>();
    if (!dlg->Create())
        return nullptr;
    return dlg.get();
}

void DialogFixture::CloseWithExit()
{
    dlg->OnExit();
    Pump();
}

void DialogFixture::CloseWithEsc()
{
    dlg->SendMessage(WM_COMMAND, MAKEWPARAM(2, 0), 0);
}

void DialogFixture::Destroy()
{
    if (!dlg)
        return;
    if (dlg->isVisible())
        dlg->EndDialog(IDCANCEL);
    dlg.reset();
    Pump();
}

void DialogFixture::Pump()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

int DialogFixture::ProfileInt(const QString &entry, int fallback) const
{
    return theApp.GetProfileInt(kSectionOption, entry, fallback);
}

QString DialogFixture::ProfileString(const QString &entry, const QString &fallback) const
{
    return theApp.GetProfileString(kSectionOption, entry, fallback);
}

void DialogFixture::StoreInt(const QString &entry, int value) const
{
    theApp.WriteProfileInt(kSectionOption, entry, value);
}

void DialogFixture::StoreString(const QString &entry, const QString &value) const
{
    theApp.WriteProfileString(kSectionOption, entry, value);
}

fake::FakeGraph *DialogFixture::Graph() const
{
    const auto graphs = fake::LiveGraphs();
    return graphs.empty() ? nullptr : graphs.back();
}

fake::Config TwoDeviceConfig()
{
    fake::Config c;
    c.devices = {
        {"Built-in Audio", {{"Microphone"}, {"Line In"}, {"Stereo Mix"}}},
        {"Null Output", {{"Monitor of Null Output"}}},
    };
    return c;
}
