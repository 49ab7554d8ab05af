// The output file: its default (the user's music folder when there is one),
// the existence test and the Browse button.
#include "ui/CaptureDlg.h"

#include "app/CaptureApp.h"
#include "app/Settings.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

namespace {
// Systems before version 6 keep no music folder worth asking for.
constexpr DWORD kFirstVersionWithMusicFolder = 6;

QString WithoutTrailingSlashes(QString path)
{
    while (path.endsWith(u'/'))
        path.chop(1);
    return path;
}

// The folder the save dialog opens in: the saved output file's folder.
QString InitialFolder(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

// Whatever extension the user typed, the encoder writes Windows Media Audio;
// only the file name's own last extension goes, never a dot of a folder.
QString WithWmaExtension(const QString &path)
{
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
    const qsizetype dot = path.lastIndexOf(u'.');
    const QString stem = dot >= nameStart ? path.left(dot) : path;
    return stem + QStringLiteral(".wma");
}
} // namespace

QString CCaptureDlg::GetDefaultOutputPath(const QString &section, const QString &key, const QString &defaultPath,
                                          int folder)
{
    if (m_osvi.dwMajorVersion < kFirstVersionWithMusicFolder)
        return AfxGetApp()->GetProfileString(section, key, defaultPath);

    // The lookup runs, and complains, even when a stored path will win.
    const FolderLookupResult music = LookUpFolder(folder);
    switch (music.status) {
    case FolderLookupStatus::Unavailable:
        MessageBox(this, QStringLiteral("Can not get SHGetFolderPathA!"), QStringLiteral("Error"), MB_OK);
        return AfxGetApp()->GetProfileString(section, key, defaultPath);
    case FolderLookupStatus::Failed:
        MessageBox(this, QStringLiteral("Can not get My Music directory!"), QStringLiteral("Error"), MB_OK);
        return AfxGetApp()->GetProfileString(section, key, defaultPath);
    case FolderLookupStatus::Found:
        break;
    }
    const QString composed = WithoutTrailingSlashes(music.path) + GetFileNamePart(defaultPath);
    return AfxGetApp()->GetProfileString(section, key, composed);
}

QString CCaptureDlg::GetFileNamePart(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.mid(slash);
}

// Linux has no share modes: a file another program holds open for writing
// (a player, a running recording) can still be opened for reading, so it
// counts as existing. Only a missing file, a folder or anything else that
// is not a plain file, and a file this user may not read are not. Opening
// is tried only on plain files, so a named pipe never blocks the dialog.
BOOL CCaptureDlg::FileExists(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return FALSE;
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? TRUE : FALSE;
}

// The choice takes effect at once, even during a recording: the running
// recording was handed its path when it started and keeps it.
void CCaptureDlg::OnBrowse()
{
    const QString chosen =
        GetSaveFileName(this, QStringLiteral("Select Output"), InitialFolder(m_strOutputFile),
                        QStringLiteral("Windows Media Audio file(*.wma)"), QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty())
        return;
    m_strOutputFile = WithWmaExtension(chosen);
    AfxGetApp()->WriteProfileString(kSectionOption, kEntryOutputFile, m_strOutputFile);
    m_editOutput->setText(m_strOutputFile);
}
