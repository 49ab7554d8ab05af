// Play: which file, which program, and that a file name is only ever one
// argument.
#include "support/DialogFixture.h"

#include "app/CaptureApp.h"
#include "app/Settings.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {

struct Launch {
    QString program;
    QStringList arguments;
};

// The dialog on fake media; programs started and URLs opened are recorded
// instead of happening.
class PlayTest : public DialogFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        savedCwd = QDir::currentPath();
        SetFolderLookupHook([this](int) { return FolderLookupResult{FolderLookupStatus::Found, work.path()}; });
        SetStartProgramHook([this](const QString &program, const QStringList &arguments) {
            launches.push_back({program, arguments});
            return startSucceeds;
        });
        SetOpenUrlHook([this](const QUrl &url) {
            urls.push_back(url);
            return openSucceeds;
        });
        DialogFixture::SetUp();
    }
    void TearDown() override
    {
        DialogFixture::TearDown();
        SetFolderLookupHook(nullptr);
        SetStartProgramHook(nullptr);
        SetOpenUrlHook(nullptr);
        QDir::setCurrent(savedCwd);
        if (!savedPath.isNull())
            qputenv("PATH", savedPath);
    }

    QString MakeFile(const QString &name, QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
    {
        const QString path = work.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write("#!/bin/sh\n");
        f.close();
        EXPECT_TRUE(QFile::setPermissions(path, permissions));
        return path;
    }
    QString MakeProgram(const QString &name)
    {
        return MakeFile(name, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void PrependToPath(const QString &folder)
    {
        savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(folder) + ':' + savedPath);
    }
    void Play(const QString &typed)
    {
        launches.clear();
        urls.clear();
        boxes.clear();
        dlg->m_editOutput->setText(typed);
        dlg->OnPlay();
    }

    QTemporaryDir work;
    QString savedCwd;
    QByteArray savedPath;
    bool startSucceeds = true;
    bool openSucceeds = true;
    std::vector<Launch> launches;
    std::vector<QUrl> urls;
};

TEST_F(PlayTest, AMissingFileIsReportedAndNothingStarts)
{
    StoreString(kEntryPlayer, MakeProgram(QStringLiteral("player")));
    ASSERT_TRUE(Open());
    const QString missing = work.filePath(QStringLiteral("not yet.wma"));
    for (const QString &typed : {missing, work.path(), QString()}) {
        SCOPED_TRACE(typed.toStdString());
        dlg->m_strOutputFile = MakeFile(QStringLiteral("saved.wma")); // the member is not what plays
        Play(typed);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, typed + QStringLiteral(" does not exist!"));
        EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
        EXPECT_EQ(boxes[0].flags, MB_OK);
        EXPECT_FALSE(boxes[0].owned) << "the box has no owner";
        EXPECT_TRUE(launches.empty());
        EXPECT_TRUE(urls.empty());
    }
}

TEST_F(PlayTest, TheTypedFileStartsOneLaunchWithIt)
{
    ASSERT_TRUE(Open());
    const QString typed = MakeFile(QStringLiteral("typed.wma"));
    dlg->m_strOutputFile = work.filePath(QStringLiteral("saved but missing.wma"));
    Play(typed);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(launches.empty()) << "no player is set";
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0], QUrl::fromLocalFile(typed));
    EXPECT_EQ(urls[0].toLocalFile(), typed);
}

TEST_F(PlayTest, ThePlayerSettingChoosesTheProgramOrTheDesktop)
{
    const QString bin = work.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    const QString onPath = MakeProgram(QStringLiteral("bin/myplayer"));
    const QString byPath = MakeProgram(QStringLiteral("other player"));
    const QString notExecutable = MakeFile(QStringLiteral("noexec"));
    PrependToPath(bin);
    const QString take = MakeFile(QStringLiteral("take.wma"));

    struct Case {
        QString setting;
        QString program; // empty: the desktop's association
    };
    const std::vector<Case> cases = {
        {QString(), QString()},
        {QStringLiteral("   "), QString()},
        {QStringLiteral("myplayer"), onPath},
        {QStringLiteral(" myplayer "), onPath},
        {byPath, byPath},
        {QStringLiteral("no-such-player-anywhere"), QString()},
        {work.filePath(QStringLiteral("missing/player")), QString()},
        {notExecutable, QString()},
        {bin, QString()}, // a folder is no program
    };
    ASSERT_TRUE(Open());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.setting.toStdString());
        StoreString(kEntryPlayer, c.setting);
        Play(take);
        EXPECT_TRUE(boxes.empty());
        if (c.program.isEmpty()) {
            EXPECT_TRUE(launches.empty());
            ASSERT_EQ(urls.size(), 1u);
            EXPECT_EQ(urls[0].toLocalFile(), take);
        } else {
            EXPECT_TRUE(urls.empty());
            ASSERT_EQ(launches.size(), 1u);
            EXPECT_EQ(launches[0].program, c.program);
            EXPECT_EQ(launches[0].arguments, QStringList{take});
        }
    }
}

TEST_F(PlayTest, APlayerThatWillNotStartFallsBackToTheDesktopThenToAMessage)
{
    StoreString(kEntryPlayer, MakeProgram(QStringLiteral("player")));
    const QString take = MakeFile(QStringLiteral("take.wma"));
    ASSERT_TRUE(Open());
    startSucceeds = false;
    Play(take);
    EXPECT_EQ(launches.size(), 1u);
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0].toLocalFile(), take);
    EXPECT_TRUE(boxes.empty());

    openSucceeds = false;
    Play(take);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
    EXPECT_TRUE(boxes[0].text.contains(take));
}

// Names a shell would split, run or a player take for an option: each
// reaches the player whole, as an absolute path, and is the only argument.
TEST_F(PlayTest, HostileFileNamesReachThePlayerAsOneAbsolutePath)
{
    const QString player = MakeProgram(QStringLiteral("player"));
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    const QStringList names = {
        QStringLiteral("take one.wma"),
        QStringLiteral("it's \"quoted\".wma"),
        QStringLiteral("a;touch injected;b.wma"),
        QStringLiteral("$(touch injected).wma"),
        QStringLiteral("`touch injected`.wma"),
        QStringLiteral("-v.wma"),
        QStringLiteral("--help"),
        QStringLiteral("a|b&c>d.wma"),
    };
    ASSERT_TRUE(Open());
    for (const bool withPlayer : {true, false}) {
        StoreString(kEntryPlayer, withPlayer ? player : QString());
        for (const QString &name : names) {
            SCOPED_TRACE(name.toStdString() + (withPlayer ? " (player)" : " (desktop)"));
            const QString absolute = MakeFile(name);
            for (const QString &typed : {name, absolute}) { // relative to the working folder, and absolute
                Play(typed);
                EXPECT_TRUE(boxes.empty());
                if (withPlayer) {
                    ASSERT_EQ(launches.size(), 1u);
                    EXPECT_TRUE(urls.empty());
                    EXPECT_EQ(launches[0].program, player);
                    ASSERT_EQ(launches[0].arguments.size(), 1);
                    EXPECT_EQ(launches[0].arguments[0], absolute);
                    EXPECT_TRUE(launches[0].arguments[0].startsWith(u'/'));
                } else {
                    EXPECT_TRUE(launches.empty());
                    ASSERT_EQ(urls.size(), 1u);
                    EXPECT_EQ(urls[0].toLocalFile(), absolute);
                }
            }
        }
    }
    EXPECT_FALSE(QFileInfo::exists(work.filePath(QStringLiteral("injected"))));
}

} // namespace
