#include "app/MainForm.h"

#include "app/ChartWindow.h"
#include "app/ElidingLabel.h"
#include "app/Form030.h"
#include "app/Form040.h"
#include "app/MdiArrange.h"
#include "app/ProgramIcon.h"
#include "app/SeparatorWrapLabel.h"
#include "app/ReportPlatformErrors.h"
#include "app/ZorvanSettings.h"
#include "platform/Messages.h"
#include "platform/PlatformError.h"
#include "platform/SettingsStore.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr char ImageIndexProperty[] = "imageIndex";

constexpr const char* ChannelItems[] = {
    "Sonda Lambda",
    "Rotação",
    "MAP",
    "TPS",
    "Temperatura Motor",
    "Temperatura Ar",
    "Ponto de Ignição",
    "Botão do Corte",
    "Booster",
    "DWELL (Carga Bobina)",
    "Tempo de Injeção (A)",
    "% Abertura Bico (A)",
    "Tempo de Injeção (B)",
    "% Abertura Bico (B)",
    "Tensão da Bateria",
};

constexpr char HidePanelHint[] = "Esconder Painel|Esconde Painel liberando area de trabalho";
constexpr char ShowPanelHint[] = "Mostrar Painel|Apresenta Painel de Trabalho";

// A hint is "short|long": the short part is the tool tip, the long part goes
// to status panel 0 while the mouse is over the control.
QString longHint(const QString& hint)
{
    const auto bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

void setHint(QWidget* widget, const QString& hint)
{
    const auto bar = hint.indexOf(QLatin1Char('|'));
    widget->setToolTip(bar < 0 ? hint : hint.left(bar));
    widget->setStatusTip(longHint(hint));
}

QWidget* pageWithToolBar(QToolBar* bar)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(bar);
    return page;
}

} // namespace

TMainForm::TMainForm(AppServices& services, QWidget* parent)
    : QMainWindow(parent), services_(services)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("ZORVAN Quillstone"));
    // Chart windows and boxes take it from here.
    setWindowIcon(programIcon());
    resize(800, 590);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    buildMenu();
    buildTopToolBar();
    buildPages();
    buildStatusBar();
    buildTimers();
    connectHandlers();
    setupDevicePart();
    setupFilesPart();
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::buildMenu()
{
    MainMenu1 = menuBar()->addMenu(QStringLiteral("Lista de Graficos Abertos"));
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    MainMenu1->addAction(QStringLiteral("1"));
}

QToolButton* TMainForm::addButton(QToolBar* bar, const char* name, const char* hint)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    if (hint != nullptr)
        setHint(button, QString::fromUtf8(hint));
    bar->addWidget(button);
    return button;
}

void TMainForm::setImage(QToolButton* button, int index)
{
    button->setIcon(images_.icon(index));
    button->setProperty(ImageIndexProperty, index);
}

int TMainForm::imageIndex(const QToolButton* button)
{
    const QVariant index = button->property(ImageIndexProperty);
    return index.isValid() ? index.toInt() : -1;
}

void TMainForm::buildTopToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(ImageList48::Size, ImageList48::Size));
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    struct ButtonSpec {
        QToolButton* TMainForm::*member;
        const char* name;
        const char* hint;
        int image;
    };
    const ButtonSpec buttons[] = {
        {&TMainForm::ToolButton14, "ToolButton14", HidePanelHint, ImageList48::HidePanel},
        {&TMainForm::ToolButton16, "ToolButton16", "Reorganiza Graficos|Reorganiza as Janelas no Desktop",
         ImageList48::Arrange},
        {&TMainForm::ToolButton13, "ToolButton13", "Salvar Grafico|Salva Alterações feitas no grafico",
         ImageList48::Save},
        {&TMainForm::ToolButton37, "ToolButton37", "Salvar uma copia|Salvar Grafico em novo arquivo",
         ImageList48::SaveCopy},
        {&TMainForm::ToolButton8, "ToolButton8", nullptr, ImageList48::ZoomBoth},
        {&TMainForm::ToolButton10, "ToolButton10", nullptr, ImageList48::ZoomTime},
        {&TMainForm::ToolButton11, "ToolButton11", nullptr, ImageList48::ZoomValue},
        {&TMainForm::ToolButton17, "ToolButton17", nullptr, ImageList48::Pan},
        {&TMainForm::ToolButton40, "ToolButton40", "Alterar Ponto Zero|Remarca no Grafico o Ponto Zero",
         ImageList48::ZeroPoint},
        {&TMainForm::ToolButton41, "ToolButton41", "Recortar Grafico|Recorta dados antes de zero segundos",
         ImageList48::Cut},
        {&TMainForm::BotaoAutoEscala, "BotaoAutoEscala", "Auto-Escala|Utiliza Auto-Escala ao abrir Grafico",
         ImageList48::AutoScale},
    };
    for (const ButtonSpec& spec : buttons) {
        QToolButton* button = addButton(ToolBar1, spec.name, spec.hint);
        setImage(button, spec.image);
        this->*spec.member = button;
    }
    BotaoAutoEscala->setCheckable(true);
}

