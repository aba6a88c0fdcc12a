// Device side of the main window until the logger protocol is in: the device
// buttons and timers are wired but do nothing, and no logger is ever held.
#include "app/MainForm.h"

void TMainForm::setupDevicePart() {}
void TMainForm::releaseLogger() {}

void TMainForm::ToolButton9Click() {}
void TMainForm::ToolButton19Click() {}
void TMainForm::ToolButton20Click() {}
void TMainForm::ToolButton21Click() {}
void TMainForm::ToolButton32Click() {}
void TMainForm::ToolButton34Click() {}
void TMainForm::Timer1Timer() {}
void TMainForm::DownTimerTimer() {}
