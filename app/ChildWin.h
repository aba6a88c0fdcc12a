#pragma once

#include "app/ChartWindow.h"
#include "app/LogFileFormat.h"
#include "chart/SLScope.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

class QCheckBox;
class QFrame;
class QLabel;
class QScrollArea;
class TMainForm;

namespace platform {
class Dialogs;
}
namespace signal_decoding {
struct DecodedSignal;
}

// The blocks at the head of a log file that a chart window keeps to write the
// file again: magic, header, extra bytes, device name, date, column ids and
// signal list, in file order.
struct LogFileHead {
    static constexpr std::size_t size = 159;
    static constexpr std::size_t headerOffset = 32;
    static constexpr std::size_t rowsOffset = headerOffset + 4; // three bytes, big-endian
    std::array<std::uint8_t, size> bytes{};

    void SetRows(std::uint32_t rows);
    std::uint32_t Rows() const;
};

// A chart window: one log file as channels over a common time axis, with the
// side list of channel values, highlighting, a movable zero point and a cut.
class TMDIChild : public QWidget, public ChartWindow {
    Q_OBJECT

public:
    static constexpr int PanelCount = 16;
    static constexpr int TableSize = 256;
    static inline const QColor Cream{255, 251, 240};
    static inline const QColor Hover{191, 191, 191};

    explicit TMDIChild(platform::Dialogs& dialogs, QWidget* parent = nullptr);
    ~TMDIChild() override;

    // A new chart window as an MDI child of the main window, shown.
    static TMDIChild* Create(TMainForm& mainForm, const QString& caption);

    // --- components -------------------------------------------------------
    zq::chart::TSLScope* SLScope1 = nullptr;
    QFrame* Panel2 = nullptr;
    QFrame* Panel5 = nullptr;
    QLabel* Posicao = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Panel4 = nullptr;

    // --- window state ------------------------------------------------------
    LogFileHead FileBlocks;
    std::int32_t RowCount = 0;
    double StartTime = 0;
    double TimeStep = 0;
    std::uint8_t ColumnCount = 0;
    std::uint8_t SignalCount = 0;
    QString FolderName;
    QString FileName;
    std::array<std::uint8_t, 32> SignalChannel{};
    int WideBandChannel = -1;
    int MarkedChannel = -1;
    int HoveredChannel = -1;
    bool Modified = false;
    std::array<QString, TableSize> ChannelFormat;
    std::array<QString, TableSize> ChannelUnit;
    std::array<QString, TableSize> ChannelShortName;
    // Per channel index: a wide-band lambda (a file may hold more than one).
    std::array<bool, TableSize> ChannelWideBand{};
    // The file's columns no channel shows, kept to be written back as read.
    std::vector<log_file::RawColumn> RawColumns;
    bool ZeroPickArmed = false;
    double PickedX = 0;
    bool PickedValid = false;

    // --- operations -----------------------------------------------------------
    int AdicionaCanal(const QString& shortName, const QString& longName, double axisMin, double axisMax,
                      const QString& format, const QString& unit, double dataMin, double dataMax, QColor colour);
    void ClearGrafico();
    // One decoded signal as a new channel with its samples at the shared
    // times x; a wide-band lambda becomes the window's wide-band channel.
    int AddDecodedSignal(const signal_decoding::DecodedSignal& signal, const std::vector<double>& x);
    // After the last channel of a file: pan on the time axis, full range.
    void FinishOpening();

    void FormShow();
    CloseResult askToClose() override;
    bool isModified() const override { return Modified; }

    // Re-writes the window's log file from its channels.
    virtual void SalvarArquivo();

    // --- handlers -------------------------------------------------------------
    void SLScope1MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void SLScope1OverChannel(int index);
    void SLScope1LeaveChannel();
    void SLScope1CustomMouseHitLabel(QString& text);
    void SLScope1XAxisCustomLabel(double value, QString& text);
    void SLScope1ZoomChanged();
    void SLScope1Click();
    void Grafico_Split();
    void Grafico_Cut();
    void CanalVisivelClick(int index);
    void CanalClick(int index);
    void MarcaCanal(int index);
    void Panel4Click();
    void ListaCanaisClickCheck() {}

    // Side panel parts of channel index, found by name; null past the last.
    QFrame* ChannelPanel(int index) const;
    QLabel* ChannelValue(int index) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildScope();
    void buildSideList();
    void buildRightPanel();
    void setPanPosition();
    // Widens the side list so the position readout shows every time of the data.
    void fitSideList();
    void setPanelColour(int index, QColor colour);
    int channelCount() const;

    platform::Dialogs& dialogs_;
    bool shown_ = false;
    bool closed_ = false;
};
