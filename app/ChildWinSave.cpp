// Writing a chart window's log file back belongs with the log file reader and
// writer; until that module provides it, saving writes nothing and the window
// keeps its unsaved state.
#include "app/ChildWin.h"

void TMDIChild::SalvarArquivo() {}
