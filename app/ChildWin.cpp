#include "app/ChildWin.h"

#include "app/MainForm.h"
#include "app/MdiArrange.h"
#include "app/PictureFormat.h"
#include "app/ReportPlatformErrors.h"
#include "app/SignalDecoding.h"
#include "platform/Dialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

using namespace zq::chart;

namespace {

constexpr int panelHeight = 32;
constexpr char indexProperty[] = "channelIndex";
constexpr int sideListWidth = 130;
const QString timePicture = QStringLiteral("###,##0.000");

QString positionText(double t)
{
    return QStringLiteral("Posição=") + FormatFloatPicture(t, timePicture) + QStringLiteral("seg");
}

void setBackground(QWidget* widget, QColor colour)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, colour);
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

QLabel* boldLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QFont smaller(QFont font)
{
    font.setPointSizeF(std::max(font.pointSizeF() - 1, 6.0));
    return font;
}

} // namespace

void LogFileHead::SetRows(std::uint32_t rows)
{
    bytes[rowsOffset] = static_cast<std::uint8_t>(rows >> 16);
    bytes[rowsOffset + 1] = static_cast<std::uint8_t>(rows >> 8);
    bytes[rowsOffset + 2] = static_cast<std::uint8_t>(rows);
}

std::uint32_t LogFileHead::Rows() const
{
    return (std::uint32_t{bytes[rowsOffset]} << 16) | (std::uint32_t{bytes[rowsOffset + 1]} << 8) |
           bytes[rowsOffset + 2];
}

TMDIChild::TMDIChild(platform::Dialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("MDIChild"));
    resize(1035, 757);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildSideList();
    buildScope();
    buildRightPanel();
    layout->addWidget(Panel2);
    layout->addWidget(SLScope1, 1);
    layout->addWidget(Panel1);
}

TMDIChild::~TMDIChild() = default;

TMDIChild* TMDIChild::Create(TMainForm& mainForm, const QString& caption)
{
    auto* child = new TMDIChild(mainForm.services().dialogs);
    child->setWindowTitle(caption);
    QMdiSubWindow* window = mainForm.MdiArea->addSubWindow(child);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(mainForm.windowIcon());
    placeNewSubWindow(*mainForm.MdiArea, *window, QSize(1035, 757));
    window->show();
    return child;
}

void TMDIChild::buildScope()
{
    SLScope1 = new TSLScope(this);
    SLScope1->setObjectName(QStringLiteral("SLScope1"));
    SLScope1->SetName("SLScope1");
    TSLScope& s = *SLScope1;
    s.DataView.SetColor(Qt::white);
    s.DataView.Border.Pen.SetColor(QColor(128, 0, 128));
    s.Zooming.SetMode(zmXAxis);
    s.Zooming.SetSelectionColor(QColor(0, 0, 128));
    s.SetNavigateMode(nmPan);
    s.YAxis.SetVisible(false);
    s.YAxis.AxisLabel.SetText("Y Axis");
    s.YAxis.DataView.Lines.SetVisible(false);
    s.YAxis.DataView.ZeroLine.SetVisible(false);
    s.XAxis.AxisLabel.SetText("Tempo (seg)");
    s.XAxis.DataView.ZeroLine.Pen.SetColor(Qt::red);
    s.XAxis.DataView.ZeroLine.Pen.SetWidth(2);
    s.XAxis.DataView.Lines.Pen.SetColor(QColor(128, 128, 128));
    s.Title.SetText(QStringLiteral(" "));
    s.Title.SetHeight(5);
    TSLDisplayCursor& cursor = s.Cursors.Add();
    cursor.SetName(QStringLiteral("Cursor1"));
    cursor.SetColor(Qt::black);
    s.Channels.Add(); // the form's own channel, gone with the first ClearGrafico

    s.OnZoomChanged = [this] { SLScope1ZoomChanged(); };
    s.OnClick = [this] { SLScope1Click(); };
    s.OnMouseMove = [this](Qt::KeyboardModifiers shift, int x, int y) { SLScope1MouseMove(shift, x, y); };
    s.OnOverChannel = [this](int index) { SLScope1OverChannel(index); };
    s.OnLeaveChannel = [this] { SLScope1LeaveChannel(); };
    s.OnCustomMouseHitLabel = [this](QString& text) { SLScope1CustomMouseHitLabel(text); };
    s.XAxis.OnCustomLabel = [this](double value, QString& text) { SLScope1XAxisCustomLabel(value, text); };
}

