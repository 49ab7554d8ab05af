#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {
struct Hooks {
    FolderLookupHook folder;
    SaveFileHook saveFile;
    StartProgramHook startProgram;
    OpenUrlHook openUrl;
};

Hooks &TheHooks()
{
    static Hooks hooks;
    return hooks;
}

FolderLookupResult LookUpMusicFolder()
{
    QString path = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    // Qt names ~/Music even where it was never made; a folder that is not
    // there is no folder to record into.
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return {FolderLookupStatus::Failed, {}};
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return {FolderLookupStatus::Found, path};
}
} // namespace

void SetFolderLookupHook(FolderLookupHook hook)
{
    TheHooks().folder = std::move(hook);
}
void SetSaveFileHook(SaveFileHook hook)
{
    TheHooks().saveFile = std::move(hook);
}
void SetStartProgramHook(StartProgramHook hook)
{
    TheHooks().startProgram = std::move(hook);
}
void SetOpenUrlHook(OpenUrlHook hook)
{
    TheHooks().openUrl = std::move(hook);
}

FolderLookupResult LookUpFolder(int folder)
{
    if (TheHooks().folder)
        return TheHooks().folder(folder);
    if (folder == CSIDL_MYMUSIC)
        return LookUpMusicFolder();
    return {FolderLookupStatus::Failed, {}};
}

QString GetSaveFileName(QWidget *parent, const QString &caption, const QString &folder, const QString &filter,
                        QFileDialog::Options options)
{
    if (TheHooks().saveFile)
        return TheHooks().saveFile(SaveFileRequest{parent, caption, folder, filter, options});
    return QFileDialog::getSaveFileName(parent, caption, folder, filter, nullptr, options);
}

bool StartProgram(const QString &program, const QStringList &arguments)
{
    if (TheHooks().startProgram)
        return TheHooks().startProgram(program, arguments);
    return QProcess::startDetached(program, arguments);
}

bool OpenUrl(const QUrl &url)
{
    if (TheHooks().openUrl)
        return TheHooks().openUrl(url);
    return QDesktopServices::openUrl(url);
}
