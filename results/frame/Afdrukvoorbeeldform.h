#pragma once
// The print preview: the pages as they will be printed, zoom, and "Afdrukken..." which asks for the
// printer (the prompts seam) and prints the same pages there.

#include <QDialog>

#include <functional>

class QLabel;
class QPrintPreviewWidget;
class QPrinter;
class QPushButton;

class Afdrukvoorbeeldform : public QDialog {
    Q_OBJECT
public:
    Afdrukvoorbeeldform(QPrinter* printer, std::function<void(QPrinter*)> paint, QWidget* parent = nullptr);

    // The print dialog, then the pages; closes the preview when printed.
    void cmdAfdrukken_Click();
    bool printed() const { return m_printed; }

    QPrintPreviewWidget* picVoorbeeld = nullptr;
    QLabel* lblPaginas = nullptr;
    QPushButton* cmdInzoomen = nullptr;
    QPushButton* cmdUitzoomen = nullptr;
    QPushButton* cmdPaginabreedte = nullptr;
    QPushButton* cmdAfdrukken = nullptr;
    QPushButton* cmdSluiten = nullptr;

private:
    QPrinter* m_printer;
    std::function<void(QPrinter*)> m_paint;
    bool m_printed = false;
};
