// Starts the login window; the right password opens the results window.
#include "Resultform.h"
#include "Startupform.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The interface is Dutch, so the toolkit's own buttons (OK/Annuleren, Ja/Nee) are too.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QStringLiteral("qtbase_nl"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&toolkitTexts);

    std::unique_ptr<Resultform> resultform;
    auto* login = new Startupform();
    QObject::connect(login, &Startupform::accepted, [&resultform] {
        resultform = std::make_unique<Resultform>();
        resultform->show();
    });
    login->show();
    return app.exec();
}
