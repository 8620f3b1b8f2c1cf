#include "Klasoverzichtform.h"

#include "ExportFile.h"
#include "MeansChart.h"
#include "Prompts.h"
#include "Runtime.h"
#include "Twips.h"
#include "modAfdrukken.h"
#include "modMaakCSV.h"
#include "modsearch.h"

#include <QAbstractItemModel>
#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

constexpr int FillingPace = 100; // ms

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

// The figures as the window's table shows them: one row per column of the results table, the
// final result's caption in bold, an insufficient mean red and said so. Reset as a whole, so the
// view sizes its columns once per summing-up.
class FiguresTableModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setFigures(const QVector<ColumnFigures>& figures)
    {
        beginResetModel();
        m_rows.clear();
        m_insufficient.clear();
        m_final.clear();
        for (const ColumnFigures& column : figures) {
            m_rows << FigureRow(column);
            m_insufficient << (column.hasNumbers() && IsInsufficient(column.mean()));
            m_final << column.isFinalResult;
        }
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(FigureHeaders().size());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return FigureHeaders().value(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid))
            return {};
        const int r = index.row();
        const int c = index.column();
        const bool insufficientMean = c == 2 && m_insufficient[r];
        switch (role) {
        case Qt::DisplayRole:
            return m_rows[r].value(c);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(
                Qt::Alignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter));
        case Qt::ForegroundRole:
            return insufficientMean ? QVariant(QBrush(InsufficientColour)) : QVariant();
        case Qt::AccessibleDescriptionRole:
            return insufficientMean ? QVariant(InsufficientText) : QVariant();
        case Qt::FontRole:
            if (c == 0 && m_final[r]) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        default:
            return {};
        }
    }

private:
    QVector<QStringList> m_rows;
    QVector<bool> m_insufficient;
    QVector<bool> m_final;
};

Klasoverzichtform::Klasoverzichtform(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Klasoverzichtform"));
    setFont(formFont());

    lblKlas = makeLabel(this, QStringLiteral("lblKlas"), QString());
    QFont bold = font();
    bold.setBold(true);
    bold.setPixelSize(13);
    lblKlas->setFont(bold);

    lblTabel = makeLabel(this, QStringLiteral("lblTabel"), QStringLiteral("&Cijfers per kolom:"));
    m_table = new FiguresTableModel(this);
    tblOverzicht = new QTableView(this);
    tblOverzicht->setObjectName(QStringLiteral("tblOverzicht"));
    tblOverzicht->setModel(m_table);
    tblOverzicht->setAccessibleName(QStringLiteral("Cijfers per kolom"));
    tblOverzicht->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblOverzicht->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblOverzicht->setSelectionMode(QAbstractItemView::SingleSelection);
    tblOverzicht->setTabKeyNavigation(false);
    tblOverzicht->verticalHeader()->hide();
    tblOverzicht->verticalHeader()->setDefaultSectionSize(tblOverzicht->fontMetrics().height() + 6);
    tblOverzicht->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tblOverzicht->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    // As high as its rows (16 modules and the final result fit), the chart takes the rest.
    tblOverzicht->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    tblOverzicht->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    lblTabel->setBuddy(tblOverzicht);

    lblGrafiek = makeLabel(this, QStringLiteral("lblGrafiek"), QStringLiteral("&Gemiddelde per module:"));
    picGrafiek = new MeansChart(this);
    picGrafiek->setObjectName(QStringLiteral("picGrafiek"));
    picGrafiek->setAccessibleName(QStringLiteral("Grafiek van de gemiddelden per module"));
    picGrafiek->setAccessibleDescription(QStringLiteral(
        "Staafdiagram met een lijn bij 5,5; staven onder 5,5 zijn rood. Pijltjestoetsen kiezen een staaf."));
    lblGrafiek->setBuddy(picGrafiek);

    cmdAfdrukken = makeButton(this, QStringLiteral("cmdAfdrukken"), QStringLiteral("&Afdrukken..."));
    cmdOpslaanCSV = makeButton(this, QStringLiteral("cmdOpslaanCSV"), QStringLiteral("&Opslaan als CSV..."));
    cmdSluiten = makeButton(this, QStringLiteral("cmdSluiten"), QStringLiteral("&Sluiten"));
    connect(cmdAfdrukken, &QPushButton::clicked, this, [this] { cmdAfdrukken_Click(); });
    connect(cmdOpslaanCSV, &QPushButton::clicked, this, [this] { cmdOpslaanCSV_Click(); });
    connect(cmdSluiten, &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdAfdrukken);
    buttons->addWidget(cmdOpslaanCSV);
    buttons->addWidget(cmdSluiten);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblKlas);
    layout->addWidget(lblTabel);
    layout->addWidget(tblOverzicht);
    layout->addWidget(lblGrafiek);
    layout->addWidget(picGrafiek, 1);
    layout->addLayout(buttons);
    setTabOrder(tblOverzicht, picGrafiek);
    setTabOrder(picGrafiek, cmdAfdrukken);
    setTabOrder(cmdAfdrukken, cmdOpslaanCSV);
    setTabOrder(cmdOpslaanCSV, cmdSluiten);

    // Rows come in batches during a fill: one summing-up per burst of changes.
    m_recompute = new QTimer(this);
    m_recompute->setSingleShot(true);
    connect(m_recompute, &QTimer::timeout, this, [this] { recompute(); });

    resize(twips(9600), twips(9600));
    updateTexts();
}

