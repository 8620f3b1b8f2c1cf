#include "MeansChart.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

const QColor PassColour(0x3b, 0x6e, 0xa5);
const QColor AxisColour(0x50, 0x50, 0x50);
const QColor GridColour(0xdd, 0xdd, 0xdd);

QString legendPass()
{
    return QStringLiteral("5,5 of hoger");
}

QString legendFail()
{
    return QStringLiteral("onder 5,5 (onvoldoende)");
}

} // namespace

QVector<ChartBar> ChartBars(const QVector<ColumnFigures>& figures)
{
    QVector<ChartBar> bars;
    for (const ColumnFigures& column : figures) {
        if (column.isFinalResult)
            continue;
        bars << ChartBar{column.caption, column.hasNumbers(), column.mean(), column.meanText(),
                         column.spokenMeanText()};
    }
    return bars;
}

QString BarAccessibleName(const ChartBar& bar)
{
    return bar.hasMean ? QStringLiteral("%1: gemiddeld %2").arg(bar.caption, bar.spokenMean)
                       : QStringLiteral("%1: geen cijfers").arg(bar.caption);
}

qreal ChartGeometry::yOf(double grade) const
{
    const double clamped = std::clamp(grade, 0.0, double(top));
    return plot.bottom() - plot.height() * clamped / top;
}

QRectF ChartGeometry::barRect(const QVector<ChartBar>& bars, int i) const
{
    if (i < 0 || i >= bars.size())
        return QRectF();
    const qreal width = slot * 0.6;
    const qreal left = plot.left() + slot * i + (slot - width) / 2;
    const qreal y = bars[i].hasMean ? yOf(bars[i].mean) : plot.bottom();
    return QRectF(left, y, width, plot.bottom() - y);
}

ChartGeometry LayoutChart(const QRectF& area, const QVector<ChartBar>& bars, const QFont& font,
                          const QPaintDevice* device)
{
    const QFontMetricsF metrics(font, const_cast<QPaintDevice*>(device));
    const qreal line = metrics.height();
    ChartGeometry g;
    for (const ChartBar& bar : bars)
        if (bar.hasMean)
            g.top = std::max<qreal>(g.top, std::ceil(bar.mean));
    qreal longest = 0;
    for (const ChartBar& bar : bars)
        longest = std::max(longest, metrics.horizontalAdvance(bar.caption));
    // Module names stand upwards under their bars, within a third of the height.
    g.captionHeight = std::min(longest + line / 2, area.height() / 3);
    const qreal axis = metrics.horizontalAdvance(QStringLiteral("10,0")) + line / 2;
    g.legend = QRectF(area.left(), area.top(), area.width(), line * 1.4);
    g.plot = QRectF(area.left() + axis, g.legend.bottom() + line, area.width() - axis - line / 2,
                    area.height() - g.legend.height() - line - g.captionHeight);
    g.slot = bars.isEmpty() ? 0 : g.plot.width() / bars.size();
    return g;
}

