// Resultform's menu bar and the windows its items open.

#include "Cursusform.h"
#include "Instellingform.h"
#include "Resultform.h"
#include "ScreenPointer.h"
#include "Versieform.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>

void Resultform::buildMenus()
{
    buildBestandMenu();
    buildInstellingMenu();
    buildHelpMenu();
}

void Resultform::buildBestandMenu()
{
    mnuBestand = menuBar()->addMenu(QStringLiteral("&Bestand"));
    mnuBestand->setObjectName(QStringLiteral("mnuBestand"));
    mnuMaakHTMLbestand = mnuBestand->addAction(QStringLiteral("&Sla resultaten op als HTML"));
    mnuMaakHTMLbestand->setObjectName(QStringLiteral("mnuMaakHTMLbestand"));
    mnuExporteerCSV = mnuBestand->addAction(QStringLiteral("&Exporteer als CSV..."));
    mnuExporteerCSV->setObjectName(QStringLiteral("mnuExporteerCSV"));
    mnuKlasoverzicht = mnuBestand->addAction(QStringLiteral("&Klasoverzicht..."));
    mnuKlasoverzicht->setObjectName(QStringLiteral("mnuKlasoverzicht"));
    mnuAfdrukken = mnuBestand->addAction(QStringLiteral("&Afdrukken..."));
    mnuAfdrukken->setObjectName(QStringLiteral("mnuAfdrukken"));
    for (QAction* item : {mnuExporteerCSV, mnuKlasoverzicht, mnuAfdrukken})
        connect(mnuMaakHTMLbestand, &QAction::enabledChanged, item, &QAction::setEnabled);
    mnuBestandHypen = mnuBestand->addSeparator();
    mnuBestandHypen->setObjectName(QStringLiteral("mnuBestandHypen"));
    mnuBestandAfsluiten = mnuBestand->addAction(QStringLiteral("&Afsluiten"));
    mnuBestandAfsluiten->setObjectName(QStringLiteral("mnuBestandAfsluiten"));
    connect(mnuBestandAfsluiten, &QAction::triggered, this, [this] { mnuBestandAfsluiten_Click(); });
}

void Resultform::buildInstellingMenu()
{
    // Its items come with the settings window and the course editor.
    mnuInstelling = menuBar()->addMenu(QStringLiteral("&Instellingen"));
    mnuInstelling->setObjectName(QStringLiteral("mnuInstelling"));
    mnuInstellingenWijzigen = mnuInstelling->addAction(QStringLiteral("&Programma wijzigen..."));
    mnuInstellingenWijzigen->setObjectName(QStringLiteral("mnuInstellingenWijzigen"));
    connect(mnuInstellingenWijzigen, &QAction::triggered, this, [this] { mnuInstellingenWijzigen_Click(); });
    mnuInstellingenCursusInhoud = mnuInstelling->addAction(QStringLiteral("Cursus inhoud wijzigen..."));
    mnuInstellingenCursusInhoud->setObjectName(QStringLiteral("mnuInstellingenCursusInhoud"));
    connect(mnuInstellingenCursusInhoud, &QAction::triggered, this, [this] { mnuInstellingenCursusInhoud_Click(); });
}

void Resultform::buildHelpMenu()
{
    MnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    MnuHelp->setObjectName(QStringLiteral("MnuHelp"));
    MnuHelpVersie = MnuHelp->addAction(QStringLiteral("&Versie..."));
    MnuHelpVersie->setObjectName(QStringLiteral("MnuHelpVersie"));
    connect(MnuHelpVersie, &QAction::triggered, this, [this] { MnuHelpVersie_Click(); });
}

void Resultform::mnuBestandAfsluiten_Click()
{
    // Ends the program without asking; a fill in progress stops at its next step, its reads
    // not yet begun dropped.
    m_ending = true;
    m_reads.cancel();
    QCoreApplication::exit(0);
}

void Resultform::mnuInstellingenWijzigen_Click()
{
    Instellingform form([this] { FillTreeView(); }, this);
    form.exec();
}

void Resultform::mnuInstellingenCursusInhoud_Click()
{
    SetScreenBusy();
    Cursusform form(this);
    form.exec();
    SetScreenDefault();
}

void Resultform::MnuHelpVersie_Click()
{
    Versieform form(this);
    form.exec();
}
