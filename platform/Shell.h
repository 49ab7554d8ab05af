// What the program asks of the desktop: the user's folders, the save dialog,
// starting another program and opening a web address or a file with the
// program the desktop associates with it. Each has a test hook: an empty
// hook restores the real behaviour.
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QWidget;

// Folder numbers as the dialog names them.
constexpr int CSIDL_MYMUSIC = 13;

enum class FolderLookupStatus {
    Found,
    Failed,     // the facility answered, but there is no such folder
    Unavailable // the facility itself is missing
};

struct FolderLookupResult {
    FolderLookupStatus status = FolderLookupStatus::Failed;
    QString path; // without a trailing '/', set when Found
};

// The user's folder of that number. Only the music folder is known; it is
// found only when it exists as a folder.
FolderLookupResult LookUpFolder(int folder);

struct SaveFileRequest {
    QWidget *parent = nullptr;
    QString caption;
    QString folder;
    QString filter;
    QFileDialog::Options options;
};

// The chosen path, empty when the dialog was cancelled.
QString GetSaveFileName(QWidget *parent, const QString &caption, const QString &folder, const QString &filter,
                        QFileDialog::Options options);

// Starts the program detached with exactly these arguments: no shell sees
// them, so nothing in an argument is ever taken as a command.
bool StartProgram(const QString &program, const QStringList &arguments);

// Opens a web address in the browser or a file URL with the desktop's
// association for that file.
bool OpenUrl(const QUrl &url);

using FolderLookupHook = std::function<FolderLookupResult(int folder)>;
using SaveFileHook = std::function<QString(const SaveFileRequest &)>;
using StartProgramHook = std::function<bool(const QString &program, const QStringList &arguments)>;
using OpenUrlHook = std::function<bool(const QUrl &)>;

void SetFolderLookupHook(FolderLookupHook hook);
void SetSaveFileHook(SaveFileHook hook);
void SetStartProgramHook(StartProgramHook hook);
void SetOpenUrlHook(OpenUrlHook hook);
