// The About box: the program's icon, name, version, maker and the credits
// of the media libraries it stands on; its OK button is a skin button.
#pragma once

#include "platform/Dialog.h"

class CSkinButton;
class QLabel;

class CAboutDlg : public CDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget *parent = nullptr);

    BOOL OnInitDialog() override;

    CSkinButton *m_btnOK = nullptr;
    QLabel *m_stcIcon = nullptr;

protected:
    QWidget *CreateControl(const ControlTemplate &c, QWidget *parent) override;
};