void TMDIChild::buildSideList()
{
    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedWidth(sideListWidth);
    setBackground(Panel2, Cream);
    auto* column = new QVBoxLayout(Panel2);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Panel5 = new QFrame(Panel2);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    auto* top = new QHBoxLayout(Panel5);
    top->setContentsMargins(4, 4, 4, 4);
    Posicao = boldLabel(QStringLiteral("Posicao="), Panel5);
    Posicao->setObjectName(QStringLiteral("Posicao"));
    Posicao->setFont(smaller(Posicao->font()));
    QPalette blue = Posicao->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Posicao->setPalette(blue);
    top->addWidget(Posicao);
    column->addWidget(Panel5);

    ScrollBox1 = new QScrollArea(Panel2);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setWidgetResizable(true);
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* list = new QWidget;
    setBackground(list, Cream);
    auto* stack = new QVBoxLayout(list);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    for (int n = 0; n < PanelCount; ++n) {
        const QString number = QString::number(n);
        auto* panel = new QFrame(list);
        panel->setObjectName(QStringLiteral("Canal") + number);
        panel->setFixedHeight(panelHeight);
        setBackground(panel, Cream);
        auto* row = new QHBoxLayout(panel);
        row->setContentsMargins(0, 0, 3, 0);
        row->setSpacing(2);
        auto* strip = new QFrame(panel);
        strip->setObjectName(QStringLiteral("CanalCor") + number);
        strip->setFixedWidth(10);
        setBackground(strip, Cream);
        auto* visible = new QCheckBox(panel);
        visible->setObjectName(QStringLiteral("CanalVisivel") + number);
        visible->setChecked(true);
        // The list is narrow: the name sits on the upper line of the panel
        // and the value, right-aligned, on the lower one.
        auto* name = boldLabel(QString(), panel);
        name->setObjectName(QStringLiteral("CanalNome") + number);
        name->setFont(smaller(name->font()));
        auto* value = boldLabel(QString(), panel);
        value->setObjectName(QStringLiteral("CanalValor") + number);
        value->setFont(smaller(value->font()));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* lines = new QVBoxLayout;
        lines->setContentsMargins(0, 1, 0, 1);
        lines->setSpacing(0);
        lines->addWidget(name);
        lines->addWidget(value);
        row->addWidget(strip);
        row->addWidget(visible);
        row->addLayout(lines, 1);
        for (QWidget* clickable : std::initializer_list<QWidget*>{panel, strip, name, value}) {
            clickable->setProperty(indexProperty, n);
            clickable->installEventFilter(this);
        }
        connect(visible, &QCheckBox::toggled, this, [this, n] { CanalVisivelClick(n); });
        panel->setVisible(false);
        stack->addWidget(panel);
    }
    stack->addStretch(1);
    ScrollBox1->setWidget(list);
    column->addWidget(ScrollBox1, 1);
}

void TMDIChild::buildRightPanel()
{
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedWidth(185);
    auto* layout = new QHBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    Panel4 = boldLabel(QStringLiteral("<"), Panel1);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setFixedWidth(10);
    Panel4->setAlignment(Qt::AlignCenter);
    setBackground(Panel4, QColor(0, 128, 0));
    QPalette white = Panel4->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    Panel4->setPalette(white);
    Panel4->installEventFilter(this);
    layout->addWidget(Panel4);
    layout->addStretch(1);
    Panel1->setVisible(false);
}

