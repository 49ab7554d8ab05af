// Play starting a real player on a real recording, and Help finding its
// pages after a real install.
#include "support/MediaProbe.h"
#include "support/RecorderFixture.h"

#include "app/CaptureApp.h"
#include "app/Settings.h"
#include "platform/Shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace {

QString WriteScript(const QString &path, const QString &body)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(("#!/bin/sh\n" + body + "\n").toUtf8());
    f.close();
    EXPECT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    return path;
}

// A program that writes how many arguments it got and each of them,
// NUL-separated, into `out`; the file appears whole or not at all.
QString ArgumentRecorder(const QString &path, const QString &out)
{
    return WriteScript(path, QStringLiteral("{ printf '%s\\0' \"$#\"; for a; do printf '%s\\0' \"$a\"; done; } > '") +
                                 out + QStringLiteral(".part' && mv '") + out + QStringLiteral(".part' '") + out +
                                 u'\'');
}

// The arguments the recorder wrote, once it has (empty when it never ran).
QStringList RecordedArguments(const QString &out)
{
    QElapsedTimer waited;
    waited.start();
    while (!QFileInfo::exists(out)) {
        if (waited.elapsed() > 10000)
            return {};
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    QFile f(out);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList parts = QString::fromUtf8(f.readAll()).split(QChar(0));
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    QFile::remove(out);
    return parts;
}

class PlayerTest : public RecorderFixture {
protected:
    void SetUp() override
    {
        RecorderFixture::SetUp();
        savedCwd = QDir::currentPath();
    }
    void TearDown() override
    {
        QDir::setCurrent(savedCwd);
        RecorderFixture::TearDown();
    }
    QString savedCwd;
};

TEST_F(PlayerTest, ARealPlayerGetsTheRecordingAsItsOneArgumentWhateverItsName)
{
    auto reader = daemon.KeepReading(daemon.SinkName());
    const QString out = OutputPath(QStringLiteral("arguments"));
    const QString player = ArgumentRecorder(OutputPath(QStringLiteral("player")), out);
    theApp.WriteProfileString(kSectionOption, kEntryPlayer, player);
    ASSERT_TRUE(QDir::setCurrent(dir.path())); // where injected commands would leave their marks
    ASSERT_TRUE(Open());
    ASSERT_TRUE(ChooseDevice(QString::fromStdString(daemon.SinkDescription())));
    boxes.clear(); // start-up's own messages (no music folder here) are not Play's

    const QString take = OutputPath(QStringLiteral("it's a \"take\"; $(touch injected) `touch injected`.wma"));
    dlg->m_editOutput->setText(take);
    dlg->OnRecord();
    ASSERT_EQ(dlg->m_bRecording, 1) << (boxes.empty() ? "" : boxes[0].text.toStdString());
    daemon.Speak(daemon.SinkName(), "Play me.");
    dlg->OnStop();
    ASSERT_TRUE(Probe(take).ok) << "the recording is there to play";

    // Relative names are typed as a user would; a leading '-' must not turn
    // into an option of the player.
    const QStringList copies = {QStringLiteral("-x; touch injected.wma"), QStringLiteral("--help")};
    for (const QString &name : copies)
        ASSERT_TRUE(QFile::copy(take, OutputPath(name)));

    const std::vector<std::pair<QString, QString>> plays = {
        {take, take},
        {copies[0], OutputPath(copies[0])},
        {copies[1], OutputPath(copies[1])},
    };
    for (const auto &[typed, absolute] : plays) {
        SCOPED_TRACE(typed.toStdString());
        dlg->m_editOutput->setText(typed);
        dlg->OnPlay();
        const QStringList args = RecordedArguments(out);
        ASSERT_EQ(args.size(), 2) << "argument count and one argument";
        EXPECT_EQ(args[0], QStringLiteral("1"));
        EXPECT_EQ(args[1], absolute);
        const MediaInfo info = Probe(args[1]);
        EXPECT_EQ(info.codec, QStringLiteral("wmav2")) << "the player was given the recording itself";
    }
    EXPECT_TRUE(boxes.empty()) << boxes[0].text.toStdString();
    const QStringList marks = QDir(dir.path()).entryList({QStringLiteral("injected*")}, QDir::Files);
    EXPECT_TRUE(marks.isEmpty()) << "an injected command ran: " << marks.join(u' ').toStdString();
}

// Installs the build into a fresh prefix, as a package would.
class InstalledHelpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(prefix.isValid());
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral("cmake"), {QStringLiteral("--install"), QStringLiteral(TOMBRELLO_BUILD_DIR),
                                                QStringLiteral("--prefix"), prefix.path()});
        ASSERT_TRUE(install.waitForFinished(60000));
        ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();
        savedHelpPath = theApp.m_pszHelpFilePath;
    }
    void TearDown() override
    {
        theApp.m_pszHelpFilePath = savedHelpPath;
        SetOpenUrlHook(nullptr);
        SetMessageBoxHandler(nullptr);
    }

    QTemporaryDir prefix;
    QString savedHelpPath;
};

TEST_F(InstalledHelpTest, TheInstalledProgramOpensItsInstalledIntroduction)
{
    const QString installedHelp = prefix.filePath(QStringLiteral("share/tombrello/help"));
    const QString page = installedHelp + QStringLiteral("/Introduction.htm");
    ASSERT_TRUE(QFileInfo(prefix.filePath(QStringLiteral("bin/tombrello"))).isExecutable());
    ASSERT_TRUE(QFileInfo(page).isFile());
    QDirIterator built(QStringLiteral(TOMBRELLO_BUILD_DIR "/help"), QDir::Files);
    while (built.hasNext()) {
        const QFileInfo file(built.next());
        QFile a(file.filePath()), b(installedHelp + u'/' + file.fileName());
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        EXPECT_EQ(a.readAll(), b.readAll()) << file.fileName().toStdString();
    }

    // The offscreen platform the tests run on has no desktop services, so
    // the opener is the hook: it sees the address the desktop would get.
    std::vector<QUrl> opened;
    SetOpenUrlHook([&](const QUrl &url) {
        opened.push_back(url);
        return true;
    });
    std::vector<MessageBoxCall> boxes;
    SetMessageBoxHandler([&](const MessageBoxCall &call) {
        boxes.push_back(call);
        return IDOK;
    });

    theApp.m_pszHelpFilePath = prefix.filePath(QStringLiteral("bin/tombrello")) + QStringLiteral(".hlp");
    CCaptureDlg dlg; // Help needs neither the controls nor a graph
    dlg.OnHelpButton();
    ASSERT_EQ(opened.size(), 1u) << (boxes.empty() ? "" : boxes[0].text.toStdString());
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(page));
    EXPECT_TRUE(QFileInfo(opened[0].toLocalFile()).isFile());
    EXPECT_TRUE(boxes.empty());
}

} // namespace
