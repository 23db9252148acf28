// Tells the user that the remembered user folder is gone: set a new one, or end.
#pragma once

#include "AgentDialog.h"

namespace veyra::agent {

class CUserFolderMissingDlg : public AgentDialog {
    Q_OBJECT

public:
    explicit CUserFolderMissingDlg(const QString &path, QWidget *parent = nullptr);
};

} // namespace veyra::agent
