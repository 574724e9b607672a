// The About box of the frame's system menu: the program's product and version text, its legal
// notice and the publisher's contact lines.
#pragma once

#include "ui/framework/Dialog.h"

namespace sv::ui {

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

protected:
    bool OnInitDialog() override;
};

}  // namespace sv::ui
