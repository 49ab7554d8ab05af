// Output names that are awkward or impossible: each take either records a
// playable file of the recorded length or ends with a message and Idle, and
// the dialog records afterwards.
#include "support/MediaProbe.h"
#include "support/RecorderFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString kReady = QStringLiteral("Status : Ready");

struct PathCase {
    const char *name;
    // The output path below the test's folder; made ready by `prepare`.
    QString (*path)(const QString &root);
    bool mustRecord; // false: refusing with a message is right too
};

QString Missing(const QString &root)
{
    return root + QStringLiteral("/no/such/folder/take.wma");
}

// Tests run as root, so a read-only folder would still be written; a parent
// that is a regular file is refused by the file system for everyone.
QString ParentIsAFile(const QString &root)
{
    QFile f(root + QStringLiteral("/plain"));
    f.open(QIODevice::WriteOnly);
    return root + QStringLiteral("/plain/take.wma");
}

QString AFolder(const QString &root)
{
    QDir().mkpath(root + QStringLiteral("/folder.wma"));
    return root + QStringLiteral("/folder.wma");
}

QString LongNested(const QString &root)
{
    QString path = root;
    while (path.size() < 290)
        path += QStringLiteral("/") + QString(40, u'n');
    QDir().mkpath(path);
    return path + QStringLiteral("/take.wma");
}

QString NameOver255Bytes(const QString &root)
{
    return root + QStringLiteral("/") + QString(260, u'x') + QStringLiteral(".wma");
}

QString Spaces(const QString &root)
{
    QDir().mkpath(root + QStringLiteral("/My Recordings"));
    return root + QStringLiteral("/My Recordings/take  two .wma");
}

QString Quotes(const QString &root)
{
    return root + QStringLiteral("/it's \"quoted\" `x`.wma");
}

QString NonAscii(const QString &root)
{
    QDir().mkpath(root + QStringLiteral("/Musik für Öl"));
    return root + QStringLiteral("/Musik für Öl/Žluťoučký kůň 日本語.wma");
}

QString ShellCharacters(const QString &root)
{
    return root + QStringLiteral("/$(touch pwned) & ; | * ? [a] {b} ~ # ! %.wma");
}

const PathCase kCases[] = {
    {"MissingFolder", Missing, false},
    {"ParentIsAFile", ParentIsAFile, false},
    {"PathIsAFolder", AFolder, false},
    {"LongNestedPath", LongNested, true},
    {"NameOver255Bytes", NameOver255Bytes, false},
    {"Spaces", Spaces, true},
    {"Quotes", Quotes, true},
    {"NonAscii", NonAscii, true},
    {"ShellCharacters", ShellCharacters, true},
};

class FaultPathTest : public RecorderFixture, public ::testing::WithParamInterface<PathCase> {
protected:
    // One take of about a second; its recorded milliseconds, or -1 when the
    // dialog refused it.
    qint64 Take(const QString &out)
    {
        boxes.clear();
        dlg->m_editOutput->setText(out);
        QElapsedTimer wall;
        wall.start();
        dlg->OnRecord();
        Wait(1200);
        if (dlg->m_bRecording == 0)
            return -1;
        const qint64 ms = wall.elapsed();
        dlg->OnStop();
        return ms;
    }
};

TEST_P(FaultPathTest, RecordsOrRefusesCleanlyAndRecordsAfterwards)
{
    const PathCase &c = GetParam();
    auto reader = daemon.KeepReading(daemon.SinkName());
    ASSERT_TRUE(Open());
    ASSERT_TRUE(ChooseDevice(QString::fromStdString(daemon.SinkDescription())));
    const QString root = OutputPath(QStringLiteral("out"));
    QDir().mkpath(root);
    const QString out = c.path(root);

    const qint64 ms = Take(out);
    EXPECT_EQ(dlg->m_bRecording, 0);
    EXPECT_EQ(dlg->m_stcStatus->text(), kReady);
    if (ms < 0) {
        EXPECT_FALSE(c.mustRecord) << "refused " << out.toStdString();
        ASSERT_FALSE(boxes.empty()) << "refused without a message: " << out.toStdString();
        EXPECT_FALSE(boxes[0].text.isEmpty());
        EXPECT_FALSE(dlg->m_pEncoder || dlg->m_pFileWriter) << "no half-made chain";
    } else {
        const MediaInfo info = Probe(out);
        ASSERT_TRUE(info.ok) << "recorded, but no playable file at " << out.toStdString();
        EXPECT_EQ(info.codec, QStringLiteral("wmav2"));
        EXPECT_NEAR(info.duration, ms / 1000.0, 0.4);
        EXPECT_TRUE(boxes.empty()) << boxes[0].text.toStdString();
    }
    EXPECT_FALSE(QFile::exists(root + QStringLiteral("/pwned"))) << "a name went through a shell";

    const QString good = OutputPath(QStringLiteral("after.wma"));
    const qint64 after = Take(good);
    ASSERT_GT(after, 0) << "the dialog does not record after " << c.name;
    EXPECT_NEAR(Probe(good).duration, after / 1000.0, 0.4);
}

INSTANTIATE_TEST_SUITE_P(Outputs, FaultPathTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PathCase> &p) { return std::string(p.param.name); });

} // namespace
