// Saving a chart window writes its log file again from the channels: the kept
// head with the new zero-point offset, then every listed signal re-encoded.
#include "app/ChildWin.h"
#include "app/LogFileWriter.h"

#include <QFile>

#include <algorithm>

void TMDIChild::SalvarArquivo()
{
    log_file::LogHead head;
    std::copy(FileBlocks.bytes.begin(), FileBlocks.bytes.end(), head.bytes.begin());

    // While the time axis has not moved the stored offset stays as it is:
    // written again from the first time it could come back changed (a stored
    // value beyond what a magnitude holds, or a negative one).
    const int channels = SLScope1->Channels.Count();
    std::vector<double> x;
    if (channels > 0)
        SLScope1->Channels.GetItem(0).Data.GetXData(x);
    if (!x.empty() && x.front() != StartTime)
        head.SetZeroOffsetMs(log_file::ZeroOffsetFor(x.front()));

    const std::span<const std::uint8_t> ids = head.SignalIds();
    std::vector<std::vector<double>> values(ids.size());
    std::vector<log_file::SavedSignal> saved(ids.size());
    for (std::size_t p = 0; p < ids.size(); ++p) {
        const int channel = SignalChannel[p];
        if (log_file::KindOf(ids[p]) == log_file::ColumnKind::Unknown || channel >= channels)
            continue;
        SLScope1->Channels.GetItem(channel).Data.GetYData(values[p]);
        saved[p] = {std::span<const double>(values[p]), ChannelWideBand[static_cast<std::size_t>(channel)]};
    }

    const std::vector<std::vector<std::uint8_t>> columns = log_file::EncodeColumns(head, saved, RawColumns);
    const std::vector<std::span<const std::uint8_t>> spans(columns.begin(), columns.end());
    const QString path = FolderName + QLatin1Char('/') + FileName;
    log_file::WriteLogFile(QFile::encodeName(path).toStdString(), head, spans, true);

    std::copy(head.bytes.begin(), head.bytes.end(), FileBlocks.bytes.begin());
    if (!x.empty())
        StartTime = x.front();
    Modified = false;
}
