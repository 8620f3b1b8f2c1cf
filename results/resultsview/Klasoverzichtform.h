#pragma once
// "Klasoverzicht": the class at a glance beside the results window. Per grade column the number of
// pupils with a number, the mean, lowest and highest, how many are below 5,5, and a chart of the
// module means. It follows the results table's model: every change is summed up again (once per
// burst of changes), so a fill shows its figures as the pupils come in.

#include "ClassFigures.h"

#include <QPointer>
#include <QVector>
#include <QWidget>

#include <functional>

class FiguresTableModel;
class MeansChart;
class QAbstractItemModel;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

class Klasoverzichtform : public QWidget {
    Q_OBJECT
public:
    explicit Klasoverzichtform(QWidget* parent = nullptr);
    ~Klasoverzichtform() override;

    // The table summed up (not owned), its columns in the order shown; null: nothing.
    void setSource(QAbstractItemModel* model);
    // The class shown (its folder's name as listed), with its course title and the data folder
    // ("/" at the end); an empty class name: no class (the root), nothing to print or save.
    void setClass(const QString& documentFolder, const QString& className, const QString& courseTitle);
    // True while the table fills: the figures so far are shown, printing and saving wait.
    void setFilling(bool filling);
    // Asked before printing or saving; false stops (the class is gone, a fill began).
    void setExportCheck(std::function<bool()> check);

    // The figures as shown, summed up now if a change is pending.
    const QVector<ColumnFigures>& figures();
    const QString& className() const { return m_className; }

    void cmdAfdrukken_Click();
    void cmdOpslaanCSV_Click();

    // Controls (objectName = member name).
    QLabel* lblKlas = nullptr;
    QLabel* lblTabel = nullptr;
    QTableView* tblOverzicht = nullptr;
    QLabel* lblGrafiek = nullptr;
    MeansChart* picGrafiek = nullptr;
    QPushButton* cmdAfdrukken = nullptr;
    QPushButton* cmdOpslaanCSV = nullptr;
    QPushButton* cmdSluiten = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void scheduleRecompute();
    void recompute();
    void showFigures();
    void updateTexts();
    bool mayExport();
    QString summaryText() const;

    QPointer<QAbstractItemModel> m_source;
    FiguresTableModel* m_table = nullptr;
    QTimer* m_recompute = nullptr;
    QVector<ColumnFigures> m_figures;
    int m_pupils = 0;
    QString m_documentFolder;
    QString m_className;
    QString m_courseTitle;
    bool m_filling = false;
    std::function<bool()> m_exportCheck;
    QVector<QMetaObject::Connection> m_connections;
};
