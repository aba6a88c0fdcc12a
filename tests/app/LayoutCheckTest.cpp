// Every window and dialog of the program at the default font: no label,
// button or readout may show less than its whole text, and texts stay
// readable where a panel is disabled.
#include "AppTestSupport.h"

#include "app/ElidingLabel.h"
#include "app/Form040.h"
#include "chart/ScopeRenderer.h"
#include "platform/Dialogs.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QGroupBox>
#include <QInputDialog>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabBar>

#include <cmath>

namespace {

using zq::chart::TSLScope;

// WCAG's contrast ratio of relative luminances; 4.5 is its floor for text.
double contrast(QColor a, QColor b)
{
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    const auto luminance = [&](QColor c) {
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette::ColorGroup group(const QWidget& w)
{
    return w.isEnabled() ? QPalette::Active : QPalette::Disabled;
}

// The colour a widget's text is drawn on: its own or the nearest filled
// ancestor's window colour.
QColor backdrop(const QWidget& w)
{
    const QWidget* filled = &w;
    while (!filled->autoFillBackground() && !filled->isWindow() && filled->parentWidget())
        filled = filled->parentWidget();
    return filled->palette().color(group(w), QPalette::Window);
}

// What of a window's texts does not show whole, once it is shown.
class CutOffReport {
public:
    explicit CutOffReport(QWidget& window) : window_(window) {}

    std::vector<std::string> run()
    {
        window_.show();
        QApplication::processEvents();
        if (window_.isWindow())
            title();
        for (QWidget* w : window_.findChildren<QWidget*>()) {
            if (!w->isVisibleTo(&window_))
                continue;
            if (auto* wrapping = dynamic_cast<SeparatorWrapLabel*>(w))
                this->wrapping(*wrapping);
            else if (auto* label = qobject_cast<QLabel*>(w))
                this->label(*label);
            else if (auto* button = qobject_cast<QPushButton*>(w))
                this->button(*button, QStyle::SE_PushButtonContents, button->isDefault());
            else if (auto* box = qobject_cast<QCheckBox*>(w))
                this->button(*box, QStyle::SE_CheckBoxContents, false);
            else if (auto* group = qobject_cast<QGroupBox*>(w))
                need(*group, group->title(), group->fontMetrics().horizontalAdvance(group->title()),
                     group->contentsRect().width());
            else if (auto* tabs = qobject_cast<QTabBar*>(w))
                tabBar(*tabs);
            else if (auto* memo = qobject_cast<QPlainTextEdit*>(w))
                this->memo(*memo);
            else if (auto* view = qobject_cast<QAbstractItemView*>(w))
                items(*view, QModelIndex());
            else if (auto* scope = qobject_cast<TSLScope*>(w))
                tickLabels(*scope);
        }
        return std::move(found_);
    }

private:
    void report(const QObject& o, const QString& text, const std::string& what)
    {
        const QString name =
            o.objectName().isEmpty() ? QString::fromLatin1(o.metaObject()->className()) : o.objectName();
        found_.push_back(name.toStdString() + " \"" + text.toStdString() + "\": " + what);
    }

    void need(const QObject& o, const QString& text, int needed, int room)
    {
        if (needed > room)
            report(o, text, "needs " + std::to_string(needed) + " px, has " + std::to_string(room));
    }

    void readable(const QWidget& w, const QString& text, QColor ink, QColor paper)
    {
        if (const double ratio = contrast(ink, paper); ratio < 4.5)
            report(w, text, "contrast " + std::to_string(ratio));
    }

    // A window manager's title bar: the caption in bold beside an icon and
    // up to three buttons.
    void title()
    {
        QFont bold = window_.font();
        bold.setBold(true);
        const int buttons = 3 * window_.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window_);
        need(window_, window_.windowTitle(), QFontMetrics(bold).horizontalAdvance(window_.windowTitle()) + buttons,
             window_.width());
    }

    void label(const QLabel& l)
    {
        const QString text = l.text();
        if (text.trimmed().isEmpty())
            return;
        const QFontMetrics fm = l.fontMetrics();
        const int m = l.margin();
        QRect room = l.contentsRect().adjusted(m, m, -m, -m);
        // A framed label without an indent of its own keeps half an "x" clear
        // on the side its text is aligned to.
        const int indent = l.indent() < 0 && l.frameWidth() > 0 ? fm.horizontalAdvance(QLatin1Char('x')) / 2 - m
                                                                : l.indent();
        if (indent > 0 && l.alignment() & Qt::AlignLeft)
            room.setLeft(room.left() + indent);
        if (indent > 0 && l.alignment() & Qt::AlignRight)
            room.setRight(room.right() - indent);
        const QRect used = l.wordWrap() ? fm.boundingRect(room, Qt::TextWordWrap | l.alignment(), text)
                                        : QRect(0, 0, fm.horizontalAdvance(text), fm.height());
        need(l, text, used.width(), room.width());
        need(l, text, used.height(), room.height());
        readable(l, text, l.palette().color(group(l), l.foregroundRole()), backdrop(l));
    }

    // Every line it breaks into fits across, and all the lines fit down.
    void wrapping(const SeparatorWrapLabel& l)
    {
        const QFontMetrics fm = l.fontMetrics();
        const int width = l.textWidth();
        const QStringList lines = l.lines(width);
        for (const QString& line : lines)
            need(l, line, fm.horizontalAdvance(line), width);
        need(l, l.text(), static_cast<int>(lines.size()) * fm.lineSpacing(), l.contentsRect().height() - 2 * l.margin());
        readable(l, l.text(), l.palette().color(group(l), l.foregroundRole()), backdrop(l));
    }

    void button(const QAbstractButton& b, QStyle::SubElement contents, bool isDefault)
    {
        if (b.text().isEmpty())
            return;
        QStyleOptionButton opt;
        opt.initFrom(&b);
        opt.text = b.text();
        opt.icon = b.icon();
        opt.iconSize = b.iconSize();
        if (isDefault)
            opt.features |= QStyleOptionButton::DefaultButton;
        const QRect room = b.style()->subElementRect(contents, &opt, &b);
        const int icon = b.icon().isNull() ? 0 : b.iconSize().width() + 4;
        need(b, b.text(), b.fontMetrics().horizontalAdvance(b.text()) + icon, room.width());
    }

    void tabBar(const QTabBar& bar)
    {
        const bool across = bar.shape() == QTabBar::RoundedEast || bar.shape() == QTabBar::RoundedWest;
        for (int i = 0; i < bar.count(); ++i) {
            const QRect r = bar.tabRect(i);
            need(bar, bar.tabText(i), bar.fontMetrics().horizontalAdvance(bar.tabText(i)),
                 across ? r.height() : r.width());
        }
    }

    // A read-only readout: all of it shows without scrolling, in colours
    // that can be read.
    void memo(const QPlainTextEdit& m)
    {
        const QString text = m.toPlainText();
        if (m.verticalScrollBar()->maximum() > 0 || m.horizontalScrollBar()->maximum() > 0)
            report(m, text, "scrolls");
        const QPalette::ColorGroup g = group(m);
        readable(m, text, m.palette().color(g, QPalette::Text), m.palette().color(g, QPalette::Base));
    }

    // Items of lists and trees are cut when their cell is narrower than the
    // delegate asks for; the view may scroll sideways to show the cell.
    void items(const QAbstractItemView& view, const QModelIndex& parent)
    {
        const QAbstractItemModel* model = view.model();
        if (model == nullptr)
            return;
        const auto* tree = qobject_cast<const QTreeView*>(&view);
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex index = model->index(row, 0, parent);
            const QRect cell = view.visualRect(index);
            if (!cell.isEmpty()) {
                QStyleOptionViewItem opt;
                opt.initFrom(&view);
                opt.widget = &view;
                opt.font = view.font();
                const QSize icons = view.iconSize();
                const int small = view.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &view);
                opt.decorationSize = icons.isValid() ? icons : QSize(small, small);
                opt.features |= QStyleOptionViewItem::HasDisplay;
                const int needed = view.itemDelegateForIndex(index)->sizeHint(opt, index).width();
                need(view, index.data().toString(), needed, cell.width());
            }
            if (tree && tree->isExpanded(index))
                items(view, index);
        }
    }

