#include "Afdrukvoorbeeldform.h"

#include "Prompts.h"
#include "Twips.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

Afdrukvoorbeeldform::Afdrukvoorbeeldform(QPrinter* printer, std::function<void(QPrinter*)> paint, QWidget* parent)
    : QDialog(parent), m_printer(printer), m_paint(std::move(paint))
{
    setObjectName(QStringLiteral("Afdrukvoorbeeldform"));
    setWindowTitle(QStringLiteral("Afdrukvoorbeeld"));
    setFont(formFont());

    picVoorbeeld = new QPrintPreviewWidget(printer, this);
    picVoorbeeld->setObjectName(QStringLiteral("picVoorbeeld"));
    picVoorbeeld->setAccessibleName(QStringLiteral("Voorbeeld van de pagina's"));
    picVoorbeeld->setFocusPolicy(Qt::StrongFocus);
    connect(picVoorbeeld, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* target) { m_paint(target); });
    connect(picVoorbeeld, &QPrintPreviewWidget::previewChanged, this, [this] {
        const int pages = picVoorbeeld->pageCount();
        lblPaginas->setText(pages == 1 ? QStringLiteral("1 pagina") : QStringLiteral("%1 pagina's").arg(pages));
    });

    lblPaginas = new QLabel(this);
    lblPaginas->setObjectName(QStringLiteral("lblPaginas"));
    lblPaginas->setAccessibleName(QStringLiteral("Aantal pagina's"));
    cmdInzoomen = makeButton(this, QStringLiteral("cmdInzoomen"), QStringLiteral("In&zoomen"));
    cmdUitzoomen = makeButton(this, QStringLiteral("cmdUitzoomen"), QStringLiteral("&Uitzoomen"));
    cmdPaginabreedte = makeButton(this, QStringLiteral("cmdPaginabreedte"), QStringLiteral("&Paginabreedte"));
    cmdAfdrukken = makeButton(this, QStringLiteral("cmdAfdrukken"), QStringLiteral("&Afdrukken..."));
    cmdSluiten = makeButton(this, QStringLiteral("cmdSluiten"), QStringLiteral("&Sluiten"));
    cmdAfdrukken->setDefault(true);
    connect(cmdInzoomen, &QPushButton::clicked, picVoorbeeld, [this] { picVoorbeeld->zoomIn(); });
    connect(cmdUitzoomen, &QPushButton::clicked, picVoorbeeld, [this] { picVoorbeeld->zoomOut(); });
    connect(cmdPaginabreedte, &QPushButton::clicked, picVoorbeeld, &QPrintPreviewWidget::fitToWidth);
    connect(cmdAfdrukken, &QPushButton::clicked, this, [this] { cmdAfdrukken_Click(); });
    connect(cmdSluiten, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblPaginas);
    buttons->addStretch();
    for (QPushButton* button : {cmdInzoomen, cmdUitzoomen, cmdPaginabreedte, cmdAfdrukken, cmdSluiten})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picVoorbeeld, 1);
    layout->addLayout(buttons);
    // A4 portrait in full at a readable size on a 1024-pixel-high screen.
    resize(twips(10500), twips(13500));
    picVoorbeeld->setFocus();
}

void Afdrukvoorbeeldform::cmdAfdrukken_Click()
{
    if (!prompts().choosePrinter(this, m_printer))
        return;
    m_paint(m_printer);
    m_printed = true;
    accept();
}
