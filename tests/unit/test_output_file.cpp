// The output file: its default at start-up, the existence test and Browse.
#include "support/DialogFixture.h"

#include "app/CaptureApp.h"
#include "app/Settings.h"
#include "platform/OsVersion.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>

namespace {

// The dialog on fake media with the music folder lookup and the save
// dialog answered by the test.
class OutputFileTest : public DialogFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        music = work.filePath(QStringLiteral("Music"));
        ASSERT_TRUE(QDir().mkpath(music));
        lookup = {FolderLookupStatus::Found, music};
        SetFolderLookupHook([this](int folder) {
            lookups.push_back(folder);
            return lookup;
        });
        SetSaveFileHook([this](const SaveFileRequest &request) {
            requests.push_back(request);
            return saveAnswer;
        });
        DialogFixture::SetUp();
        SetOsMajorVersionForTesting(6); // a system with a music folder to ask for
    }
    void TearDown() override
    {
        DialogFixture::TearDown();
        SetFolderLookupHook(nullptr);
        SetSaveFileHook(nullptr);
        SetOsMajorVersionForTesting(6);
    }

    QTemporaryDir work;
    QString music;
    FolderLookupResult lookup;
    std::vector<int> lookups;
    QString saveAnswer;
    std::vector<SaveFileRequest> requests;
};

QString HomeDefault()
{
    return QDir::homePath() + QStringLiteral("/capture.wma");
}

struct DefaultCase {
    const char *what;
    DWORD version;
    FolderLookupStatus status;
    bool stored;
    const char *box; // expected message, or null
};

TEST_F(OutputFileTest, StartUpDefaultFollowsVersionLookupAndStoredPath)
{
    const QString stored = QStringLiteral("/srv/takes/stored.wma");
    const std::vector<DefaultCase> cases = {
        {"version 5, nothing stored", 5, FolderLookupStatus::Found, false, nullptr},
        {"version 5, stored", 5, FolderLookupStatus::Found, true, nullptr},
        {"version 6, music folder", 6, FolderLookupStatus::Found, false, nullptr},
        {"version 10, music folder", 10, FolderLookupStatus::Found, false, nullptr},
        {"version 6, stored wins over music", 6, FolderLookupStatus::Found, true, nullptr},
        {"no music folder", 6, FolderLookupStatus::Failed, false, "Can not get My Music directory!"},
        {"no music folder, stored", 6, FolderLookupStatus::Failed, true, "Can not get My Music directory!"},
        {"no lookup facility", 6, FolderLookupStatus::Unavailable, false, "Can not get SHGetFolderPathA!"},
        {"no lookup facility, stored", 6, FolderLookupStatus::Unavailable, true, "Can not get SHGetFolderPathA!"},
    };
    for (const DefaultCase &c : cases) {
        SCOPED_TRACE(c.what);
        QSettings(QStringLiteral("ZORBANE"), theApp.m_pszAppName).clear();
        if (c.stored)
            StoreString(kEntryOutputFile, stored);
        SetOsMajorVersionForTesting(c.version);
        lookup = {c.status, c.status == FolderLookupStatus::Found ? music : QString()};
        lookups.clear();
        boxes.clear();

        ASSERT_TRUE(Open());
        QString expected = c.status == FolderLookupStatus::Found && c.version >= 6
                               ? music + QStringLiteral("/capture.wma")
                               : HomeDefault();
        if (c.stored)
            expected = stored;
        EXPECT_EQ(dlg->m_strOutputFile, expected);
        EXPECT_EQ(dlg->m_editOutput->text(), expected);
        EXPECT_EQ(lookups, c.version >= 6 ? std::vector<int>{CSIDL_MYMUSIC} : std::vector<int>{});
        if (c.box) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, QString::fromLatin1(c.box));
            EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
            EXPECT_EQ(boxes[0].flags, MB_OK);
            EXPECT_TRUE(boxes[0].owned);
        } else {
            EXPECT_TRUE(boxes.empty()) << boxes[0].text.toStdString();
        }
        Destroy();
    }
}

TEST_F(OutputFileTest, MusicFolderWithTrailingSlashGivesOneSeparator)
{
    lookup = {FolderLookupStatus::Found, music + QStringLiteral("/")};
    ASSERT_TRUE(Open());
    EXPECT_EQ(dlg->m_strOutputFile, music + QStringLiteral("/capture.wma"));
    // The file name part of whatever default the caller gives is kept.
    EXPECT_EQ(dlg->GetDefaultOutputPath(kSectionOption, QStringLiteral("other"), QStringLiteral("/x/y/take.wma"),
                                        CSIDL_MYMUSIC),
              music + QStringLiteral("/take.wma"));
}

