// The program's profile: values by section and name in
// ~/.config/ZORBANE/<application name>.conf. A missing, unreadable or
// malformed value reads as the default given by the caller.
#pragma once

#include <QString>

class Profile {
public:
    Profile(QString organization, QString application);

    int GetProfileInt(const QString &section, const QString &entry, int defaultValue) const;
    QString GetProfileString(const QString &section, const QString &entry, const QString &defaultValue) const;
    bool WriteProfileInt(const QString &section, const QString &entry, int value) const;
    bool WriteProfileString(const QString &section, const QString &entry, const QString &value) const;

    // The file the values live in.
    QString FileName() const;

private:
    QString m_organization;
    QString m_application;
};
