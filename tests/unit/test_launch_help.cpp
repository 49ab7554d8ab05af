// Help and Homepage, and the help pages shipped in the build tree.
#include "app/CaptureApp.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "ui/CaptureDlg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Help and Homepage use no control of the dialog, so a dialog that was never
// shown (no graph, no sound server) answers them.
class HelpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        savedHelpPath = theApp.m_pszHelpFilePath;
        SetOpenUrlHook([this](const QUrl &url) {
            urls.push_back(url);
            return true;
        });
        SetStartProgramHook([this](const QString &program, const QStringList &) {
            programs.push_back(program);
            return true;
        });
        SetMessageBoxHandler([this](const MessageBoxCall &call) {
            boxes.push_back(call);
            return IDOK;
        });
    }
    void TearDown() override
    {
        theApp.m_pszHelpFilePath = savedHelpPath;
        SetOpenUrlHook(nullptr);
        SetStartProgramHook(nullptr);
        SetMessageBoxHandler(nullptr);
    }
    QString MakePage(const QString &folder)
    {
        const QString path = work.filePath(folder + QStringLiteral("/Introduction.htm"));
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    }

    QTemporaryDir work;
    QString savedHelpPath;
    std::vector<QUrl> urls;
    std::vector<QString> programs;
    std::vector<MessageBoxCall> boxes;
    CCaptureDlg dlg;
};

TEST_F(HelpTest, HelpOpensTheIntroductionOfTheBuildTree)
{
    theApp.m_pszHelpFilePath = QStringLiteral(TOMBRELLO_EXECUTABLE ".hlp");
    dlg.OnHelpButton();
    const QString page = QDir::cleanPath(QStringLiteral(TOMBRELLO_BUILD_DIR "/help/Introduction.htm"));
    ASSERT_TRUE(QFileInfo(page).isFile());
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0], QUrl::fromLocalFile(page));
    EXPECT_TRUE(programs.empty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(HelpTest, HelpTakesTheFirstFolderThatHoldsThePages)
{
    struct Case {
        const char *what;
        QStringList folders; // made under the work folder, with a page each
        QString expected;    // relative to the work folder
    };
    const std::vector<Case> cases = {
        {"beside the executable", {QStringLiteral("bin/help")}, QStringLiteral("bin/help/Introduction.htm")},
        {"installed prefix",
         {QStringLiteral("share/tombrello/help")},
         QStringLiteral("share/tombrello/help/Introduction.htm")},
        {"beside the executable wins",
         {QStringLiteral("share/tombrello/help"), QStringLiteral("bin/help")},
         QStringLiteral("bin/help/Introduction.htm")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QDir(work.path()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(work.filePath(QStringLiteral("bin"))));
        for (const QString &folder : c.folders)
            MakePage(folder);
        theApp.m_pszHelpFilePath = work.filePath(QStringLiteral("bin/tombrello.hlp"));
        urls.clear();
        dlg.OnHelpButton();
        ASSERT_EQ(urls.size(), 1u);
        EXPECT_EQ(urls[0], QUrl::fromLocalFile(work.filePath(c.expected)));
    }
}

TEST_F(HelpTest, HelpWithoutPagesSaysSoOrUsesTheBuiltInDataFolder)
{
    theApp.m_pszHelpFilePath = work.filePath(QStringLiteral("bin/tombrello.hlp"));
    dlg.OnHelpButton();
    if (urls.empty()) {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
        EXPECT_TRUE(boxes[0].owned);
    } else {
        // The program is installed in the data folder it was built for.
        ASSERT_EQ(urls.size(), 1u);
        EXPECT_FALSE(urls[0].toLocalFile().startsWith(work.path()));
        EXPECT_TRUE(urls[0].toLocalFile().endsWith(QStringLiteral("/share/tombrello/help/Introduction.htm")));
    }
}

TEST_F(HelpTest, HomepageOpensTheProductsAddress)
{
    dlg.OnHomepage();
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0], QUrl(QStringLiteral("https://tombrello.example.org/")));
    EXPECT_TRUE(programs.empty());
}

// Every page links only to pages that are there, and every page can be
// reached from the introduction.
TEST(HelpPages, AllLinksResolveAndEveryPageIsReachable)
{
    const QDir help(QStringLiteral(TOMBRELLO_BUILD_DIR "/help"));
    const QStringList pages = help.entryList({QStringLiteral("*.htm")}, QDir::Files);
    ASSERT_TRUE(pages.contains(QStringLiteral("Introduction.htm")));
    ASSERT_GE(pages.size(), 5) << "introduction, devices, monitor lines, levels, files, no device";
    const QRegularExpression ref(QStringLiteral(R"re((?:href|src)\s*=\s*"([^"]*)")re"));

    QSet<QString> reached{QStringLiteral("Introduction.htm")};
    QStringList queue{QStringLiteral("Introduction.htm")};
    while (!queue.isEmpty()) {
        const QString page = queue.takeFirst();
        QFile f(help.filePath(page));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << page.toStdString();
        const QString html = QString::fromUtf8(f.readAll());
        EXPECT_TRUE(html.contains(QStringLiteral("<title>"))) << page.toStdString();
        for (const QRegularExpressionMatch &m : ref.globalMatch(html)) {
            const QString target = m.captured(1).section(u'#', 0, 0);
            if (target.startsWith(QStringLiteral("https://")) || target.isEmpty())
                continue;
            EXPECT_TRUE(QFileInfo(help.filePath(target)).isFile())
                << page.toStdString() << " -> " << target.toStdString();
            if (target.endsWith(QStringLiteral(".htm")) && !reached.contains(target)) {
                reached.insert(target);
                queue << target;
            }
        }
    }
    for (const QString &page : pages)
        EXPECT_TRUE(reached.contains(page)) << page.toStdString() << " is linked from nowhere";
}

} // namespace
