// The chart buttons of the main tool bar, acting on the active chart window.
#include "app/ChildWin.h"
#include "app/MainForm.h"
#include "app/ReportPlatformErrors.h"

using namespace zq::chart;

namespace {

TMDIChild* activeChildWindow(const TMainForm& form)
{
    return dynamic_cast<TMDIChild*>(form.activeChart());
}

void setNavigation(const TMainForm& form, TSLNavigateMode mode, int cursor, TSLZoomMode zoom)
{
    if (TMDIChild* child = activeChildWindow(form)) {
        child->SLScope1->SetNavigateMode(mode);
        child->SLScope1->SetCursor(cursor);
        child->SLScope1->Zooming.SetMode(zoom);
    }
}

} // namespace

void TMainForm::ToolButton8Click()
{
    setNavigation(*this, nmZoom, crSizeNWSE, zmBoth);
}

void TMainForm::ToolButton10Click()
{
    setNavigation(*this, nmZoom, crSizeWE, zmXAxis);
}

void TMainForm::ToolButton11Click()
{
    setNavigation(*this, nmZoom, crSizeNS, zmYAxis);
}

void TMainForm::ToolButton17Click()
{
    setNavigation(*this, nmPan, crCross, zmXAxis);
    if (TMDIChild* child = activeChildWindow(*this))
        child->SLScope1->ZoomOff();
}

void TMainForm::ToolButton40Click()
{
    if (TMDIChild* child = activeChildWindow(*this))
        child->Grafico_Split();
}

void TMainForm::ToolButton41Click()
{
    if (TMDIChild* child = activeChildWindow(*this))
        child->Grafico_Cut();
}

void TMainForm::ToolButton13Click()
{
    if (TMDIChild* child = activeChildWindow(*this))
        reportPlatformErrors(services().dialogs, [child] { child->SalvarArquivo(); });
}