    void tickLabels(const TSLScope& scope)
    {
        const TOWLockSectionRef section = scope.Lock().ReadSection();
        const auto layout = zq::chart::ComputeLayout(scope, scope.size());
        for (const auto& tick : zq::chart::XTickLabels(scope, layout))
            if (!scope.rect().contains(tick.rect))
                report(scope, tick.text, "tick label outside the chart");
    }

    QWidget& window_;
    std::vector<std::string> found_;
};

// Sixteen channels over twenty minutes, every one at the widest value it can
// show in the last row, where the readout is taken.
void openSixteenChannels(TMDIChild& child)
{
    constexpr int rows = 12001; // the last row at 1200 s, on a tick at the right edge
    std::vector<int> ids = everySignalId;
    ids.push_back(9); // a wide-band lambda
    openSignals(child, ids, rows, 10, [&](std::size_t k, int r) -> std::pair<std::uint8_t, std::uint8_t> {
        if (r == rows - 1)
            return {0xFF, 0xFF};
        return {r == 0 && k == ids.size() - 1 ? 0x80 : 0x10, 0x20};
    });
}

class LayoutCheckTest : public AppTestEnv {
protected:
    LayoutCheckTest() { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }
    ~LayoutCheckTest() override
    {
        form_.reset();
        QLocale::setDefault(QLocale::system());
    }

