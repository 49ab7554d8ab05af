// The About box as the program shows it: built from its template with the
// skin button and the icon, closed every way a dialog closes, opened
// modally from the main dialog's hidden button and its context menu on a
// private sound server, and kept as a screenshot in <build>/artifacts.
#include "app/CaptureApp.h"
#include "controls/SkinButton.h"
#include "res/Resource.h"
#include "support/RecorderFixture.h"
#include "ui/AboutDlg.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        theApp.InitSkin();
        ASSERT_TRUE(about.Create());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    }

    QStringList Texts() const
    {
        QStringList texts;
        for (const QLabel *l : about.findChildren<QLabel *>())
            if (!l->text().isEmpty())
                texts << l->text();
        return texts;
    }

    CAboutDlg about;
};

TEST_F(AboutTest, OkIsTheDefaultSkinButton)
{
    ASSERT_NE(about.m_btnOK, nullptr);
    EXPECT_EQ(about.GetDlgItem(IDOK_CONTROL), about.m_btnOK);
    EXPECT_EQ(about.m_btnOK->Type(), 1);
    EXPECT_TRUE(about.m_btnOK->isDefault());
    EXPECT_EQ(about.m_btnOK->text(), QStringLiteral("OK"));
    EXPECT_EQ(about.m_btnOK->geometry(), about.DialogUnitsToPixels(102, 129, 50, 14));
}

TEST_F(AboutTest, IconShowsTheProgramIconAtItsOwnSize)
{
    ASSERT_NE(about.m_stcIcon, nullptr);
    const QImage want = QImage(QString::fromLatin1(kAppIconResource)).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(want.isNull());
    const QImage shown = about.m_stcIcon->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(shown == want);
    EXPECT_EQ(about.m_stcIcon->geometry(), QRect(about.DialogUnitsToPixels(12, 18, 20, 20).topLeft(), QSize(32, 32)));
}

TEST_F(AboutTest, NamesTheProgramItsMakerAndTheLibraries)
{
    const QStringList texts = Texts();
    auto has = [&](const std::function<bool(const QString &)> &match) {
        return std::any_of(texts.begin(), texts.end(), match);
    };
    EXPECT_TRUE(texts.contains(QStringLiteral("Tombrello")));
    EXPECT_TRUE(has([](const QString &t) {
        return t.startsWith(QStringLiteral("Version 1.0   Copyright (C) 20")) && t.contains(QStringLiteral("Zorbane"));
    }));
    EXPECT_TRUE(texts.contains(QStringLiteral("Zorbane Audio")));
    EXPECT_TRUE(has([](const QString &t) { return t.startsWith(QStringLiteral("https://")); }));
    EXPECT_TRUE(has([](const QString &t) { return t.startsWith(QStringLiteral("Email: https://")); }));
    EXPECT_TRUE(has([](const QString &t) {
        return t.contains(QStringLiteral("GStreamer")) && t.contains(QStringLiteral("FFmpeg")) &&
               t.contains(QStringLiteral("gst-libav")) && t.contains(QStringLiteral("PulseAudio"));
    }));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
}

struct CloseCase {
    const char *name;
    std::function<void(CAboutDlg &)> act;
    int result;
};

class AboutClose : public AboutTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(AboutClose, EndsTheDialog)
{
    const CloseCase &c = GetParam();
    c.act(about);
    QCoreApplication::processEvents();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, AboutClose,
    ::testing::Values(CloseCase{"OkClicked", [](CAboutDlg &d) { QTest::mouseClick(d.m_btnOK, Qt::LeftButton); }, 1},
                      CloseCase{"EnterOnTheDialog", [](CAboutDlg &d) { QTest::keyClick(&d, Qt::Key_Return); }, 1},
                      CloseCase{"EnterOnTheButton", [](CAboutDlg &d) { QTest::keyClick(d.m_btnOK, Qt::Key_Enter); }, 1},
                      CloseCase{"Escape", [](CAboutDlg &d) { QTest::keyClick(&d, Qt::Key_Escape); }, 2},
                      CloseCase{"CloseBox", [](CAboutDlg &d) { d.close(); }, 2}),
    [](const auto &tc) { return std::string(tc.param.name); });

TEST_F(AboutTest, PushedOkButtonSwapsItsFrameAndMovesItsCaption)
{
    CSkinButton *ok = about.m_btnOK;
    const QImage up = ok->grab().toImage();
    ok->setDown(true);
    const QImage down = ok->grab().toImage();
    ok->setDown(false);
    const int w = ok->width(), h = ok->height();
    const QColor white(255, 255, 255), dark(96, 96, 96);
    EXPECT_EQ(QColor(up.pixel(w / 2, 0)), white);
    EXPECT_EQ(QColor(up.pixel(w - 1, h / 2)), dark);
    EXPECT_EQ(QColor(down.pixel(w / 2, 0)), dark);
    EXPECT_EQ(QColor(down.pixel(w - 1, h / 2)), white);
}