bool TMDIChild::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Panel4) {
            Panel4Click();
            return true;
        }
        const QVariant index = watched->property(indexProperty);
        if (index.isValid()) {
            CanalClick(index.toInt());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QFrame* TMDIChild::ChannelPanel(int index) const
{
    return findChild<QFrame*>(QStringLiteral("Canal") + QString::number(index));
}

QLabel* TMDIChild::ChannelValue(int index) const
{
    return findChild<QLabel*>(QStringLiteral("CanalValor") + QString::number(index));
}

int TMDIChild::channelCount() const
{
    return SLScope1->Channels.Count();
}

void TMDIChild::setPanPosition()
{
    SLScope1->SetNavigateMode(nmPan);
    SLScope1->SetCursor(crCross);
    SLScope1->Zooming.SetMode(zmXAxis);
}

void TMDIChild::setPanelColour(int index, QColor colour)
{
    if (QFrame* panel = ChannelPanel(index))
        setBackground(panel, colour);
}

int TMDIChild::AdicionaCanal(const QString& shortName, const QString& longName, double axisMin, double axisMax,
                             const QString& format, const QString& unit, double dataMin, double dataMax,
                             QColor colour)
{
    TSLAdditionalScopeYAxis& axis = SLScope1->YAxis.AdditionalAxes.Add().Axis;
    axis.SetVisible(false);
    axis.SetColor(Qt::black);
    axis.Font.SetColor(Qt::black);
    axis.AxisLabel.SetText(longName.toStdString());
    axis.AxisLabel.GetFont()->SetColor(Qt::black);
    axis.Max.SetDataValue(axisMax);
    axis.Max.SetValue(axisMax);
    axis.Max.Range.High.SetValue(axisMax);
    axis.Max.Range.High.SetEnabled(true);
    axis.Min.SetDataValue(axisMin);
    axis.Min.SetValue(axisMin);
    axis.Min.Range.Low.SetValue(axisMin);
    axis.Min.Range.Low.SetEnabled(true);
    axis.ButtonSettings.SetEnabled(false);
    axis.AutoScaling.SetEnabled(false);
    axis.SetDataRange(dataMin, dataMax);
    axis.ToolBar.SetVisible(false);
    axis.SetTrackCursor(true);
    axis.SetTrackColor(Qt::red);
    axis.DataView.Lines.SetVisible(false);
    axis.DataView.ZeroLine.SetVisible(false);

    TSLScopeChannel& channel = SLScope1->Channels.Add();
    const int c = channelCount() - 1;
    channel.SetYAxis(axis);
    channel.SetXAxis(SLScope1->XAxis);
    channel.Data.Clear();
    channel.SetName(shortName);

    if (c < TableSize) {
        ChannelFormat[static_cast<std::size_t>(c)] = format;
        ChannelUnit[static_cast<std::size_t>(c)] = unit;
        ChannelShortName[static_cast<std::size_t>(c)] = shortName;
    }
    if (c == 0)
        axis.SetVisible(true);
    channel.SetColor(colour);
    channel.SetWidth(1);

    const QString number = QString::number(c);
    if (QFrame* panel = ChannelPanel(c)) {
        panel->setVisible(true);
        if (auto* strip = findChild<QFrame*>(QStringLiteral("CanalCor") + number))
            setBackground(strip, colour);
        if (auto* name = findChild<QLabel*>(QStringLiteral("CanalNome") + number))
            name->setText(shortName);
        if (auto* value = ChannelValue(c))
            value->clear();
    }
    channel.SetVisible(true);
    return c;
}

void TMDIChild::ClearGrafico()
{
    ChannelFormat.fill(QString());
    ChannelUnit.fill(QString());
    ChannelShortName.fill(QString());
    ChannelWideBand.fill(false);
    RawColumns.clear();
    HoveredChannel = -1;
    MarkedChannel = -1;
    SLScope1->YAxis.AdditionalAxes.Clear();
    SLScope1->YAxis.SetVisible(false);
    SLScope1->Channels.Clear();
    SLScope1->XAxis.DataView.ZeroLine.Pen.SetColor(Qt::red);
    SLScope1->DataView.Border.Pen.SetColor(QColor(215, 215, 215));
    SLScope1->XAxis.DataView.Lines.Pen.SetColor(QColor(215, 215, 215));
}

int TMDIChild::AddDecodedSignal(const signal_decoding::DecodedSignal& signal, const std::vector<double>& x)
{
    const auto& info = *signal.info;
    const int c = AdicionaCanal(info.ShortName(), info.LongName(), signal.axisMin, signal.axisMax, info.Format(),
                                info.Unit(), signal.dataMin, signal.dataMax, info.Colour());
    const std::size_t rows = std::min(x.size(), signal.values.size());
    SLScope1->Channels.GetItem(c).Data.SetXYData(x.data(), signal.values.data(), rows);
    RowCount = static_cast<std::int32_t>(rows);
    if (info.wideBand) {
        WideBandChannel = c;
        if (c < TableSize)
            ChannelWideBand[static_cast<std::size_t>(c)] = true;
    }
    return c;
}

void TMDIChild::FinishOpening()
{
    setPanPosition();
    SLScope1->ZoomOff();
    fitSideList();
}

void TMDIChild::fitSideList()
{
    // The position readout of the earliest or the latest time is the widest
    // one the data can give.
    int widest = 0;
    if (channelCount() > 0) {
        std::vector<double> x;
        SLScope1->Channels.GetItem(0).Data.GetXData(x);
        if (!x.empty()) {
            const auto [first, last] = std::minmax_element(x.begin(), x.end());
            const QFontMetrics fm(Posicao->font());
            widest = std::max(fm.horizontalAdvance(positionText(*first)), fm.horizontalAdvance(positionText(*last)));
        }
    }
    const QMargins around = Panel5->layout()->contentsMargins() + Posicao->contentsMargins();
    Panel2->setFixedWidth(std::max(sideListWidth, widest + around.left() + around.right()));
}

void TMDIChild::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TMDIChild::FormShow()
{
    setPanPosition();
    ZeroPickArmed = false;
    PickedX = 0;
    PickedValid = false;
    Panel1->setFixedWidth(13);
    Panel4->setText(QStringLiteral("<"));
    Modified = false;
}

ChartWindow::CloseResult TMDIChild::askToClose()
{
    if (closed_)
        return CloseResult::Closed;
    if (Modified) {
        switch (dialogs_.askYesNoCancel(QStringLiteral("Deseja salvar as alterações antes de fechar a janela ?"))) {
        case platform::Answer::Cancel:
            return CloseResult::Cancelled;
        case platform::Answer::Yes:
            SalvarArquivo();
            break;
        case platform::Answer::No:
            break;
        }
    }
    SLScope1->Channels.Clear();
    SLScope1->YAxis.AdditionalAxes.Clear();
    closed_ = true;
    return CloseResult::Closed;
}

void TMDIChild::closeEvent(QCloseEvent* event)
{
    CloseResult result = CloseResult::Cancelled;
    reportPlatformErrors(dialogs_, [&] { result = askToClose(); });
    if (result == CloseResult::Closed)
        event->accept();
    else
        event->ignore();
}

void TMDIChild::SLScope1MouseMove(Qt::KeyboardModifiers, int x, int y)
{
    double t = 0;
    double value = 0;
    SLScope1->GetValuesAtPoint(x, y, t, value);
    bool hit = false;
    const int count = std::min(channelCount(), TableSize);
    for (int c = 0; c < count; ++c) {
        const auto values = SLScope1->Channels.GetItem(c).GetValuesAtX(t);
        if (values.empty())
            continue;
        const auto reading = signal_decoding::FormatReading(values.front(), ChannelFormat[static_cast<std::size_t>(c)],
                                                            ChannelUnit[static_cast<std::size_t>(c)]);
        if (QLabel* label = ChannelValue(c); label && reading)
            label->setText(*reading);
        hit = true;
    }
    if (hit) {
        Posicao->setText(positionText(t));
        if (SLScope1->Cursors.Count() > 0)
            SLScope1->Cursors.GetItem(0).Position.SetX(t);
        PickedX = t;
        PickedValid = true;
    } else {
        PickedX = 0;
        PickedValid = false;
    }
}

void TMDIChild::SLScope1OverChannel(int index)
{
    HoveredChannel = index;
    if (index != -1)
        setPanelColour(index, Hover);
}

void TMDIChild::SLScope1LeaveChannel()
{
    if (HoveredChannel != -1)
        setPanelColour(HoveredChannel, Cream);
    HoveredChannel = -1;
}

void TMDIChild::SLScope1CustomMouseHitLabel(QString& text)
{
    text.clear();
}

void TMDIChild::SLScope1XAxisCustomLabel(double value, QString& text)
{
    text = FormatFloatPicture(value, timePicture);
}

void TMDIChild::SLScope1ZoomChanged()
{
    setPanPosition();
}

void TMDIChild::Grafico_Split()
{
    ZeroPickArmed = !ZeroPickArmed;
    setPanPosition();
    if (ZeroPickArmed)
        SLScope1->SetCursor(crHSplit);
}

void TMDIChild::SLScope1Click()
{
    if (!ZeroPickArmed)
        return;
    if (PickedValid && channelCount() > 0) {
        if (PickedX != 0)
            Modified = true;
        std::vector<double> x;
        SLScope1->Channels.GetItem(0).Data.GetXData(x);
        const std::size_t rows = std::min(x.size(), static_cast<std::size_t>(std::max(RowCount, 0)));
        for (std::size_t i = 0; i < rows; ++i)
            x[i] -= PickedX;
        std::vector<double> y;
        for (int c = 0; c < channelCount(); ++c) {
            TSLChannelData& data = SLScope1->Channels.GetItem(c).Data;
            data.GetYData(y);
            data.SetXYData(x.data(), y.data(), std::min(rows, y.size()));
        }
        fitSideList();
    }
    ZeroPickArmed = false;
    setPanPosition();
}

void TMDIChild::Grafico_Cut()
{
    if (channelCount() == 0)
        return;
    std::vector<double> x;
    SLScope1->Channels.GetItem(0).Data.GetXData(x);
    const std::size_t n = x.size();
    const auto first = std::find_if(x.begin(), x.end(), [](double v) { return v >= 0; });
    if (first == x.end())
        return;
    auto k = static_cast<std::size_t>(first - x.begin());
    if (*first > 0) {
        if (k == 0)
            return;
        --k;
    }
    if (k == 0)
        return;
    Modified = true;
    std::vector<double> y;
    for (int c = 0; c < channelCount(); ++c) {
        TSLChannelData& data = SLScope1->Channels.GetItem(c).Data;
        data.GetYData(y);
        const std::size_t end = std::min(n, y.size());
        data.SetXYData(x.data() + k, y.data() + std::min(k, end), end > k ? end - k : 0);
    }
    for (log_file::RawColumn& column : RawColumns)
        column.bytes.erase(column.bytes.begin(), column.bytes.begin() + static_cast<std::ptrdiff_t>(
                                                                          std::min(k, column.bytes.size())));
    RowCount = static_cast<std::int32_t>(SLScope1->Channels.GetItem(0).Data.GetCount());
    FileBlocks.SetRows(static_cast<std::uint32_t>(RowCount));
    fitSideList();
}

void TMDIChild::CanalVisivelClick(int index)
{
    auto* box = findChild<QCheckBox*>(QStringLiteral("CanalVisivel") + QString::number(index));
    if (box && index < channelCount())
        SLScope1->Channels.GetItem(index).SetVisible(box->isChecked());
}

void TMDIChild::CanalClick(int index)
{
    MarcaCanal(index);
}

void TMDIChild::MarcaCanal(int index)
{
    if (index < 0 || index >= channelCount())
        return;
    for (int c = 0; c < channelCount(); ++c)
        SLScope1->Channels.GetItem(c).GetYAxis()->SetVisible(c == index);
    if (index != MarkedChannel) {
        if (MarkedChannel >= 0 && MarkedChannel < channelCount())
            SLScope1->Channels.GetItem(MarkedChannel).SetWidth(1);
        MarkedChannel = index;
        SLScope1->Channels.GetItem(index).SetWidth(2);
    } else {
        SLScope1->Channels.GetItem(index).SetWidth(1);
        MarkedChannel = -1;
    }
}

void TMDIChild::Panel4Click()
{
    if (Panel1->maximumWidth() >= 50) {
        Panel1->setFixedWidth(13);
        Panel4->setText(QStringLiteral("<"));
    } else {
        Panel1->setFixedWidth(130);
        Panel4->setText(QStringLiteral(">"));
    }
}
