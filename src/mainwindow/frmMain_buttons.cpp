// The handlers that create, list, preview and delete buttons.
#include "mainwindow/frmMain.h"

namespace barsmith {

void frmMain::LoadMyButtons() {}

void frmMain::List1_Click() {}

void frmMain::Command2_Click() {}

void frmMain::Command5_Click() {}

}  // namespace barsmith
