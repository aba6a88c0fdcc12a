// The end of a download: the log goes to a new file in the logger's folder,
// which then opens in a chart window.
#include "app/MainForm.h"

void TMainForm::DownloadFinished()
{
    const QString fileName = GeraNovoArquivo();
    if (fileName.isEmpty())
        return;
    const QString& name = DownloadState.Name;
    AbreArquivo(name.isEmpty() ? LogDir : LogDir + QLatin1Char('/') + name, fileName);
}
