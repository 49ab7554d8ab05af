// Start-up, close and the settings kept between runs.
#include "support/DialogFixture.h"

#include "app/CaptureApp.h"
#include "app/Settings.h"
#include "res/Resource.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSlider>

namespace {

using StartupTest = DialogFixture;

TEST_F(StartupTest, FirstRunStartsFromDefaultsAndBindsTheFirstDevice)
{
    ASSERT_TRUE(Open());
    EXPECT_EQ(g_nSoundCaptureIndex, 0);
    EXPECT_EQ(dlg->m_cboDevice->count(), 2);
    EXPECT_EQ(dlg->m_cboDevice->currentText(), QStringLiteral("Built-in Audio"));
    EXPECT_EQ(dlg->m_bSkipInputHint, 0) << "guidance is not suppressed after start-up on a fresh profile";
    EXPECT_EQ(hintShown, 0) << "start-up never shows the guidance dialog";
    EXPECT_EQ(dlg->m_stcStatus->text(), QStringLiteral("Status : Ready"));
    EXPECT_FALSE(dlg->m_strOutputFile.isEmpty());
    EXPECT_TRUE(dlg->m_szTempWavFile.endsWith(QStringLiteral("/zephtemp.wav")));
}

TEST_F(StartupTest, ExitStoresAllFourValuesAndEscStoresNone)
{
    ASSERT_TRUE(Open());
    dlg->m_editOutput->setText(QStringLiteral("/tmp/typed.wma"));
    CloseWithEsc();
    EXPECT_EQ(ProfileInt(kEntrySearchFlag, -7), -7);
    EXPECT_EQ(ProfileString(kEntryOutputFile, QStringLiteral("none")), QStringLiteral("none"));
    Destroy();

    ASSERT_TRUE(Open());
    dlg->m_cboDevice->setCurrentIndex(1);
    dlg->OnSelchangeDevice();
    dlg->m_editOutput->setText(QStringLiteral("/tmp/typed.wma"));
    CloseWithExit();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(ProfileInt(kEntrySoundCaptureIndex, -7), 1);
    EXPECT_EQ(ProfileInt(kEntryCapturePinIndex, -7), -1) << "the only line of device 1 is not the remembered third";
    EXPECT_EQ(ProfileInt(kEntrySearchFlag, -7), 1);
    EXPECT_EQ(ProfileString(kEntryOutputFile, QString()), QStringLiteral("/tmp/typed.wma"));
}

TEST_F(StartupTest, AnEmptyOutputBoxComesBackEmpty)
{
    ASSERT_TRUE(Open());
    dlg->m_editOutput->clear();
    CloseWithExit();
    Destroy();
    ASSERT_TRUE(Open());
    EXPECT_EQ(dlg->m_editOutput->text(), QString());
}

TEST_F(StartupTest, TheDialogShowsItsControlsInTemplateOrder)
{
    ASSERT_TRUE(Open());
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Tombrello"));
    EXPECT_EQ(dlg->m_sliderVolume->minimum(), 0);
    EXPECT_EQ(dlg->m_sliderVolume->maximum(), 200);
    EXPECT_FALSE(dlg->m_btnHomepage->isVisible());
    EXPECT_FALSE(dlg->m_btnAbout->isVisible());
    EXPECT_TRUE(dlg->m_btnRecord->isVisible());
    EXPECT_EQ(dlg->focusWidget(), dlg->m_editOutput);
    EXPECT_EQ(dlg->minimumSize(), dlg->maximumSize()) << "fixed size";
    EXPECT_FALSE(dlg->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dlg->windowFlags() & Qt::WindowMinimizeButtonHint);

    // Tab order: edit, Record, Pause, Stop, Play, device list, input list,
    // slider, Browse, (hidden Homepage, About), Help, Exit.
    const std::vector<int> order = {IDC_OUTPUT_EDIT,  IDC_RECORD,      IDC_PAUSE,         IDC_STOP,   IDC_PLAY,
                                    IDC_DEVICE_COMBO, IDC_INPUT_COMBO, IDC_VOLUME_SLIDER, IDC_BROWSE, IDC_HOMEPAGE,
                                    IDC_ABOUT,        IDC_HELP_BUTTON, IDC_EXIT};
    auto nextTabStop = [](QWidget *w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    for (size_t i = 0; i + 1 < order.size(); ++i)
        EXPECT_EQ(nextTabStop(dlg->GetDlgItem(order[i])), dlg->GetDlgItem(order[i + 1])) << i;
    for (int id : {IDC_RECORD, IDC_PAUSE, IDC_STOP, IDC_PLAY, IDC_BROWSE, IDC_HELP_BUTTON, IDC_EXIT}) {
        auto *b = dlg->Item<QPushButton>(id);
        EXPECT_FALSE(b->isDefault() || b->autoDefault()) << "no default push button: " << id;
    }
    // The controls sit where the template puts them, in dialog units.
    const QRect record = dlg->DialogUnitsToPixels(7, 6, 66, 14);
    EXPECT_EQ(dlg->m_btnRecord->geometry(), record);
    EXPECT_LT(dlg->m_btnRecord->geometry().bottom(), dlg->m_cboDevice->geometry().top());
}

TEST_F(StartupTest, TheContextMenuCarriesTheWindowCommandsAndAbout)
{
    ASSERT_TRUE(Open());
    const QList<QAction *> actions = dlg->SystemMenu()->actions();
    ASSERT_EQ(actions.size(), 5);
    EXPECT_TRUE(actions[3]->isSeparator());
    EXPECT_EQ(actions[4]->text(), QStringLiteral("&About Tombrello"));
    actions[2]->trigger(); // Close takes the WM_CLOSE path: settings are saved
    EXPECT_EQ(ProfileInt(kEntrySearchFlag, -7), 1);
}

TEST_F(StartupTest, NoCaptureDeviceEndsTheProgramWithItsMessageAndKeepsTheProfile)
{
    config.noCategory = true;
    StoreInt(kEntrySoundCaptureIndex, 5);
    EXPECT_EQ(Open(), nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("No audio capture hardware!"));
    EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_EQ(boxes[0].text.split(QStringLiteral("\r\n")).size(), 7);
    EXPECT_TRUE(boxes[0].text.endsWith(QStringLiteral("This program will now exit.")));
    EXPECT_EQ(ProfileInt(kEntrySoundCaptureIndex, -7), 5);
    EXPECT_EQ(ProfileInt(kEntrySearchFlag, -7), -7);
    dlg.reset();
    EXPECT_EQ(fake::LiveObjects(), 0) << "start-up failure releases every graph object";
}

TEST_F(StartupTest, AFailingVersionQueryIsReportedAndStartUpGoesOn)
{
    SetOsMajorVersionForTesting(std::nullopt);
    ASSERT_TRUE(Open());
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].text, QStringLiteral("Can get Windows Version"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
    SetOsMajorVersionForTesting(6);
}

TEST_F(StartupTest, ClosingReleasesEveryGraphObject)
{
    ASSERT_EQ(fake::LiveObjects(), 0);
    const int apartments = CoInitializeDepth();
    ASSERT_TRUE(Open());
    EXPECT_EQ(CoInitializeDepth(), apartments + 1);
    EXPECT_GT(fake::LiveObjects(), 0);
    CloseWithExit();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(ProfileInt(kEntrySearchFlag, -7), 1);
    EXPECT_EQ(fake::LiveObjects(), 0);
    EXPECT_EQ(CoInitializeDepth(), apartments);
}

// Settings that cannot be read fall back to their defaults.
struct BadSettings {
    const char *name;
    const char *content; // null: a folder where the file should be
};

class BadSettingsTest : public DialogFixture, public ::testing::WithParamInterface<BadSettings> {};

TEST_P(BadSettingsTest, FallsBackToDefaults)
{
    const QString file = QDir(settingsDir.path()).filePath(QStringLiteral("ZORBANE/tombrello-test.conf"));
    QDir().mkpath(QFileInfo(file).path());
    if (GetParam().content) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(GetParam().content);
    } else {
        QDir().mkpath(file);
    }
    ASSERT_TRUE(Open());
    EXPECT_EQ(g_nSoundCaptureIndex, 0);
    EXPECT_EQ(dlg->m_cboDevice->currentIndex(), 0);
    EXPECT_EQ(dlg->m_bSkipInputHint, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadSettingsTest,
    ::testing::Values(BadSettings{"garbage", "\x01\x02 garbage ] [[ = = \xff\xfe\n\n=\n"},
                      BadSettings{"wrong_types", "[Option]\nnSoundCaptureIndex=abc\nnSearchFlag=@Variant(\\0\\0)\n"
                                                 "b_only_once=yes\noutput_wav_file=a, b, c\n"},
                      BadSettings{"folder", nullptr}),
    [](const auto &p) { return std::string(p.param.name); });

TEST(ProfileTest, ACopyUnderAnotherNameUsesItsOwnSettings)
{
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    Profile original(QStringLiteral("ZORBANE"), QStringLiteral("tombrello"));
    Profile copy(QStringLiteral("ZORBANE"), QStringLiteral("recorder"));
    original.WriteProfileInt(kSectionOption, kEntrySoundCaptureIndex, 3);
    EXPECT_EQ(copy.GetProfileInt(kSectionOption, kEntrySoundCaptureIndex, 0), 0);
    EXPECT_NE(original.FileName(), copy.FileName());
    EXPECT_TRUE(copy.FileName().endsWith(QStringLiteral("ZORBANE/recorder.conf")));
}

TEST(TempPathTest, TheRecordingFileLivesInAPrivateFolder)
{
    QTemporaryDir dir;
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    const QString path = TempRecordingPath();
    ASSERT_EQ(path, dir.path() + QStringLiteral("/tombrello/zephtemp.wav"));
    EXPECT_EQ(QFileInfo(QFileInfo(path).path()).permissions() &
                  (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
              QFile::Permissions());

    // A link planted where the folder should be is refused.
    QTemporaryDir other;
    QDir(dir.path()).rmdir(QStringLiteral("tombrello"));
    ASSERT_TRUE(QFile::link(other.path(), dir.path() + QStringLiteral("/tombrello")));
    EXPECT_FALSE(TempRecordingPath().startsWith(dir.path()));
}

} // namespace