TEST(AboutModal, RunsItsOwnLoopUntilClosed)
{
    theApp.InitSkin();
    CAboutDlg about;
    bool modalWhileOpen = false;
    QTimer::singleShot(0, &about, [&] {
        modalWhileOpen = about.isModal() && about.isVisible();
        QTest::keyClick(&about, Qt::Key_Escape);
    });
    // A failure must not hang the run.
    QTimer::singleShot(5000, &about, [&] { about.EndDialog(99); });
    EXPECT_EQ(about.DoModal(), 2);
    EXPECT_TRUE(modalWhileOpen);
    EXPECT_FALSE(about.isVisible());
}

// Every dialog run through DoModal is answered at once; the About box is
// looked at first.
class AboutFromMainDialog : public RecorderFixture {
protected:
    void SetUp() override
    {
        RecorderFixture::SetUp();
        CDialog::SetModalHandler([this](CDialog &d) {
            if (auto *box = dynamic_cast<CAboutDlg *>(&d)) {
                ++aboutShown;
                ownedByMain = box->parentWidget() == dlg.get();
                shownWithButton = box->isVisible() && box->m_btnOK && box->m_btnOK->isVisible();
            }
            d.SendMessage(WM_COMMAND, MAKEWPARAM(1, 0), 0);
        });
    }

    int aboutShown = 0;
    bool ownedByMain = false;
    bool shownWithButton = false;
};

TEST_F(AboutFromMainDialog, ContextMenuEntryOpensTheAboutBox)
{
    ASSERT_TRUE(Open());
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(20, 20), dlg->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(dlg.get(), &menuEvent);
    QMenu *menu = dlg->SystemMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(WaitFor([&] { return menu->isVisible(); }, 2000));
    QAction *entry = nullptr;
    for (QAction *a : menu->actions())
        if (a->text() == QStringLiteral("&About Tombrello"))
            entry = a;
    ASSERT_NE(entry, nullptr);
    menu->hide();
    entry->trigger();
    EXPECT_EQ(aboutShown, 1);
    EXPECT_TRUE(ownedByMain);
    EXPECT_TRUE(shownWithButton);
    EXPECT_TRUE(dlg->isVisible()) << "the main dialog stays";
}

TEST_F(AboutFromMainDialog, HiddenAboutButtonOpensTheAboutBox)
{
    ASSERT_TRUE(Open());
    EXPECT_FALSE(dlg->m_btnAbout->isVisible());
    dlg->SendMessage(WM_COMMAND, MAKEWPARAM(unsigned(IDC_ABOUT), BN_CLICKED), 0);
    EXPECT_EQ(aboutShown, 1);
    EXPECT_TRUE(shownWithButton);
}

// Kept as a test artifact in <build>/artifacts. Under Xvfb
// (scripts/screenshot) the picture is taken from the X server.
TEST_F(AboutTest, ScreenshotOfTheAboutBox)
{
    QCoreApplication::processEvents();
    QImage shot;
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        shot = about.screen()->grabWindow(about.winId()).toImage();
    if (shot.isNull())
        shot = about.grab().toImage();
    const QString folder = QStringLiteral(TOMBRELLO_BUILD_DIR "/artifacts");
    QDir().mkpath(folder);
    ASSERT_TRUE(
        shot.save(folder + QStringLiteral("/about-") + QGuiApplication::platformName() + QStringLiteral(".png")));
    ASSERT_EQ(shot.size(), about.size() * shot.devicePixelRatio());
    // The skin button and the icon are on the picture where they belong.
    const QRect ok = about.m_btnOK->geometry();
    EXPECT_EQ(QColor(shot.pixel(ok.center().x(), ok.top())), QColor(255, 255, 255));
    EXPECT_EQ(QColor(shot.pixel(ok.right(), ok.center().y())), QColor(96, 96, 96));
    const QRect icon = about.m_stcIcon->geometry();
    int red = 0;
    for (int y = icon.top(); y <= icon.bottom(); ++y)
        for (int x = icon.left(); x <= icon.right(); ++x)
            red += QColor(shot.pixel(x, y)).red() > 180 && QColor(shot.pixel(x, y)).green() < 60;
    EXPECT_GT(red, 20);
}

} // namespace