void TMainForm::buildPages()
{
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setTabPosition(QTabWidget::East);
    PageControl1->setFixedWidth(289);

    const auto pageBar = [](const char* name) {
        auto* bar = new QToolBar;
        bar->setObjectName(QString::fromLatin1(name));
        bar->setIconSize(QSize(24, 24));
        return bar;
    };
    QStyle* style = this->style();
    const auto withIcon = [style](QToolButton* button, QStyle::StandardPixmap glyph) {
        button->setIcon(style->standardIcon(glyph));
        return button;
    };

    // Page 0: logs stored in the device.
    ToolBar3 = pageBar("ToolBar3");
    ToolButton9 = withIcon(addButton(ToolBar3, "ToolButton9", "Atualiza Listagem|Atualiza Listagem de Logs"),
                           QStyle::SP_BrowserReload);
    ToolButton19 = withIcon(addButton(ToolBar3, "ToolButton19", "Carregar LOG|Carregar LOG gravado no Datalogger"),
                            QStyle::SP_ArrowDown);
    ToolButton20 = withIcon(addButton(ToolBar3, "ToolButton20", "Apagar LOG|Apagar um LOG armazenado no Datalogger"),
                            QStyle::SP_TrashIcon);
    ToolButton21 = withIcon(
        addButton(ToolBar3, "ToolButton21", "Limpar Memória|Apaga todos LOGs armazenados no Datalogger"),
        QStyle::SP_DialogResetButton);
    TabSheet1 = pageWithToolBar(ToolBar3);
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    DIR = new QListWidget(TabSheet1);
    DIR->setObjectName(QStringLiteral("DIR"));
    DIR->setSortingEnabled(true);
    QFont dirFont = DIR->font();
    dirFont.setPixelSize(16);
    DIR->setFont(dirFont);
    DIR->setStyleSheet(QStringLiteral("QListWidget::item { height: 20px; }"));
    TabSheet1->layout()->addWidget(DIR);
    PageControl1->addTab(TabSheet1, QStringLiteral("Quillstone"));

    // Page 1: device configuration.
    ToolBar5 = pageBar("ToolBar5");
    ToolButton32 = withIcon(addButton(ToolBar5, "ToolButton32", "Ler Configuração|Ler Configuração Atual do Datalogger"),
                            QStyle::SP_DialogOpenButton);
    ToolButton34 = withIcon(
        addButton(ToolBar5, "ToolButton34", "Enviar Configuração|Enviar Nova Configuração para Datalogger"),
        QStyle::SP_DialogApplyButton);
    ToolButton36 = withIcon(
        addButton(ToolBar5, "ToolButton36", "Trocar Pasta Arquivos|Mudar a Pasta de destino dos arquivos LOGs"),
        QStyle::SP_DirIcon);
    TabSheet2 = pageWithToolBar(ToolBar5);
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    ListaCanais = new QListWidget(TabSheet2);
    ListaCanais->setObjectName(QStringLiteral("ListaCanais"));
    for (const char* text : ChannelItems) {
        auto* item = new QListWidgetItem(QString::fromUtf8(text), ListaCanais);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    Identificador = new QGroupBox(QStringLiteral("Identificação do Quillstone"), TabSheet2);
    Identificador->setObjectName(QStringLiteral("Identificador"));
    NomeEquipamento = new QLineEdit(Identificador);
    NomeEquipamento->setObjectName(QStringLiteral("NomeEquipamento"));
    NomeEquipamento->setMaxLength(16);
    auto* idLayout = new QVBoxLayout(Identificador);
    idLayout->addWidget(NomeEquipamento);
    Panel3 = new SeparatorWrapLabel(QStringLiteral(":::"),
                                    QStringLiteral("::: Memoria Livre: 0 Bytes ::: # Ultimo Log: 0 :::"), TabSheet2);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel3->setAlignment(Qt::AlignCenter);
    // The page keeps its width; a long memory line takes a second row.
    TabSheet2->layout()->addWidget(ListaCanais);
    TabSheet2->layout()->addWidget(Identificador);
    TabSheet2->layout()->addWidget(Panel3);
    PageControl1->addTab(TabSheet2, QStringLiteral("Configurar"));

    // Page 2: log files.
    ToolBar4 = pageBar("ToolBar4");
    ToolButton6 = withIcon(
        addButton(ToolBar4, "ToolButton6", "Recarrega Arquivos|Recarrega a lista de Arquivos disponiveis"),
        QStyle::SP_BrowserReload);
    ToolButton26 = withIcon(addButton(ToolBar4, "ToolButton26", "Abrir Arquivo|Abrir Arquivo LOG e mostrar Grafico"),
                            QStyle::SP_DialogOpenButton);
    ToolButton28 = withIcon(
        addButton(ToolBar4, "ToolButton28", "Criar Nova Pasta|Cria Nova Pasta dentro da Pasta Escolhida"),
        QStyle::SP_FileDialogNewFolder);
    ToolButton30 = withIcon(addButton(ToolBar4, "ToolButton30", "Excluir|Excluir Arquivo ou Pasta"),
                            QStyle::SP_TrashIcon);
    TabSheet3 = pageWithToolBar(ToolBar4);
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    TreeView1 = new QTreeWidget(TabSheet3);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    // Long names are not cut: the column is as wide as the longest and the
    // tree scrolls sideways.
    TreeView1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    TreeView1->header()->setStretchLastSection(false);
    TreeView1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    TabSheet3->layout()->addWidget(TreeView1);
    PageControl1->addTab(TabSheet3, QStringLiteral("Arquivos"));

    MdiArea = new QMdiArea(central);
    MdiArea->setObjectName(QStringLiteral("MdiArea"));
    // Windows moved or sized past the edges stay reachable.
    MdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    MdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    layout->addWidget(PageControl1);
    layout->addWidget(MdiArea, 1);
    setCentralWidget(central);
}

void TMainForm::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    // The panel widths are fixed (the hint panel gives way, below); a compact
    // font keeps their texts whole.
    QFont panelFont = bar->font();
    panelFont.setPixelSize(11);
    // The hint panel gives way when the window is too narrow for all five:
    // the connection state and the download's progress stay whole.
    auto* hintPanel = new ElidingLabel(bar);
    for (int i = 0; i < PanelCount; ++i) {
        QLabel* panel = i == 0 ? hintPanel : new QLabel(bar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        if (i > 0)
            panel->setFixedWidth(PanelWidths[static_cast<std::size_t>(i)]);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setFont(panelFont);
        bar->addWidget(panel);
        StatusPanels[static_cast<std::size_t>(i)] = panel;
    }

    // Panel 0 shows the long hints whole: at least its usual width, more
    // where the longest hint needs it in this font.
    QStringList hints{longHint(QString::fromUtf8(ShowPanelHint))};
    for (const QWidget* widget : findChildren<QWidget*>())
        hints << widget->statusTip();
    int width = PanelWidths[0];
    for (const QString& hint : hints) {
        hintPanel->setText(hint);
        width = std::max(width, hintPanel->QLabel::sizeHint().width());
    }
    hintPanel->clear();
    hintPanel->setPreferredWidth(width);
}

void TMainForm::buildTimers()
{
    const auto timer = [this](const char* name) {
        auto* t = new QTimer(this);
        t->setObjectName(QString::fromLatin1(name));
        return t;
    };
    Timer1 = timer("Timer1");
    DownTimer = timer("DownTimer");
    StartTimer = timer("StartTimer");
    StartTimer->setInterval(100);
}

void TMainForm::connectHandlers()
{
    const auto onClick = [this](QToolButton* button, void (TMainForm::*handler)()) {
        connect(button, &QToolButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    onClick(ToolButton14, &TMainForm::ToolButton14Click);
    onClick(ToolButton16, &TMainForm::ToolButton16Click);
    onClick(BotaoAutoEscala, &TMainForm::BotaoAutoEscalaClick);
    onClick(ToolButton36, &TMainForm::ToolButton36Click);

    onClick(ToolButton8, &TMainForm::ToolButton8Click);
    onClick(ToolButton10, &TMainForm::ToolButton10Click);
    onClick(ToolButton11, &TMainForm::ToolButton11Click);
    onClick(ToolButton17, &TMainForm::ToolButton17Click);
    onClick(ToolButton40, &TMainForm::ToolButton40Click);
    onClick(ToolButton41, &TMainForm::ToolButton41Click);
    onClick(ToolButton13, &TMainForm::ToolButton13Click);

    onClick(ToolButton9, &TMainForm::ToolButton9Click);
    onClick(ToolButton19, &TMainForm::ToolButton19Click);
    onClick(ToolButton20, &TMainForm::ToolButton20Click);
    onClick(ToolButton21, &TMainForm::ToolButton21Click);
    onClick(ToolButton32, &TMainForm::ToolButton32Click);
    onClick(ToolButton34, &TMainForm::ToolButton34Click);
    connect(DIR, &QListWidget::itemDoubleClicked, this, [this] { ToolButton19Click(); });

    onClick(ToolButton6, &TMainForm::RefreshFiles);
    onClick(ToolButton26, &TMainForm::TreeView1DblClick);
    onClick(ToolButton28, &TMainForm::NovaPasta1Click);
    onClick(ToolButton30, &TMainForm::Excluir1Click);

    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) { PageControl1Change(index); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    connect(DownTimer, &QTimer::timeout, this, [this] { DownTimerTimer(); });
    connect(StartTimer, &QTimer::timeout, this, [this] { StartTimerTimer(); });
}

QString TMainForm::statusText(int panel) const
{
    if (panel < 0 || panel >= PanelCount)
        return {};
    return StatusPanels[static_cast<std::size_t>(panel)]->text();
}

void TMainForm::setStatusText(int panel, const QString& text)
{
    if (panel >= 0 && panel < PanelCount)
        StatusPanels[static_cast<std::size_t>(panel)]->setText(text);
}

bool TMainForm::event(QEvent* event)
{
    // The long part of a hint belongs in panel 0, not in a temporary message
    // that would cover the other panels.
    if (event->type() == QEvent::StatusTip) {
        setStatusText(0, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

void TMainForm::FormCreate()
{
    Timer1->stop();
    ConnectionStep = 0;
    LogExtension = QStringLiteral(".ZQL");
    setStatusText(1, QStringLiteral("DESCONECTADO"));
    setStatusText(2, QString());
    DIR->clear();
}

void TMainForm::FormShow()
{
    namespace zs = zorvan_settings;
    platform::SettingsStore& store = services_.settings;
    // A settings file that cannot be read or written is told, and this run
    // goes on with the first-start defaults, so there is a base folder for
    // the downloads.
    LogDir = services_.defaultLogDir;
    AutoEscala = QStringLiteral("S");
    try {
        zs::openKeyWithDefaults(store, {{zs::LogDirValue, services_.defaultLogDir},
                                        {zs::AutoEscalaValue, AutoEscala}});
        LogDir = zs::read(store, zs::LogDirValue);
        AutoEscala = zs::read(store, zs::AutoEscalaValue);
        if (AutoEscala != QLatin1String("S") && AutoEscala != QLatin1String("N")) {
            AutoEscala = QStringLiteral("S");
            zs::write(store, zs::AutoEscalaValue, AutoEscala);
        }
    } catch (const platform::PlatformError& error) {
        // Told here, a file that cannot be written is not told again by a change.
        if (services_.settingsRun.firstTelling(zs::accessOf(error)))
            platform::showMessage(services_.dialogs, platform::Message::SettingsDefaultsUsed,
                                  {QString::fromStdString(error.what()), LogDir});
    }
    store.closeKey();
    services_.settingsRun.held[zs::LogDirValue] = LogDir;
    services_.settingsRun.held[zs::AutoEscalaValue] = AutoEscala;
    BotaoAutoEscala->setChecked(AutoEscala == QLatin1String("S"));

    Downloading = false;
    if (!reportPlatformErrors(services_.dialogs, [this] { RefreshFiles(); }))
        return;
    PageControl1->setCurrentIndex(0);
    DIR->setFocus();
    StartTimer->start();
    ArrangeStep = 1;
}

std::vector<QMdiSubWindow*> TMainForm::chartSubWindows() const
{
    std::vector<QMdiSubWindow*> charts;
    const auto windows = MdiArea->subWindowList(QMdiArea::StackingOrder);
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (dynamic_cast<ChartWindow*>((*it)->widget()) != nullptr)
            charts.push_back(*it);
    }
    return charts;
}

ChartWindow* TMainForm::activeChart() const
{
    QMdiSubWindow* current = MdiArea->currentSubWindow();
    if (current == nullptr) {
        const auto windows = MdiArea->subWindowList(QMdiArea::StackingOrder);
        if (!windows.isEmpty())
            current = windows.back();
    }
    return current == nullptr ? nullptr : dynamic_cast<ChartWindow*>(current->widget());
}

bool TMainForm::FormClose()
{
    for (auto charts = chartSubWindows(); !charts.empty(); charts = chartSubWindows()) {
        QPointer<QMdiSubWindow> window = charts.front();
        auto* chart = dynamic_cast<ChartWindow*>(window->widget());
        ChartWindow::CloseResult result = ChartWindow::CloseResult::Cancelled;
        // A chart that fails to save keeps its window, like a cancel.
        reportPlatformErrors(services_.dialogs, [&] { result = chart->askToClose(); });
        if (result == ChartWindow::CloseResult::Cancelled)
            return false;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (window)
            delete window.data();
        QCoreApplication::processEvents();
    }

    releaseLogger();
    setStatusText(1, QStringLiteral("DESCONECTADO"));
    setStatusText(2, QString());
    DIR->clear();
    return true;
}

void TMainForm::StartTimerTimer()
{
    setWindowState(windowState() | Qt::WindowMaximized);
    StartTimer->stop();
}

void TMainForm::PageControl1Change(int index)
{
    QWidget* focus[] = {DIR, ListaCanais, TreeView1};
    if (index >= 0 && index < 3)
        focus[index]->setFocus();
}

void TMainForm::ToolButton14Click()
{
    const bool nowHidden = !PageControl1->isHidden();
    PageControl1->setVisible(!nowHidden);
    if (nowHidden) {
        setImage(ToolButton14, ImageList48::ShowPanel);
        setHint(ToolButton14, QString::fromUtf8(ShowPanelHint));
    } else {
        setImage(ToolButton14, ImageList48::HidePanel);
        setHint(ToolButton14, QString::fromUtf8(HidePanelHint));
    }
}

void TMainForm::ToolButton16Click()
{
    static constexpr MdiArrangement arrangements[] = {MdiArrangement::Cascade, MdiArrangement::TileHorizontal,
                                                      MdiArrangement::TileVertical};
    if (ArrangeStep < 1 || ArrangeStep > 3)
        ArrangeStep = 1;
    arrangeSubWindows(*MdiArea, arrangements[ArrangeStep - 1]);
    ArrangeStep = ArrangeStep == 3 ? 1 : ArrangeStep + 1;
}

void TMainForm::BotaoAutoEscalaClick()
{
    namespace zs = zorvan_settings;
    AutoEscala = BotaoAutoEscala->isChecked() ? QStringLiteral("S") : QStringLiteral("N");
    // A missing key is not recreated here: the save then fails and says so.
    zs::saveChange(services_, zs::AutoEscalaValue, AutoEscala, zs::MissingKey::Fail);
}

void TMainForm::ToolButton36Click()
{
    namespace zs = zorvan_settings;
    if (!folderDialog_)
        folderDialog_ = std::make_unique<TForm030>(services_, this);
    services_.dialogs.runModal(*folderDialog_);

    // A choice the settings file could not take still holds for this run.
    const QString value = zs::heldValue(services_, zs::LogDirValue, services_.defaultLogDir);
    if (value == LogDir)
        return;
    LogDir = value;
    if (!reportPlatformErrors(services_.dialogs, [this] { RefreshFiles(); }))
        return;
    PageControl1->setCurrentIndex(2);
    TreeView1->setFocus();
}

void TMainForm::HelpAbout1Execute()
{
    TForm040 about(this);
    services_.dialogs.runModal(about);
}
