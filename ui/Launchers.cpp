// Play, Help and Homepage: other programs the dialog starts.
#include "ui/CaptureDlg.h"

#include "app/CaptureApp.h"
#include "app/Settings.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QStandardPaths>

namespace {
const QString kHomepage = QStringLiteral("https://tombrello.example.org/");
const QString kHelpPage = QStringLiteral("Introduction.htm");

// The player the user named in the profile, as an executable path; empty
// when none is named or the named one cannot be run. A name is looked up
// on PATH, anything with a '/' is taken as a path.
QString PreferredPlayer()
{
    const QString player = AfxGetApp()->GetProfileString(kSectionOption, kEntryPlayer, QString()).trimmed();
    if (player.isEmpty())
        return {};
    if (!player.contains(u'/'))
        return QStandardPaths::findExecutable(player);
    const QFileInfo program(player);
    return program.isFile() && program.isExecutable() ? program.absoluteFilePath() : QString();
}

// Where the help pages may be, in order: beside the executable (the build
// tree), the data folder of the prefix the executable is installed in, and
// the data folder the program was built for.
QStringList HelpFolders()
{
    QStringList folders;
    const QString exeFolder = CCaptureDlg::GetFolderPart(theApp.m_pszHelpFilePath);
    if (!exeFolder.isEmpty())
        folders << exeFolder + QStringLiteral("help") << exeFolder + QStringLiteral("../share/tombrello/help");
    folders << QStringLiteral(TOMBRELLO_DATADIR "/help");
    return folders;
}

QString FindHelpPage()
{
    for (const QString &folder : HelpFolders()) {
        const QFileInfo page(QDir(folder).filePath(kHelpPage));
        if (page.isFile())
            return QDir::cleanPath(page.absoluteFilePath());
    }
    return {};
}
} // namespace

// The player gets the file as its one argument, never through a shell, and
// as an absolute path, so that no name (spaces, quotes, ';', "$(...)", a
// leading '-') is split, run or taken for an option. Without a usable
// player, or when it cannot be started, the desktop's association plays it.
void CCaptureDlg::OnPlay()
{
    const QString path = m_editOutput->text();
    if (!FileExists(path)) {
        MessageBox(nullptr, path + QStringLiteral(" does not exist!"), QStringLiteral("Error"), MB_OK);
        return;
    }
    const QString file = QFileInfo(path).absoluteFilePath();
    const QString player = PreferredPlayer();
    if (!player.isEmpty() && StartProgram(player, {file}))
        return;
    if (!OpenUrl(QUrl::fromLocalFile(file)))
        MessageBox(this, QStringLiteral("No program is set up to play ") + file + QStringLiteral("!"),
                   QStringLiteral("Error"), MB_OK);
}

void CCaptureDlg::OnHelpButton()
{
    const QString page = FindHelpPage();
    if (page.isEmpty()) {
        MessageBox(this, QStringLiteral("The help pages are not installed!"), QStringLiteral("Error"), MB_OK);
        return;
    }
    if (!OpenUrl(QUrl::fromLocalFile(page)))
        MessageBox(this, QStringLiteral("Can not open the help page ") + page + QStringLiteral("!"),
                   QStringLiteral("Error"), MB_OK);
}

void CCaptureDlg::OnHomepage()
{
    OpenUrl(QUrl(kHomepage));
}

QString CCaptureDlg::GetFolderPart(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash + 1);
}