Klasoverzichtform::~Klasoverzichtform() = default;

void Klasoverzichtform::setSource(QAbstractItemModel* model)
{
    if (model == m_source && (model || m_connections.isEmpty())) {
        scheduleRecompute();
        return;
    }
    for (const QMetaObject::Connection& connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_source = model;
    if (model) {
        const auto changed = [this] { scheduleRecompute(); };
        m_connections << connect(model, &QAbstractItemModel::modelReset, this, changed)
                      << connect(model, &QAbstractItemModel::rowsInserted, this, changed)
                      << connect(model, &QAbstractItemModel::rowsRemoved, this, changed)
                      << connect(model, &QAbstractItemModel::columnsInserted, this, changed)
                      << connect(model, &QAbstractItemModel::columnsRemoved, this, changed)
                      << connect(model, &QAbstractItemModel::columnsMoved, this, changed)
                      << connect(model, &QAbstractItemModel::dataChanged, this, changed)
                      << connect(model, &QAbstractItemModel::headerDataChanged, this, changed)
                      << connect(model, &QAbstractItemModel::layoutChanged, this, changed);
    }
    scheduleRecompute();
}

void Klasoverzichtform::setClass(const QString& documentFolder, const QString& className, const QString& courseTitle)
{
    const bool another = className != m_className;
    m_documentFolder = documentFolder;
    m_className = className;
    m_courseTitle = courseTitle;
    // Another class (or none) never shows the last class's figures, not even for a moment.
    if (another)
        recompute();
    else
        scheduleRecompute();
    updateTexts();
}

void Klasoverzichtform::setFilling(bool filling)
{
    // The end of a fill is shown at once.
    if (m_filling && !filling && m_recompute->isActive())
        m_recompute->start(0);
    m_filling = filling;
    updateTexts();
}

void Klasoverzichtform::setExportCheck(std::function<bool()> check)
{
    m_exportCheck = std::move(check);
}

void Klasoverzichtform::scheduleRecompute()
{
    // During a fill the rows may come one by one (a slow share): the figures follow at a steady
    // pace instead of summing up the whole table again for every row.
    if (!m_recompute->isActive())
        m_recompute->start(m_filling ? FillingPace : 0);
}

const QVector<ColumnFigures>& Klasoverzichtform::figures()
{
    if (m_recompute->isActive())
        recompute();
    return m_figures;
}

void Klasoverzichtform::recompute()
{
    m_recompute->stop();
    // Hidden, it waits for its next showing.
    if (!isVisible())
        return;
    const bool hasClass = m_source && !m_className.isEmpty();
    m_figures = hasClass ? ComputeFigures(*m_source) : QVector<ColumnFigures>();
    m_pupils = hasClass ? m_source->rowCount() : 0;
    showFigures();
    updateTexts();
}

void Klasoverzichtform::showFigures()
{
    m_table->setFigures(m_figures);
    picGrafiek->setBars(ChartBars(m_figures));
}

QString Klasoverzichtform::summaryText() const
{
    if (m_className.isEmpty())
        return QStringLiteral("Geen klas gekozen");
    const QString pupils = m_pupils == 1 ? QStringLiteral("1 leerling") : QStringLiteral("%1 leerlingen").arg(m_pupils);
    // Class folders are often named "Klas 1A" themselves.
    QString name = ShownName(m_className);
    if (!name.startsWith(QStringLiteral("Klas "), Qt::CaseInsensitive))
        name.prepend(QStringLiteral("Klas "));
    return QStringLiteral("%1: %2%3")
        .arg(name, pupils, m_filling ? QStringLiteral(" (bezig met inlezen...)") : QString());
}

void Klasoverzichtform::updateTexts()
{
    setWindowTitle(m_className.isEmpty() ? QStringLiteral("Klasoverzicht")
                                         : QStringLiteral("Klasoverzicht - ") + ShownName(m_className));
    lblKlas->setText(summaryText());
    lblKlas->setAccessibleName(lblKlas->text());
    const bool ready = !m_filling && !m_className.isEmpty() && m_source;
    cmdAfdrukken->setEnabled(ready);
    cmdOpslaanCSV->setEnabled(ready);
}

bool Klasoverzichtform::mayExport()
{
    if (m_filling || m_className.isEmpty() || !m_source)
        return false;
    return !m_exportCheck || m_exportCheck();
}

void Klasoverzichtform::cmdAfdrukken_Click()
{
    if (!mayExport())
        return;
    const QVector<ColumnFigures> shown = figures();
    const QString heading =
        PrintHeading(QStringLiteral("Klasoverzicht"), m_courseTitle, ShownName(m_className), QDate::currentDate());
    const QString summary = summaryText();
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(&printer);
    printer.setDocName(QStringLiteral("Klasoverzicht ") + ShownName(m_className));
    prompts().printPreview(this, &printer,
                           [&](QPrinter* target) { PrintOverviewPage(target, shown, heading, summary); });
}

void Klasoverzichtform::cmdOpslaanCSV_Click()
{
    if (!mayExport())
        return;
    const QByteArray bytes = MaakOverzichtCSV(figures());
    const QString path = ChooseExportPath(this, m_documentFolder, m_className, CsvFilter, QStringLiteral("csv"),
                                          QStringLiteral(" overzicht"));
    if (path.isEmpty())
        return;
    try {
        WriteExportFile(path, bytes);
    } catch (const RuntimeError& error) {
        ShowCreateFailure(this, error);
    }
}

void Klasoverzichtform::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    recompute();
}
