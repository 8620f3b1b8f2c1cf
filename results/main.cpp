// Starts the login window; the right password opens the results window.
#include "Resultform.h"
#include "Startupform.h"

#include <QApplication>
#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    std::unique_ptr<Resultform> resultform;
    auto* login = new Startupform();
    QObject::connect(login, &Startupform::accepted, [&resultform] {
        resultform = std::make_unique<Resultform>();
        resultform->show();
    });
    login->show();
    return app.exec();
}