    // The main window at its first size, on one page, with the longest texts
    // its replies and folders can give.
    QWidget& mainWindowPage(int page)
    {
        TMainForm& f = form();
        f.StartTimer->stop();
        f.resize(800, 590);
        const auto entry = [](unsigned number, std::uint8_t rate, unsigned samples) -> std::vector<std::uint8_t> {
            return {std::uint8_t(number >> 8), std::uint8_t(number), rate, 0, 0, 0,
                    std::uint8_t(samples >> 16), std::uint8_t(samples >> 8), std::uint8_t(samples)};
        };
        const auto feed = [&](const lp::Report& r) { f.ShowRead(nullptr, r[0], r.data() + 1, 64); };
        feed(reply(lp::ReplyList, {{2, entry(65535, 1, 0xFFFFFF)}, {11, entry(3, 100, 2000)}}));
        feed(reply(lp::ReplyConfig, {{2, {0xFF, 0xFF}}, {4, {0xFF, 0xFF}}, {7, {0}}}));
        const QString device = folder(QStringLiteral("Zorvan_Logs/EQUIPAMENTO_LONGO"));
        QDir().mkpath(device);
        std::ofstream(QDir(device).filePath(QStringLiteral("EQUIPAMENTO_LONGO_LOG_00001_volta_rapida_no_circuito.ZQL"))
                          .toStdString())
            << "x";
        f.RefreshFiles();
        f.TreeView1->expandAll();
        f.PageControl1->setCurrentIndex(page);
        return f;
    }
};

TEST_F(LayoutCheckTest, EveryTextFitsItsPlaceAtTheDefaultFont)
{
    std::unique_ptr<QWidget> dialog; // the one checked last
    const std::pair<const char*, std::function<QWidget&()>> windows[] = {
        {"MainWindowLogs", [&]() -> QWidget& { return mainWindowPage(0); }},
        {"MainWindowConfiguration", [&]() -> QWidget& { return mainWindowPage(1); }},
        {"MainWindowFiles", [&]() -> QWidget& { return mainWindowPage(2); }},
        {"ChartWindow",
         [&]() -> QWidget& {
             form().resize(1400, 1000);
             TMDIChild* child = TMDIChild::Create(form(), folder("Zorvan_Logs/LOGGER") + "\\LOGGER_LOG_00001.ZQL");
             openSixteenChannels(*child);
             child->parentWidget()->resize(1035, 757);
             QApplication::processEvents();
             const QRect data = child->SLScope1->DataRect();
             child->SLScope1MouseMove(Qt::NoModifier, data.right(), data.center().y());
             return *child;
         }},
        {"FolderDialog",
         [&]() -> QWidget& {
             const QString logs = folder("Zorvan_Logs/Pasta de Logs do Carro de Corrida");
             QDir().mkpath(logs);
             writeSettings("LogDir=" + logs.toStdString() + "\n");
             dialog = std::make_unique<TForm030>(services_);
             return *dialog;
         }},
        {"AboutBox", [&]() -> QWidget& { return *(dialog = std::make_unique<TForm040>()); }},
        {"InputBox",
         [&]() -> QWidget& {
             return *(dialog = platform::makeInputDialog(nullptr, "Criar pasta em " + folder("Zorvan_Logs/LOGGER"),
                                                         "Digite o nome da nova pasta:", QString()));
         }},
    };
    for (const auto& [name, open] : windows)
        EXPECT_THAT(CutOffReport(open()).run(), testing::IsEmpty()) << name;
}

