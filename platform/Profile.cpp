#include "platform/Profile.h"

#include <QSettings>

namespace {
QString KeyOf(const QString &section, const QString &entry)
{
    return section + u'/' + entry;
}
} // namespace

Profile::Profile(QString organization, QString application)
    : m_organization(std::move(organization)), m_application(std::move(application))
{
}

int Profile::GetProfileInt(const QString &section, const QString &entry, int defaultValue) const
{
    QSettings settings(m_organization, m_application);
    if (settings.status() != QSettings::NoError)
        return defaultValue;
    const QVariant v = settings.value(KeyOf(section, entry));
    bool ok = false;
    const int value = v.toInt(&ok);
    return v.isValid() && ok ? value : defaultValue;
}

QString Profile::GetProfileString(const QString &section, const QString &entry, const QString &defaultValue) const
{
    QSettings settings(m_organization, m_application);
    if (settings.status() != QSettings::NoError)
        return defaultValue;
    const QVariant v = settings.value(KeyOf(section, entry));
    // A list or a group where a text should be is as good as missing.
    if (!v.isValid() || !v.canConvert<QString>() || v.typeId() == QMetaType::QStringList)
        return defaultValue;
    return v.toString();
}

bool Profile::WriteProfileInt(const QString &section, const QString &entry, int value) const
{
    QSettings settings(m_organization, m_application);
    settings.setValue(KeyOf(section, entry), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool Profile::WriteProfileString(const QString &section, const QString &entry, const QString &value) const
{
    QSettings settings(m_organization, m_application);
    settings.setValue(KeyOf(section, entry), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString Profile::FileName() const
{
    return QSettings(m_organization, m_application).fileName();
}
