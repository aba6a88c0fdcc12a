// Where a finished download goes. Until log files are written it is kept in
// memory (LastDownload), and there is no file to open.
#include "app/MainForm.h"

#include <utility>

void TMainForm::DownloadFinished()
{
    LastDownload = KeptDownload{DownloadState, std::move(Dados)};
    Dados = ByteGrid();
}

void TMainForm::AbreArquivo(const QString&, const QString&) {}