void PaintMeansChart(QPainter& painter, const QRectF& area, const QVector<ChartBar>& bars, const QFont& font,
                     int current)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const qreal line = metrics.height();
    const qreal thin = std::max<qreal>(1, line / 14);
    const ChartGeometry g = LayoutChart(area, bars, font, painter.device());

    // The legend: what the colours and the line mean, in words too.
    qreal x = g.legend.left() + g.plot.left() - area.left();
    const qreal swatch = line * 0.7;
    const auto legendItem = [&](const QColor& colour, const QString& text) {
        const QRectF box(x, g.legend.center().y() - swatch / 2, swatch, swatch);
        painter.fillRect(box, colour);
        x += swatch + line / 3;
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x, g.legend.top(), metrics.horizontalAdvance(text) + 1, g.legend.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
        x += metrics.horizontalAdvance(text) + line;
    };
    legendItem(PassColour, legendPass());
    legendItem(InsufficientColour, legendFail());
    painter.setPen(QPen(Qt::black, thin * 2, Qt::DashLine));
    painter.drawLine(QPointF(x, g.legend.center().y()), QPointF(x + swatch * 2, g.legend.center().y()));
    x += swatch * 2 + line / 3;
    painter.setPen(Qt::black);
    painter.drawText(QRectF(x, g.legend.top(), g.legend.right() - x, g.legend.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(QStringLiteral("grens voldoende (5,5)"), Qt::ElideRight, g.legend.right() - x));

    // Grade lines and their numbers.
    const int step = g.plot.height() / g.top < line * 1.2 ? 2 : 1;
    for (int grade = 0; grade <= int(g.top); grade += step) {
        const qreal y = g.yOf(grade);
        painter.setPen(QPen(grade == 0 ? AxisColour : GridColour, thin));
        painter.drawLine(QPointF(g.plot.left(), y), QPointF(g.plot.right(), y));
        painter.setPen(AxisColour);
        painter.drawText(QRectF(area.left(), y - line / 2, g.plot.left() - area.left() - line / 4, line),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(grade));
    }
    painter.setPen(QPen(AxisColour, thin));
    painter.drawLine(g.plot.bottomLeft(), QPointF(g.plot.left(), g.plot.top()));

    if (bars.isEmpty()) {
        painter.setPen(Qt::black);
        painter.drawText(g.plot, Qt::AlignCenter, QStringLiteral("Geen modules"));
    }

    for (int i = 0; i < bars.size(); ++i) {
        const ChartBar& bar = bars[i];
        const QRectF rect = g.barRect(bars, i);
        if (bar.hasMean)
            painter.fillRect(rect, bar.insufficient() ? InsufficientColour : PassColour);
        if (i == current) {
            painter.setPen(QPen(Qt::black, thin, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(g.plot.left() + g.slot * i + thin, g.plot.top(), g.slot - 2 * thin,
                                    g.plot.height() + g.captionHeight));
        }
        // The module's name upwards under its bar.
        painter.save();
        painter.translate(g.plot.left() + g.slot * i + g.slot / 2 - line / 2, g.plot.bottom() + g.captionHeight);
        painter.rotate(-90);
        painter.setPen(Qt::black);
        const QRectF upwards(0, 0, g.captionHeight - line / 4, line);
        painter.drawText(upwards, Qt::AlignRight | Qt::AlignVCenter,
                         metrics.elidedText(bar.caption, Qt::ElideRight, upwards.width()));
        painter.restore();
    }

    // The pass mark across the bars.
    const qreal pass = g.yOf(PassMark);
    QPen passPen(Qt::black, thin * 2, Qt::DashLine);
    painter.setPen(passPen);
    painter.drawLine(QPointF(g.plot.left(), pass), QPointF(g.plot.right(), pass));

    // The means above their bars, over the line where they meet it.
    for (int i = 0; i < bars.size(); ++i) {
        const ChartBar& bar = bars[i];
        const qreal textWidth = metrics.horizontalAdvance(bar.meanText);
        if (!bar.hasMean || textWidth > g.slot)
            continue;
        const QRectF rect = g.barRect(bars, i);
        const QRectF label(rect.center().x() - textWidth / 2 - thin * 2, rect.top() - line, textWidth + thin * 4,
                           line * 0.95);
        painter.fillRect(label, Qt::white);
        painter.setPen(Qt::black);
        painter.drawText(label, Qt::AlignCenter, bar.meanText);
    }
    painter.restore();
}

namespace {

// One bar, found again from the chart at every question.
class BarInterface : public QAccessibleInterface {
public:
    BarInterface(MeansChart* chart, int bar) : m_chart(chart), m_bar(bar) {}

    bool isValid() const override { return m_chart && m_bar < m_chart->bars().size(); }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* parent() const override
    {
        return m_chart ? QAccessible::queryAccessibleInterface(m_chart) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::Graphic; }
    void setText(QAccessible::Text, const QString&) override {}
    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return QString();
        const ChartBar& bar = m_chart->bars().at(m_bar);
        if (t == QAccessible::Name)
            return BarAccessibleName(bar);
        if (t == QAccessible::Description && bar.insufficient())
            return InsufficientText;
        return QString();
    }
    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect local = m_chart->barRect(m_bar);
        return QRect(m_chart->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.focusable = true;
        s.focused = m_chart->hasFocus() && m_chart->currentBar() == m_bar;
        s.invisible = !m_chart->isVisible();
        return s;
    }
    int bar() const { return m_bar; }

private:
    QPointer<MeansChart> m_chart;
    int m_bar;
};

class ChartInterface : public QAccessibleWidget {
public:
    explicit ChartInterface(MeansChart* chart) : QAccessibleWidget(chart, QAccessible::Chart) {}
    ~ChartInterface() override { forgetBars(); }

    MeansChart* chart() const { return static_cast<MeansChart*>(widget()); }
    int childCount() const override { return int(chart()->bars().size()); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (const QAccessible::Id id = m_bars.value(index))
            if (QAccessibleInterface* known = QAccessible::accessibleInterface(id))
                return known;
        auto* made = new BarInterface(chart(), index);
        m_bars.insert(index, QAccessible::registerAccessibleInterface(made));
        return made;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const auto* bar = dynamic_cast<const BarInterface*>(child);
        return bar && bar->isValid() && bar->parent() == this ? bar->bar() : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        return child(chart()->barAt(chart()->mapFromGlobal(QPoint(x, y))));
    }
    QAccessibleInterface* focusChild() const override
    {
        return chart()->hasFocus() ? child(chart()->currentBar()) : nullptr;
    }
    // New bars are new children.
    void forgetBars()
    {
        const QHash<int, QAccessible::Id> bars = std::exchange(m_bars, {});
        for (QAccessible::Id id : bars)
            QAccessible::deleteAccessibleInterface(id);
    }

private:
    mutable QHash<int, QAccessible::Id> m_bars;
};

QAccessibleInterface* chartFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("MeansChart") && object && object->isWidgetType())
        return new ChartInterface(static_cast<MeansChart*>(object));
    return nullptr;
}

