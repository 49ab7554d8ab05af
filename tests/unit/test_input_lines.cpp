// Input lines: the automatic stereo-mix choice, enabling the chosen line,
// the level slider and the guidance dialog.
#include "support/DialogFixture.h"

#include "app/Settings.h"
#include "capture/CaptureEngine.h"
#include "res/Resource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QTest>

namespace {

using LinesTest = DialogFixture;

struct AutoChoice {
    const char *name;
    std::vector<std::string> lines;
    int storedFlag; // -1: nothing stored
    int storedIndex;
    int expectedIndex;
};

class AutoChoiceTest : public DialogFixture, public ::testing::WithParamInterface<AutoChoice> {};

TEST_P(AutoChoiceTest, PicksTheFirstStereoMixLine)
{
    fake::DeviceSpec device{"Card", {}};
    for (const std::string &l : GetParam().lines)
        device.lines.push_back({l});
    config.devices = {device};
    if (GetParam().storedFlag >= 0)
        StoreInt(kEntrySearchFlag, GetParam().storedFlag);
    StoreInt(kEntryCapturePinIndex, GetParam().storedIndex);
    ASSERT_TRUE(Open());
    EXPECT_EQ(g_nSearchFlag, 1);
    EXPECT_EQ(g_nCapturePinIndex, GetParam().expectedIndex);
    EXPECT_EQ(dlg->m_cboInput->currentIndex(), GetParam().expectedIndex);
    const std::string chosen = GetParam().lines[size_t(GetParam().expectedIndex)];
    for (const std::string &l : GetParam().lines)
        EXPECT_EQ(fake::Line(l).enabled, l == chosen) << l;
    EXPECT_EQ(hintShown, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, AutoChoiceTest,
    ::testing::Values(AutoChoice{"stereo_mix", {"Microphone", "Line In", "Stereo Mix"}, -1, 0, 2},
                      AutoChoice{"wave_out_mix", {"Microphone", "Wave Out Mix"}, -1, 0, 1},
                      AutoChoice{"what_u_hear", {"Mic", "CD", "What U Hear"}, -1, 0, 2},
                      AutoChoice{"output_before_stereo", {"Mic", "Rear Output", "Stereo Mix"}, -1, 0, 1},
                      AutoChoice{"no_match_keeps_index", {"Microphone", "Line In", "CD Audio"}, -1, 1, 1},
                      AutoChoice{"flag_set_never_picks", {"Microphone", "Stereo Mix"}, 1, 0, 0}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(LinesTest, ARememberedLineBeyondTheListDisablesEveryLine)
{
    StoreInt(kEntrySearchFlag, 1);
    StoreInt(kEntryCapturePinIndex, 7);
    ASSERT_TRUE(Open());
    EXPECT_EQ(dlg->m_cboInput->currentIndex(), -1);
    EXPECT_EQ(g_nCapturePinIndex, -1);
    for (const char *l : {"Microphone", "Line In", "Stereo Mix"})
        EXPECT_FALSE(fake::Line(l).enabled) << l;
    EXPECT_EQ(dlg->m_sliderVolume->value(), 200) << "no line applied: the slider stays at the top";
    CloseWithExit();
    EXPECT_EQ(ProfileInt(kEntryCapturePinIndex, 0), -1);
}

TEST_F(LinesTest, UnreadablePinsAreMarkedOrSkipped)
{
    config.devices = {
        {"Card", {{"A"}, {"B", true, /*directionFails=*/true}, {"C", true, false, /*infoFails=*/true}, {"D"}}}};
    ASSERT_TRUE(Open());
    QStringList names;
    for (int i = 0; i < dlg->m_cboInput->count(); ++i)
        names << dlg->m_cboInput->itemText(i);
    EXPECT_EQ(names, (QStringList{QStringLiteral("A"), QStringLiteral("<ERROR>"), QStringLiteral("D")}));
}

TEST_F(LinesTest, ALineWithoutMixerIsListedButNeverTouched)
{
    config.devices = {{"Card", {{"Plain", /*hasMixer=*/false}, {"Mixed"}}}};
    StoreInt(kEntrySearchFlag, 1);
    ASSERT_TRUE(Open());
    EXPECT_EQ(dlg->m_cboInput->count(), 2);
    EXPECT_FALSE(fake::Called("put_Enable Plain 1"));
    EXPECT_TRUE(fake::Called("put_Enable Mixed 0"));
}

TEST_F(LinesTest, TheSliderAppliesTheLevelOnlyOnMouseRelease)
{
    StoreInt(kEntrySearchFlag, 1);
    ASSERT_TRUE(Open());
    struct Case {
        int position;
        double level;
    };
    for (const Case &c : {Case{200, 1.0}, Case{1, 0.005}, Case{0, 0.0}, Case{100, 0.5}}) {
        dlg->m_sliderVolume->setValue(c.position);
        dlg->OnReleasedCaptureVolume();
        EXPECT_DOUBLE_EQ(fake::Line("Microphone").level, c.level) << c.position;
    }
    // Keyboard moves change the position, not the level.
    dlg->m_sliderVolume->setFocus();
    QTest::keyClick(dlg->m_sliderVolume, Qt::Key_Right);
    EXPECT_EQ(dlg->m_sliderVolume->value(), 101);
    Pump();
    EXPECT_DOUBLE_EQ(fake::Line("Microphone").level, 0.5);
    // A mouse release on the slider applies it.
    QTest::mouseClick(dlg->m_sliderVolume, Qt::LeftButton, {}, dlg->m_sliderVolume->rect().center());
    Pump();
    EXPECT_DOUBLE_EQ(fake::Line("Microphone").level, dlg->m_sliderVolume->value() * 0.005);
}

TEST_F(LinesTest, TheSliderShowsTheLineLevelTruncated)
{
    StoreInt(kEntrySearchFlag, 1);
    fake::Line("Microphone").level = 0.499;
    ASSERT_TRUE(Open());
    EXPECT_EQ(dlg->m_sliderVolume->value(), 99);
}

TEST_F(LinesTest, ChoosingALineWhileRecordingAsksFirstThenStopsThenApplies)
{
    StoreInt(kEntrySearchFlag, 1);
    ASSERT_TRUE(Open());
    dlg->OnRecord();
    fake::Calls().clear();
    std::vector<std::string> atHint;
    CDialog::SetModalHandler([&](CDialog &d) {
        ++hintShown;
        atHint = fake::Calls();
        d.SendMessage(WM_COMMAND, MAKEWPARAM(2, 0), 0); // Esc: the line is applied all the same
    });
    dlg->m_cboInput->setCurrentIndex(1);
    dlg->OnSelchangeInput();
    EXPECT_EQ(hintShown, 1);
    EXPECT_TRUE(atHint.empty()) << "nothing happens before the guidance is answered";
    const auto &calls = fake::Calls();
    const auto stop = std::find(calls.begin(), calls.end(), "StopWhenReady");
    const auto enable = std::find(calls.begin(), calls.end(), "put_Enable Line In 1");
    ASSERT_NE(stop, calls.end());
    ASSERT_NE(enable, calls.end());
    EXPECT_LT(stop, enable);
    EXPECT_EQ(dlg->m_bRecording, 0);
    EXPECT_EQ(g_nCapturePinIndex, 1);
    EXPECT_EQ(dlg->m_bSkipInputHint, 0) << "Esc leaves the flag";
}

// The guidance dialog and its stored answer.
TEST_F(LinesTest, OkWithTheBoxTickedStoresOneAndTheGuidanceNeverComesBack)
{
    ASSERT_TRUE(Open());
    bool ticked = false;
    CDialog::SetModalHandler([&](CDialog &d) {
        ++hintShown;
        ticked = d.Item<QCheckBox>(IDC_ONLY_ONCE)->isChecked();
        d.SendMessage(WM_COMMAND, MAKEWPARAM(1, 0), 0);
    });
    dlg->OnSelchangeInput();
    EXPECT_TRUE(ticked) << "nothing stored: the box opens ticked";
    EXPECT_EQ(ProfileInt(kEntryOnlyOnce, -1), 1);
    dlg->OnSelchangeInput();
    EXPECT_EQ(hintShown, 1);
    CloseWithExit();
    Destroy();
    ASSERT_TRUE(Open());
    dlg->OnSelchangeInput();
    EXPECT_EQ(hintShown, 1) << "not in a new run either";
}

TEST_F(LinesTest, OkWithTheBoxClearedStoresZeroAndItComesBackClear)
{
    ASSERT_TRUE(Open());
    std::vector<bool> tickedAtOpen;
    CDialog::SetModalHandler([&](CDialog &d) {
        auto *box = d.Item<QCheckBox>(IDC_ONLY_ONCE);
        tickedAtOpen.push_back(box->isChecked());
        box->setChecked(false);
        d.SendMessage(WM_COMMAND, MAKEWPARAM(1, 0), 0);
    });
    dlg->OnSelchangeInput();
    EXPECT_EQ(ProfileInt(kEntryOnlyOnce, -1), 0);
    dlg->OnSelchangeInput();
    EXPECT_EQ(tickedAtOpen, (std::vector<bool>{true, false}));
}

TEST_F(LinesTest, EscStoresNothingAndTheGuidanceComesBack)
{
    ASSERT_TRUE(Open());
    hintAnswer = IDCANCEL;
    dlg->OnSelchangeInput();
    dlg->OnSelchangeInput();
    EXPECT_EQ(hintShown, 2);
    EXPECT_EQ(ProfileInt(kEntryOnlyOnce, -1), -1);
}

TEST_F(LinesTest, StartUpNeverShowsTheGuidanceWhateverIsStored)
{
    StoreInt(kEntryOnlyOnce, 0);
    ASSERT_TRUE(Open());
    EXPECT_EQ(hintShown, 0);
    EXPECT_EQ(dlg->m_bSkipInputHint, 0);
}

} // namespace
