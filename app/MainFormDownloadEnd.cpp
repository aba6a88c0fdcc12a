// Where a finished download goes. Until it is written to a log file it is
// kept in memory (LastDownload).
#include "app/MainForm.h"

#include <utility>

void TMainForm::DownloadFinished()
{
    LastDownload = KeptDownload{DownloadState, std::move(Dados)};
    Dados = ByteGrid();
}
