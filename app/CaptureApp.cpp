#include "app/CaptureApp.h"

#include "platform/media/Interfaces.h"
#include "res/Resource.h"
#include "ui/CaptureDlg.h"

#include <QApplication>
#include <QFileInfo>

#include <gst/gst.h>

CCaptureApp theApp;

const QImage *g_pSkinFacePushed = nullptr;
const QImage *g_pSkinFaceNormal = nullptr;
COLORREF g_crSkinLight = 0;
COLORREF g_crSkinDark = 0;
COLORREF g_crSkinTextDisabled = 0;
COLORREF g_crSkinText = 0;

CCaptureApp::CCaptureApp() = default;
CCaptureApp::~CCaptureApp() = default;

int CCaptureApp::WinMain(int argc, char **argv)
{
    if (!QApplication::instance())
        m_qtApp = std::make_unique<QApplication>(argc, argv);
    gst_init(nullptr, nullptr);
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    m_pszAppName = exe.fileName();
    m_pszHelpFilePath = exe.absoluteFilePath() + QStringLiteral(".hlp");
    QCoreApplication::setApplicationName(m_pszAppName);
    RegisterMediaClasses();
    InitInstance();
    return 0;
}

BOOL CCaptureApp::InitInstance()
{
    SetRegistryKey(QStringLiteral("ZORBANE"));
    InitSkin();
    CCaptureDlg dlg;
    dlg.DoModal();
    return FALSE;
}

BOOL CCaptureApp::InitSkin()
{
    m_bmpFacePushed = QImage(QString::fromLatin1(kButtonFaceResource));
    m_bmpFaceNormal = QImage(QString::fromLatin1(kButtonFaceResource));
    g_pSkinFacePushed = &m_bmpFacePushed;
    g_pSkinFaceNormal = &m_bmpFaceNormal;
    g_crSkinLight = 0xFFFFFF;
    g_crSkinDark = 0x606060;
    g_crSkinTextDisabled = 0x808080;
    g_crSkinText = 0;
    return TRUE;
}

void CCaptureApp::SetRegistryKey(const QString &company)
{
    m_strCompany = company;
}

int CCaptureApp::GetProfileInt(const QString &section, const QString &entry, int defaultValue) const
{
    return profile().GetProfileInt(section, entry, defaultValue);
}

QString CCaptureApp::GetProfileString(const QString &section, const QString &entry, const QString &defaultValue) const
{
    return profile().GetProfileString(section, entry, defaultValue);
}

bool CCaptureApp::WriteProfileInt(const QString &section, const QString &entry, int value) const
{
    return profile().WriteProfileInt(section, entry, value);
}

bool CCaptureApp::WriteProfileString(const QString &section, const QString &entry, const QString &value) const
{
    return profile().WriteProfileString(section, entry, value);
}
