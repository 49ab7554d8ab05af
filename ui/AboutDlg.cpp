#include "ui/AboutDlg.h"

#include "controls/SkinButton.h"
#include "res/Resource.h"
#include "ui/CaptureDlg.h"

#include <QLabel>
#include <QPixmap>

CAboutDlg::CAboutDlg(QWidget *parent) : CDialog(AboutDialogTemplate(), parent) {}

QWidget *CAboutDlg::CreateControl(const ControlTemplate &c, QWidget *parent)
{
    if (c.id == IDOK_CONTROL) {
        m_btnOK = new CSkinButton(QString::fromUtf8(c.text), c.kind, parent);
        return m_btnOK;
    }
    if (c.kind == ControlKind::Icon) {
        m_stcIcon = new QLabel(parent);
        m_stcIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return m_stcIcon;
    }
    return nullptr;
}

BOOL CAboutDlg::OnInitDialog()
{
    // An icon control takes the size of its icon, whatever its template says.
    const QPixmap icon(QString::fromLatin1(kAppIconResource));
    m_stcIcon->setPixmap(icon);
    m_stcIcon->resize(icon.size());
    setWindowIcon(icon);
    return TRUE;
}

void CCaptureDlg::OnAbout()
{
    CAboutDlg about(this);
    about.DoModal();
}
