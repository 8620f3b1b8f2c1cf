#pragma once
// The results table keeps its columns in creation order (the fill, the sort keys, the report and
// the CSV rely on it) and only shows "Eindresultaat" second by moving its header section. Assistive
// technology is given the table as it is shown: columns, headers and cells in display order.

class QTreeWidget;

// From now on `table` reaches assistive technology as a table whose columns are in display order.
void PresentColumnsAsShown(QTreeWidget* table);
