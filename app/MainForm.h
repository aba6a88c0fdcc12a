#pragma once

#include "app/AppServices.h"
#include "app/ByteGrid.h"
#include "app/DownloadState.h"
#include "app/ImageList48.h"
#include "device/logger/LoggerProtocol.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class ChartWindow;
class QGroupBox;
class SeparatorWrapLabel;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TForm030;
class TJvHidDevice;
class TJvHidDeviceController;
class OwnedHidController;
// Defined with the device part, so that the main window's other files need
// not know the controller's owner.
struct OwnedHidControllerDeleter {
    void operator()(OwnedHidController* owner) const;
};

// The main window: an MDI frame with the page control on the left (device logs,
// configuration, log files), the chart tool bar on top and the status bar.
//
// The implementation is split by subject so that each can grow on its own:
//   MainForm.cpp        construction, layout, show/close, panel and arrange buttons
//   MainFormDevice*.cpp logger detection, commands, replies (device buttons, timers)
//   MainFormFiles*.cpp  the log folder tree (RefreshFiles and the page 2 buttons)
//   MainFormChart*.cpp  the chart buttons acting on the active chart window
// Every button is wired to its handler here; handlers whose work is not there yet
// are empty.
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int PanelCount = 5;
    static constexpr std::array<int, PanelCount> PanelWidths{250, 100, 160, 50, 50};

    explicit TMainForm(AppServices& services, QWidget* parent = nullptr);
    ~TMainForm() override;

    // --- components -------------------------------------------------------
    QMenu* MainMenu1 = nullptr; // "Lista de Graficos Abertos"
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;

    // page 0: logs stored in the device
    QListWidget* DIR = nullptr;
    QToolBar* ToolBar3 = nullptr;
    QToolButton* ToolButton9 = nullptr;
    QToolButton* ToolButton19 = nullptr;
    QToolButton* ToolButton20 = nullptr;
    QToolButton* ToolButton21 = nullptr;

    // page 1: device configuration
    QListWidget* ListaCanais = nullptr; // checkable items, index = channel item
    QGroupBox* Identificador = nullptr;
    QLineEdit* NomeEquipamento = nullptr;
    SeparatorWrapLabel* Panel3 = nullptr; // breaks only at its ":::" separators
    QToolBar* ToolBar5 = nullptr;
    QToolButton* ToolButton32 = nullptr;
    QToolButton* ToolButton34 = nullptr;
    QToolButton* ToolButton36 = nullptr;

    // page 2: log files
    QTreeWidget* TreeView1 = nullptr;
    QToolBar* ToolBar4 = nullptr;
    QToolButton* ToolButton6 = nullptr;
    QToolButton* ToolButton26 = nullptr;
    QToolButton* ToolButton28 = nullptr;
    QToolButton* ToolButton30 = nullptr;

    // top tool bar
    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton14 = nullptr;
    QToolButton* ToolButton16 = nullptr;
    QToolButton* ToolButton13 = nullptr;
    QToolButton* ToolButton37 = nullptr;
    QToolButton* ToolButton8 = nullptr;
    QToolButton* ToolButton10 = nullptr;
    QToolButton* ToolButton11 = nullptr;
    QToolButton* ToolButton17 = nullptr;
    QToolButton* ToolButton40 = nullptr;
    QToolButton* ToolButton41 = nullptr;
    QToolButton* BotaoAutoEscala = nullptr;

    QMdiArea* MdiArea = nullptr;
    std::array<QLabel*, PanelCount> StatusPanels{};

    QTimer* Timer1 = nullptr;     // connection steps
    QTimer* DownTimer = nullptr;  // download watchdog
    QTimer* StartTimer = nullptr; // maximises the window after the first show

    ByteGrid Dados; // buffers a download; never shown
    TJvHidDeviceController* HidCtl = nullptr;

    // --- program-wide state ---------------------------------------------
    TJvHidDevice* LoggerDevice = nullptr;
    std::uint8_t ConnectionStep = 0;
    bool Downloading = false;
    bool DeviceBusy = false;
    QString LogDir;
    QString AutoEscala;
    QString LogExtension;
    int ArrangeStep = 1;
    TDownloadState DownloadState;

    // --- handlers (MainForm.cpp) -----------------------------------------
    void FormCreate();
    void FormShow();
    // The close sequence; false when a chart window cancelled it.
    bool FormClose();
    void StartTimerTimer();
    void PageControl1Change(int index);
    void ToolButton14Click();
    void ToolButton16Click();
    void BotaoAutoEscalaClick();
    void ToolButton36Click();
    void HelpAbout1Execute();
    void ToolButton42Click() {}

    // --- chart buttons (MainFormChart*.cpp) -------------------------------
    void ToolButton8Click();
    void ToolButton10Click();
    void ToolButton11Click();
    void ToolButton17Click();
    void ToolButton40Click();
    void ToolButton41Click();
    void ToolButton13Click();

    // --- device (MainFormDevice*.cpp) --------------------------------------
    void ToolButton9Click();
    void ToolButton19Click();
    void ToolButton20Click();
    void ToolButton21Click();
    void ToolButton32Click();
    void ToolButton34Click();
    void Timer1Timer();
    void DownTimerTimer();
    void HidCtlDeviceChange(QObject* Sender);
    void RemoverUSB(TJvHidDevice* HidDev);
    void GetStatus();
    bool DeviceOcupado();
    void LoggerDIR();
    void LoggerVerConfig();
    void LoggerFormat();
    void LoggerDelete();
    void LoggerLOAD();
    // False drops the typed character.
    bool NomeEquipamentoKeyPress(QChar key) const;
    void NomeEquipamentoExit();
    static QString FormataNomeEquipamento(const QString& text);

    // --- replies and download (MainFormReplies.cpp) ----------------------
    void ShowRead(TJvHidDevice* HidDev, std::uint8_t ReportID, const std::uint8_t* Data, std::uint16_t Size);

    // --- end of a download (MainFormDownloadEnd.cpp) -----------------------
    // Hands the finished download (DownloadState and Dados) on: writes the log
    // file and opens it.
    void DownloadFinished();

    // --- log files (MainFormFiles*.cpp) ------------------------------------
    void RefreshFiles();
    void AddFiles(QTreeWidgetItem* node);
    // Path of a node: the base folder and the node texts below it joined by
    // "/"; without the own name it ends with "/".
    QString CompleteRecursive(const QTreeWidgetItem* node, bool withOwnName) const;
    // A plain folder / regular file the user may write, not hidden.
    static bool isDirectory(const QString& path);
    static bool isFile(const QString& path);
    // Names matching a mask ("folder/*.ZQL") whose attributes equal the value.
    static QStringList FindAll(const QString& mask, int attribute);
    void TreeView1DblClick();
    // End of a node text edit: renames; newText goes back to the old text
    // when the rename is refused or fails.
    void TreeView1Edited(QTreeWidgetItem* node, QString& newText);
    // Drop of the selected node at a point of the tree's viewport.
    void TreeView1DragDrop(int x, int y);
    void NovaPasta1Click();
    void Excluir1Click();
    void Expandir1Click() {}
    void ExpandirTudo1Click() {}
    // Writes the finished download to a new log file and adds its tree node;
    // returns the file name, or empty when no complete row was received.
    // File errors raise platform::PlatformError.
    QString GeraNovoArquivo();
    // Opens folder + "/" + fileName in a new chart window (or brings the one
    // showing it to the front). A file that cannot be read is reported in a
    // message box naming it, and no window opens.
    void AbreArquivo(const QString& folder, const QString& fileName);
    // The path of a log file node, with the extension the file really has.
    QString logFilePath(const QTreeWidgetItem* node) const;
    // Where a download of log `number` from the logger named `name` is
    // stored: the folder (the base folder itself for a logger without a name)
    // and the file name before any copy number and extension. The check for
    // an earlier download and the writer both take it from here.
    QString logFolder(const QString& name) const;
    static QString logStem(const QString& name, unsigned number);

    // --- helpers ---------------------------------------------------------
    QString statusText(int panel) const;
    void setStatusText(int panel, const QString& text);
    // Image index of a tool bar button in ImageList48 (-1 for none).
    static int imageIndex(const QToolButton* button);
    const ImageList48& imageList48() const { return images_; }

    // Chart windows in the order the close sequence visits them (topmost first).
    std::vector<QMdiSubWindow*> chartSubWindows() const;
    // The chart window the tool bar acts on: the current MDI child when it is a
    // chart window, else none.
    ChartWindow* activeChart() const;

    AppServices& services() const { return services_; }

    // No menu of tool bars to hide: a tool bar hidden by accident would have
    // no way back.
    QMenu* createPopupMenu() override { return nullptr; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    void buildStatusBar();
    void buildTopToolBar();
    void buildPages();
    void buildTimers();
    void connectHandlers();
    QToolButton* addButton(QToolBar* bar, const char* name, const char* hint);
    void setImage(QToolButton* button, int index);

    // Set-up and tear-down of the parts that live in their own files.
    void setupDevicePart();
    void releaseLogger();
    bool sendCommand(std::uint8_t code, unsigned logNumber = 0);
    // The selected entry of DIR and the log number in its text; none when no
    // entry is selected or its number cannot be read (which is reported).
    struct SelectedLog {
        QListWidgetItem* item;
        unsigned number;
    };
    std::optional<SelectedLog> selectedLog();
    void showTransportError(const char* format);
    void listReply(const logger_protocol::Report& report);
    void configurationReply(logger_protocol::Report& report);
    void headerReply(const logger_protocol::Report& report);
    void dataReply(const logger_protocol::Report& report);
    void endReply();
    void showProgress();
    void setupFilesPart();

    AppServices& services_;
    ImageList48 images_;
    std::unique_ptr<TForm030> folderDialog_;
    bool shown_ = false;
    // Hundredths of a per cent last shown in status panel 3 (-1: none, NaN:
    // must be formatted again), so a block that moves nothing formats nothing.
    double progressShown_ = -1;
    // Last member: it goes first, before anything its devices' handlers use.
    std::unique_ptr<OwnedHidController, OwnedHidControllerDeleter> hidController_;
};
