#include "app/Settings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <sys/stat.h>

int g_nSoundCaptureIndex = 0;
int g_nCapturePinIndex = 0;
int g_nSearchFlag = 0;

bool WriteHandOffKey(const QString &subkey, const QString &value)
{
    QSettings keys(kHandOffOrganization, kHandOffApplication);
    keys.setValue(subkey + QStringLiteral("/Default"), value);
    keys.sync();
    return keys.status() == QSettings::NoError;
}

QString ReadHandOffKey(const QString &subkey)
{
    QSettings keys(kHandOffOrganization, kHandOffApplication);
    return keys.value(subkey + QStringLiteral("/Default")).toString();
}

namespace {
// A folder of our own: created 0700, and refused when it is a link or
// belongs to someone else or others may enter it.
bool IsPrivateFolder(const QString &path)
{
    const QByteArray p = QFile::encodeName(path);
    ::mkdir(p.constData(), 0700);
    struct stat st {};
    if (::lstat(p.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    return (st.st_mode & 077) == 0 || ::chmod(p.constData(), 0700) == 0;
}
} // namespace

QString TempRecordingPath()
{
    QStringList candidates;
    const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty())
        candidates << QDir(runtime).filePath(QStringLiteral("tombrello"));
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty()) {
        QDir().mkpath(cache);
        candidates << QDir(cache).filePath(QStringLiteral("tombrello"));
    }
    for (const QString &folder : candidates) {
        if (IsPrivateFolder(folder))
            return QDir(folder).filePath(QStringLiteral("zephtemp.wav"));
    }
    return {};
}