// The real lookup, through the XDG user folders file Qt reads.
TEST(MusicFolderLookup, FindsTheConfiguredFolderOnlyOnceItExists)
{
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QString folder = config.filePath(QStringLiteral("My Tunes"));
    QFile dirs(config.filePath(QStringLiteral("user-dirs.dirs")));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_MUSIC_DIR=\"" + QFile::encodeName(folder) + "\"\n");
    dirs.close();
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    const FolderLookupResult missing = LookUpFolder(CSIDL_MYMUSIC);
    ASSERT_TRUE(QDir().mkpath(folder));
    const FolderLookupResult found = LookUpFolder(CSIDL_MYMUSIC);
    const FolderLookupResult unknown = LookUpFolder(5);

    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
    EXPECT_EQ(missing.status, FolderLookupStatus::Failed);
    EXPECT_EQ(found.status, FolderLookupStatus::Found);
    EXPECT_EQ(found.path, folder);
    EXPECT_EQ(unknown.status, FolderLookupStatus::Failed);
}

TEST(OutputPathParts, FileNameAndFolderPartsSplitAtTheLastSlash)
{
    struct Case {
        const char *path, *name, *folder;
    };
    const Case cases[] = {
        {"/home/ann/capture.wma", "/capture.wma", "/home/ann/"},
        {"/capture.wma", "/capture.wma", "/"},
        {"capture.wma", "", ""},
        {"", "", ""},
        {"/my.folder/", "/", "/my.folder/"},
        {"c:\\capture.wma", "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(CCaptureDlg::GetFileNamePart(QString::fromLatin1(c.path)), QString::fromLatin1(c.name));
        EXPECT_EQ(CCaptureDlg::GetFolderPart(QString::fromLatin1(c.path)), QString::fromLatin1(c.folder));
    }
}

// ---- FileExists ----

class FileExistsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Make(const QString &name, QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("RIFF");
        f.close();
        EXPECT_TRUE(QFile::setPermissions(path, permissions));
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(FileExistsTest, OnlyAPlainReadableFileExists)
{
    const QString file = Make(QStringLiteral("take one.wma"));
    const QString fifo = dir.filePath(QStringLiteral("pipe.wma"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString link = dir.filePath(QStringLiteral("link.wma"));
    ASSERT_TRUE(QFile::link(file, link));
    const QString dangling = dir.filePath(QStringLiteral("dangling.wma"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone.wma")), dangling));
    const QString folder = dir.filePath(QStringLiteral("folder.wma"));
    ASSERT_TRUE(QDir().mkpath(folder));

    const std::vector<std::pair<QString, bool>> cases = {
        {file, true},      {link, true},       {dir.filePath(QStringLiteral("missing.wma")), false},
        {folder, false},   {fifo, false},                            // a pipe would block the dialog on open
        {dangling, false}, {QString(), false}, {file + u'/', false}, // a file taken for a folder
    };
    for (const auto &[path, exists] : cases)
        EXPECT_EQ(CCaptureDlg::FileExists(path), exists ? TRUE : FALSE) << path.toStdString();
}

TEST_F(FileExistsTest, AFileWithoutReadPermissionDoesNotExist)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads any file; AFileWithoutReadPermissionDoesNotExistForAnotherUser covers this";
    const QString locked = Make(QStringLiteral("locked.wma"), QFile::WriteOwner);
    EXPECT_FALSE(CCaptureDlg::FileExists(locked));
}

// As root the permission check means something only for another user: a
// child drops to "nobody" and asks about a readable and a locked file.
TEST_F(FileExistsTest, AFileWithoutReadPermissionDoesNotExistForAnotherUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to become another user; AFileWithoutReadPermissionDoesNotExist covers this";
    const QFile::Permissions everyoneReads = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(dir.path(), everyoneReads | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
    const QString readable = Make(QStringLiteral("readable.wma"), everyoneReads);
    const QString locked = Make(QStringLiteral("locked.wma"), QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(CCaptureDlg::FileExists(locked)) << "root itself still reads it";

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(9);
        const int bits = (CCaptureDlg::FileExists(readable) ? 1 : 0) | (CCaptureDlg::FileExists(locked) ? 2 : 0);
        ::_exit(bits);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 9) << "could not become nobody";
    EXPECT_EQ(WEXITSTATUS(status), 1) << "readable exists (bit 1), locked does not (bit 2)";
}

// Linux has no share modes: a file another process is writing can be read.
TEST_F(FileExistsTest, AFileAnotherProgramIsWritingStillExists)
{
    const QString file = Make(QStringLiteral("being written.wma"));
    QProcess writer;
    writer.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), QStringLiteral("exec 3>>\"$1\"; echo ready; exec sleep 30"),
                  QStringLiteral("sh"), file});
    ASSERT_TRUE(writer.waitForStarted(5000));
    ASSERT_TRUE(writer.waitForReadyRead(5000));
    const QString fd = QStringLiteral("/proc/%1/fd/3").arg(writer.processId());
    EXPECT_EQ(QFileInfo(fd).symLinkTarget(), file) << "the writer holds the file open";

    EXPECT_TRUE(CCaptureDlg::FileExists(file));

    writer.kill(); // the process started above, by its pid
    writer.waitForFinished(5000);
}

// ---- Browse ----

TEST_F(OutputFileTest, BrowseGivesTheChosenFileTheWmaEnding)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral("/rec/talk.mp3"), QStringLiteral("/rec/talk.wma")},
        {QStringLiteral("/rec/talk"), QStringLiteral("/rec/talk.wma")},
        {QStringLiteral("/rec/a.b.wma"), QStringLiteral("/rec/a.b.wma")},
        {QStringLiteral("/rec/talk."), QStringLiteral("/rec/talk.wma")},
        {QStringLiteral("/my.folder/talk"), QStringLiteral("/my.folder/talk.wma")},
        {QStringLiteral("/my.folder/talk.WMA"), QStringLiteral("/my.folder/talk.wma")},
        {QStringLiteral("/rec/take one.ogg"), QStringLiteral("/rec/take one.wma")},
        {QStringLiteral("/a.b/c.d/e"), QStringLiteral("/a.b/c.d/e.wma")},
    };
    ASSERT_TRUE(Open());
    for (const auto &[chosen, expected] : cases) {
        SCOPED_TRACE(chosen.toStdString());
        saveAnswer = chosen;
        dlg->OnBrowse();
        EXPECT_EQ(dlg->m_strOutputFile, expected);
        EXPECT_EQ(dlg->m_editOutput->text(), expected);
        EXPECT_EQ(ProfileString(kEntryOutputFile, QString()), expected) << "stored at once";
    }
}

