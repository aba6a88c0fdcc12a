// Log folder tree of the main window until it is in: page 2 stays empty and its
// buttons do nothing.
#include "app/MainForm.h"

void TMainForm::setupFilesPart() {}

void TMainForm::RefreshFiles() {}
void TMainForm::TreeView1DblClick() {}
void TMainForm::NovaPasta1Click() {}
void TMainForm::Excluir1Click() {}
