// The end of a download: the log goes to a new file in the logger's folder,
// which then opens in a chart window.
#include "app/MainForm.h"
#include "platform/Messages.h"

#include <algorithm>

void TMainForm::DownloadFinished()
{
    const QString fileName = GeraNovoArquivo();
    if (fileName.isEmpty())
        return;
    const TDownloadState& d = DownloadState;
    AbreArquivo(logFolder(d.Name), fileName);
    // What arrived is kept, but not as if it were the whole log.
    const int received = std::min(d.Row, d.Rows);
    if (received < d.Rows || d.ReportsLost)
        platform::showMessage(services().dialogs, platform::Message::LogIncomplete,
                              {QString::number(received), QString::number(d.Rows)});
}