TEST_F(OutputFileTest, BrowseOpensInTheSavedFilesFolderNotTheTypedOne)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral("/rec/sub/take.wma"), QStringLiteral("/rec/sub")},
        {QStringLiteral("take.wma"), QStringLiteral(".")},
        {QString(), QStringLiteral(".")},
        {QStringLiteral("/take.wma"), QStringLiteral("/")},
    };
    ASSERT_TRUE(Open());
    for (const auto &[member, folder] : cases) {
        SCOPED_TRACE(member.toStdString());
        dlg->m_strOutputFile = member;
        dlg->m_editOutput->setText(QStringLiteral("/typed/elsewhere/x.wma"));
        requests.clear();
        dlg->OnBrowse();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].folder, folder);
        EXPECT_EQ(requests[0].caption, QStringLiteral("Select Output"));
        EXPECT_EQ(requests[0].filter, QStringLiteral("Windows Media Audio file(*.wma)"));
        EXPECT_TRUE(requests[0].options.testFlag(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(requests[0].parent, dlg.get());
    }
}

TEST_F(OutputFileTest, CancelledBrowseChangesNothing)
{
    StoreString(kEntryOutputFile, QStringLiteral("/rec/kept.wma"));
    ASSERT_TRUE(Open());
    dlg->m_editOutput->setText(QStringLiteral("/rec/typed.wma"));
    saveAnswer.clear();
    dlg->OnBrowse();
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_EQ(dlg->m_strOutputFile, QStringLiteral("/rec/kept.wma"));
    EXPECT_EQ(dlg->m_editOutput->text(), QStringLiteral("/rec/typed.wma"));
    EXPECT_EQ(ProfileString(kEntryOutputFile, QString()), QStringLiteral("/rec/kept.wma"));
}

TEST_F(OutputFileTest, BrowseDuringARecordingLeavesTheRunningRecordingsPath)
{
    ASSERT_TRUE(Open());
    const QString first = work.filePath(QStringLiteral("first.wma"));
    dlg->m_editOutput->setText(first);
    dlg->OnRecord();
    ASSERT_EQ(dlg->m_bRecording, 1);

    saveAnswer = work.filePath(QStringLiteral("next.mp3"));
    dlg->OnBrowse();
    EXPECT_EQ(dlg->m_strOutputFile, work.filePath(QStringLiteral("next.wma")));
    EXPECT_EQ(dlg->m_bRecording, 1);
    EXPECT_EQ(ReadHandOffKey(kHandOffOutputName), first) << "the encoder keeps the path it started with";

    dlg->OnStop();
    dlg->OnRecord();
    EXPECT_EQ(ReadHandOffKey(kHandOffOutputName), work.filePath(QStringLiteral("next.wma")));
    dlg->OnStop();
}

} // namespace