// Every long hint of the main window, the panel button's other hint included.
QStringList longHints(TMainForm& f)
{
    QStringList hints;
    for (int press = 0; press < 2; ++press) {
        for (const QWidget* w : f.findChildren<QWidget*>())
            if (!w->statusTip().isEmpty() && !hints.contains(w->statusTip()))
                hints << w->statusTip();
        f.ToolButton14Click();
    }
    return hints;
}

// The status bar's first panel shows each long hint whole while the mouse is
// over its control, the panel button's other hint included.
TEST_F(LayoutCheckTest, EveryLongHintFitsTheHintPanel)
{
    TMainForm& f = form();
    f.StartTimer->stop();
    f.resize(800, 590);
    const QStringList hints = longHints(f);
    ASSERT_GE(hints.size(), 19);
    for (const QString& hint : hints) {
        QStatusTipEvent tip(hint);
        QCoreApplication::sendEvent(&f, &tip);
        ASSERT_EQ(f.statusText(0), hint);
        EXPECT_THAT(CutOffReport(*f.statusBar()).run(), testing::IsEmpty()) << hint.toStdString();
    }
}

// Where a hint's ink lands in the status bar: the pixels that differ from the
// bar with the hint panel empty.
QRect hintInk(TMainForm& f, const QString& hint)
{
    QStatusBar& bar = *f.statusBar();
    f.setStatusText(0, QString());
    const QImage empty = bar.grab().toImage();
    QStatusTipEvent tip(hint);
    QCoreApplication::sendEvent(&f, &tip);
    const QImage shown = bar.grab().toImage();
    QRect ink;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != empty.pixel(x, y))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

// From the narrowest width the main window allows up to its first size, each
// long hint is drawn inside the hint panel (whole, or cut with an ellipsis),
// and the panels beside it keep their widths and stay clear of it.
TEST_F(LayoutCheckTest, LongHintsStayInTheirPanelAtEveryWidth)
{
    TMainForm& f = form();
    f.StartTimer->stop();
    f.setStatusText(1, QStringLiteral("CONECTADO"));
    f.setStatusText(2, QStringLiteral("QuillstoneZorvan"));
    const QStringList hints = longHints(f);
    f.resize(0, 590);
    QApplication::processEvents();
    const int narrowest = f.width();
    ASSERT_LT(narrowest, 800);
    std::vector<int> widths;
    for (int width = narrowest; width < 800; width += 37)
        widths.push_back(width);
    widths.push_back(800);

    const auto& panels = f.StatusPanels;
    for (const int width : widths) {
        f.resize(width, 590);
        QApplication::processEvents();
        for (const QString& hint : hints) {
            const std::string where = "width " + std::to_string(width) + ", \"" + hint.toStdString() + "\"";
            const QRect ink = hintInk(f, hint);
            EXPECT_EQ(f.statusText(0), hint) << where;
            ASSERT_FALSE(ink.isEmpty()) << where;
            const QRect room = panels[0]->contentsRect().translated(panels[0]->pos());
            EXPECT_TRUE(room.contains(ink)) << where << ": ink " << ink.left() << ".." << ink.right() << ", room "
                                            << room.left() << ".." << room.right();
            EXPECT_FALSE(ink.intersects(panels[1]->geometry())) << where;
            const auto* hintPanel = dynamic_cast<const ElidingLabel*>(panels[0]);
            ASSERT_NE(hintPanel, nullptr);
            const QString shown = hintPanel->shownText();
            EXPECT_TRUE(shown == hint || (shown.endsWith(QChar(0x2026)) && hint.startsWith(shown.chopped(1))))
                << where << ": shows \"" << shown.toStdString() << '"';
            for (std::size_t i = 1; i < panels.size(); ++i) {
                EXPECT_LT(panels[i - 1]->geometry().right(), panels[i]->geometry().left()) << where << ", panel " << i;
                EXPECT_EQ(panels[i]->width(), TMainForm::PanelWidths[i]) << where << ", panel " << i;
                EXPECT_TRUE(f.statusBar()->rect().contains(panels[i]->geometry())) << where << ", panel " << i;
            }
        }
    }
}

} // namespace
