#pragma once
// Shows a listed file or folder name as a teacher reads it (ShownName), while the item keeps the
// listed name that reaches the folder again.

#include "modsearch.h"

#include <QStyledItemDelegate>

class ShownNameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant& value, const QLocale& locale) const override
    {
        return value.typeId() == QMetaType::QString ? ShownName(value.toString())
                                                    : QStyledItemDelegate::displayText(value, locale);
    }
};
