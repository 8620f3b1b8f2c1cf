#pragma once
// The bar chart of the module means: one bar per module, a line at the pass mark, bars below it in
// red. Drawn by hand with QPainter, on screen and on paper alike; every bar is a child for
// assistive technology, named "<module>: gemiddeld 4,6".

#include "ClassFigures.h"

#include <QFont>
#include <QRectF>
#include <QVector>
#include <QWidget>

class QPaintDevice;
class QPainter;

struct ChartBar {
    QString caption;
    bool hasMean = false;
    double mean = 0;
    QString meanText;   // "4,63"
    QString spokenMean; // "4,63", "4,6" for 4,60
    bool insufficient() const { return hasMean && IsInsufficient(mean); }
};

// The module columns of `figures`, in their order (the final result is not a bar).
QVector<ChartBar> ChartBars(const QVector<ColumnFigures>& figures);
// "<module>: gemiddeld 4,6"; "<module>: geen cijfers" for a module without numbers.
QString BarAccessibleName(const ChartBar& bar);

// Where the chart's parts go in `area`, in the units of `device`.
struct ChartGeometry {
    QRectF plot;    // the bars' field, 0 at its bottom
    QRectF legend;  // above the field
    qreal top = 10; // the grade at the top of the field
    qreal captionHeight = 0;
    qreal slot = 0; // width per bar
    QRectF barRect(const QVector<ChartBar>& bars, int i) const;
    qreal yOf(double grade) const;
};
ChartGeometry LayoutChart(const QRectF& area, const QVector<ChartBar>& bars, const QFont& font,
                          const QPaintDevice* device);

// The chart in `area`; `current` (or -1) gets the focus frame.
void PaintMeansChart(QPainter& painter, const QRectF& area, const QVector<ChartBar>& bars, const QFont& font,
                     int current = -1);

class MeansChart : public QWidget {
    Q_OBJECT
public:
    explicit MeansChart(QWidget* parent = nullptr);

    void setBars(const QVector<ChartBar>& bars);
    const QVector<ChartBar>& bars() const { return m_bars; }
    // The bar the arrow keys move over, -1 without bars.
    int currentBar() const { return m_current; }
    void setCurrentBar(int bar);
    // Bar `i` in the widget's coordinates.
    QRect barRect(int i) const;
    int barAt(const QPoint& point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    ChartGeometry geometry() const;

    QVector<ChartBar> m_bars;
    int m_current = -1;
};
