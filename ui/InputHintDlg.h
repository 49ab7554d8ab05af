// Tells the user which input line to choose for which kind of source; its
// check box keeps it from coming back.
#pragma once

#include "platform/Dialog.h"

class CInputHintDlg : public CDialog {
    Q_OBJECT
public:
    explicit CInputHintDlg(QWidget *parent = nullptr);

    BOOL OnInitDialog() override;

    int m_bOnlyOnce = 1;

protected:
    void OnOK() override;

private:
    void DoDataExchange(BOOL saveAndValidate);
};