void announceFocus(MeansChart* chart)
{
    if (!chart->hasFocus() || chart->currentBar() < 0)
        return;
    QAccessibleEvent focus(chart, QAccessible::Focus);
    focus.setChild(chart->currentBar());
    QAccessible::updateAccessibility(&focus);
}

} // namespace

MeansChart::MeansChart(QWidget* parent) : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(chartFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setMinimumSize(240, 160);
}

void MeansChart::setBars(const QVector<ChartBar>& bars)
{
    const bool sameCount = bars.size() == m_bars.size();
    m_bars = bars;
    if (m_bars.isEmpty())
        m_current = -1;
    else if (m_current < 0 || m_current >= m_bars.size())
        m_current = 0;
    if (!sameCount)
        if (auto* chart = dynamic_cast<ChartInterface*>(QAccessible::queryAccessibleInterface(this)))
            chart->forgetBars();
    QAccessibleEvent changed(this, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&changed);
    update();
}

void MeansChart::setCurrentBar(int bar)
{
    if (bar < 0 || bar >= m_bars.size() || bar == m_current)
        return;
    m_current = bar;
    update();
    announceFocus(this);
}

ChartGeometry MeansChart::geometry() const
{
    return LayoutChart(QRectF(rect()).adjusted(6, 6, -6, -6), m_bars, font(), this);
}

QRect MeansChart::barRect(int i) const
{
    return geometry().barRect(m_bars, i).toRect();
}

int MeansChart::barAt(const QPoint& point) const
{
    const ChartGeometry g = geometry();
    if (g.slot <= 0 || point.x() < g.plot.left() || point.y() < g.plot.top() ||
        point.y() > g.plot.bottom() + g.captionHeight)
        return -1;
    const int i = int((point.x() - g.plot.left()) / g.slot);
    return i < m_bars.size() ? i : -1;
}

void MeansChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintMeansChart(painter, QRectF(rect()).adjusted(6, 6, -6, -6), m_bars, font(), hasFocus() ? m_current : -1);
}

void MeansChart::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        setCurrentBar(m_current - 1);
        break;
    case Qt::Key_Right:
        setCurrentBar(m_current + 1);
        break;
    case Qt::Key_Home:
        setCurrentBar(0);
        break;
    case Qt::Key_End:
        setCurrentBar(int(m_bars.size()) - 1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
}

void MeansChart::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    setCurrentBar(barAt(event->position().toPoint()));
}

void MeansChart::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
    announceFocus(this);
}

void MeansChart::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

bool MeansChart::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int bar = barAt(help->pos());
        if (bar >= 0)
            QToolTip::showText(help->globalPos(), BarAccessibleName(m_bars[bar]), this, barRect(bar));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
