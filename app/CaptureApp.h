// The application object: owns the QApplication, names the profile after
// the executable, loads the button skin and runs the main dialog.
#pragma once

#include "platform/Com.h"
#include "platform/Profile.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <memory>

class QApplication;

using COLORREF = std::uint32_t; // 0x00BBGGRR
inline QColor ColorOf(COLORREF c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// The button look every CSkinButton copies when it is made.
extern const QImage *g_pSkinFacePushed;
extern const QImage *g_pSkinFaceNormal;
extern COLORREF g_crSkinLight;
extern COLORREF g_crSkinDark;
extern COLORREF g_crSkinTextDisabled;
extern COLORREF g_crSkinText;

class CCaptureApp {
public:
    CCaptureApp();
    ~CCaptureApp();
    CCaptureApp(const CCaptureApp &) = delete;
    CCaptureApp &operator=(const CCaptureApp &) = delete;

    // The process's entry: makes the QApplication (unless one exists),
    // names the application and runs InitInstance. Arguments are ignored.
    int WinMain(int argc, char **argv);
    BOOL InitInstance();
    BOOL InitSkin();

    // The profile of this application name ("ZORBANE" / name / "Option").
    void SetRegistryKey(const QString &company);
    int GetProfileInt(const QString &section, const QString &entry, int defaultValue) const;
    QString GetProfileString(const QString &section, const QString &entry, const QString &defaultValue) const;
    bool WriteProfileInt(const QString &section, const QString &entry, int value) const;
    bool WriteProfileString(const QString &section, const QString &entry, const QString &value) const;

    QString m_pszAppName;      // the executable's file name
    QString m_pszHelpFilePath; // the executable's full path with ".hlp" in place of its name's end
    QString m_strCompany = QStringLiteral("ZORBANE");
    QImage m_bmpFacePushed;
    QImage m_bmpFaceNormal;

private:
    Profile profile() const { return Profile(m_strCompany, m_pszAppName); }
    std::unique_ptr<QApplication> m_qtApp;
};

extern CCaptureApp theApp;
inline CCaptureApp *AfxGetApp()
{
    return &theApp;
}
