// Chart buttons of the main tool bar until chart windows exist: nothing to act on.
#include "app/MainForm.h"

void TMainForm::ToolButton8Click() {}
void TMainForm::ToolButton10Click() {}
void TMainForm::ToolButton11Click() {}
void TMainForm::ToolButton17Click() {}
void TMainForm::ToolButton40Click() {}
void TMainForm::ToolButton41Click() {}
void TMainForm::ToolButton13Click() {}
