#pragma once
// The class at a glance: for every grade column of the results table the number of pupils with a
// number, their mean, lowest and highest number and how many are below the pass line. Read from the
// table's model (the numbers its cells count as), never from the files again.

#include "ResultsTableModel.h"

#include <QColor>
#include <QString>
#include <QVector>
#include <Qt>

class QAbstractItemModel;

// Below this a grade is insufficient ("onvoldoende").
inline constexpr double PassMark = 5.5;

bool IsInsufficient(double grade);
// How an insufficient grade is drawn, and said (colour is not the only sign).
inline const QColor InsufficientColour(0xc6, 0x28, 0x28);
inline const QString InsufficientText = QStringLiteral("onvoldoende");

struct ColumnFigures {
    int column = -1; // in the model
    QString caption;
    bool isFinalResult = false;
    int count = 0; // pupils with a number
    double sum = 0;
    double lowest = 0;
    double highest = 0;
    int below = 0; // of those, below the pass mark

    void add(double grade);
    bool hasNumbers() const { return count > 0; }
    // The mean to two decimals, half away from zero: the mean as shown.
    double mean() const;
    // "4,63"; empty without numbers.
    QString meanText() const;
    // The mean as said: "4,6" for 4,60 (no trailing zeros), empty without numbers.
    QString spokenMeanText() const;
    // The lowest and highest as grades are written with a decimal comma ("7,5"), empty without numbers.
    QString lowestText() const;
    QString highestText() const;
};

// The model's columns in its own order, except the pupil names, each with its figures. The first
// column headed "Eindresultaat" is the final result; the first headed "Leerling naam" the names.
QVector<ColumnFigures> ComputeFigures(const QAbstractItemModel& model);

// The overview's table: a header row, then one row per column of figures.
QStringList FigureHeaders();
QStringList FigureRow(const ColumnFigures& column);

// A number with the decimal comma and as many decimals as it needs (up to 15 digits).
QString DutchNumber(double value);
