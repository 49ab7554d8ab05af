#include "ui/InputHintDlg.h"

#include "app/CaptureApp.h"
#include "app/Settings.h"
#include "res/Resource.h"

#include <QCheckBox>

CInputHintDlg::CInputHintDlg(QWidget *parent) : CDialog(InputHintTemplate(), parent) {}

void CInputHintDlg::DoDataExchange(BOOL saveAndValidate)
{
    auto *box = Item<QCheckBox>(IDC_ONLY_ONCE);
    if (!box)
        return;
    if (saveAndValidate)
        m_bOnlyOnce = box->isChecked() ? 1 : 0;
    else
        box->setChecked(m_bOnlyOnce != 0);
}

BOOL CInputHintDlg::OnInitDialog()
{
    DoDataExchange(FALSE);
    m_bOnlyOnce = AfxGetApp()->GetProfileInt(kSectionOption, kEntryOnlyOnce, 1);
    DoDataExchange(FALSE);
    return TRUE;
}

void CInputHintDlg::OnOK()
{
    DoDataExchange(TRUE);
    AfxGetApp()->WriteProfileInt(kSectionOption, kEntryOnlyOnce, m_bOnlyOnce);
    CDialog::OnOK();
}
