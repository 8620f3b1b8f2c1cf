// Enter on a GNOME desktop: the windows run on a private X server with the GTK 3 platform theme
// and get real key presses from the X server, as a teacher's keyboard gives them.
#include "Cursusform.h"
#include "Instellingform.h"
#include "ProgramFolder.h"
#include "Prompts.h"
#include "Startupform.h"
#include "Versieform.h"
#include "modPublic.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformtheme.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#undef None // an Xlib macro, and a PromptIcon

#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <typeinfo>
#include <unistd.h>

namespace {

// Waits for conditions, never for time; the deadline only ends a test whose window never came.
constexpr int Deadline = 60000;

pid_t xServer = -1;
Display* keyboard = nullptr;

// Starts Xvfb on a display it picks itself and answers ":N", or the empty text.
std::string startXServer()
{
    int ready[2];
    if (::pipe(ready) != 0)
        return {};
    xServer = ::fork();
    if (xServer == 0) {
        ::close(ready[0]);
        const std::string fd = std::to_string(ready[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ready[1]);
    std::string number;
    char c = 0;
    // Xvfb writes the number once it takes connections; end of file means it did not start.
    while (::read(ready[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(ready[0]);
    return number.empty() ? std::string() : ":" + number;
}

bool gtkThemePicked()
{
    const QPlatformTheme* theme = QGuiApplicationPrivate::platformTheme();
    return theme && std::string(typeid(*theme).name()).find("QGtk3Theme") != std::string::npos;
}

// Presses and releases a key on the X server's keyboard and returns once the program has handled
// both: the server has made the events once XSync returns, and Qt's round trip to the server comes
// back after them.
void press(KeySym symbol)
{
    const KeyCode code = XKeysymToKeycode(keyboard, symbol);
    XTestFakeKeyEvent(keyboard, code, 1, CurrentTime);
    XTestFakeKeyEvent(keyboard, code, 0, CurrentTime);
    XSync(keyboard, 0);
    QGuiApplication::sync();
    QCoreApplication::processEvents();
}

// Shows `window` with the focus on `focus` and waits until the X server gives it the keyboard.
void showWithFocus(QWidget* window, QWidget* focus)
{
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window, Deadline));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); }, Deadline));
    focus->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == focus; }, Deadline));
}

class DesktopKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gtkThemePicked()) << "Qt did not pick the GTK 3 platform theme (qt6-gtk-platformtheme)";
        const QByteArray course = "[Cursus]\r\nTitel=Typen\r\n[Modules]\r\nm1=Start\r\nm1o1=Les\r\nm1o1swf=les.swf\r\n"
                                  "m1o6=Toets\r\n";
        program.writeFile(QStringLiteral("swf/Omschrijving.ini"), course);
        program.writeFile(QStringLiteral("swf/STDOmschrijving.ini"), course);
        ASSERT_TRUE(QDir().mkpath(program.documents() + QStringLiteral("4B")));
        program.use();
    }

    TestProgram program;
};

// Enter reaches the default button from every kind of control, also inside a frame; a button
// that is neither default nor auto-default does not take it.
TEST_F(DesktopKeys, EnterPressesTheDefaultButtonInEveryWindow)
{
    const struct {
        const char* window;
        const char* focus;
    } cases[] = {
        {"Startupform", "txtpassword"},   {"Startupform", "cmdOk"},       {"Instellingform", "txtdocumenten"},
        {"Instellingform", "chkPrinten"}, {"Instellingform", "txtNewP2"}, {"Instellingform", "scrVoldoende"},
        {"Cursusform", "TreeView"},       {"Versieform", "cmdSluiten"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.window) + " / " + c.focus);
        const std::string name = c.window;
        bool pressed = false;
        const auto onPressed = [&] { pressed = true; };
        std::unique_ptr<QWidget> owned; // the login window deletes itself when it closes
        QPointer<QWidget> window;
        if (name == "Startupform") {
            auto* login = new Startupform(program.path());
            login->endProgram = [] {};
            QObject::connect(login, &Startupform::accepted, onPressed);
            window = login;
        } else if (name == "Instellingform") {
            window = (owned = std::make_unique<Instellingform>(onPressed)).get();
        } else if (name == "Cursusform") {
            window = (owned = std::make_unique<Cursusform>()).get();
            QObject::connect(static_cast<QDialog*>(window.data()), &QDialog::accepted, onPressed);
        } else {
            window = (owned = std::make_unique<Versieform>()).get();
        }
        auto* focus = window->findChild<QWidget*>(QLatin1String(c.focus));
        ASSERT_NE(focus, nullptr);
        const auto* check = qobject_cast<QCheckBox*>(focus);
        const Qt::CheckState before = check ? check->checkState() : Qt::Unchecked;
        showWithFocus(window, focus);

        press(XK_Return);
        // Versieform's only button is no default button: the window stays open.
        EXPECT_TRUE(name == "Versieform" ? window && window->isVisible()
                                         : QTest::qWaitFor([&] { return pressed; }, Deadline));
        EXPECT_EQ(check ? check->checkState() : before, before) << "Enter toggled the check box";
        if (window)
            window->close();
    }
}

// The real message box: Enter answers the default button, Escape the cancelling one.
TEST_F(DesktopKeys, QuestionsAnswerEnterWithTheirDefaultButton)
{
    struct Case {
        PromptButtons buttons;
        PromptDefault defaultButton;
        KeySym key;
        PromptAnswer answer;
    };
    const Case cases[] = {
        {PromptButtons::OkCancel, PromptDefault::Safe, XK_Return, PromptAnswer::Cancel},
        {PromptButtons::YesNo, PromptDefault::Safe, XK_Return, PromptAnswer::No},
        {PromptButtons::OkCancel, PromptDefault::First, XK_Return, PromptAnswer::Ok},
        {PromptButtons::YesNo, PromptDefault::First, XK_Return, PromptAnswer::Yes},
        {PromptButtons::OkCancel, PromptDefault::First, XK_Escape, PromptAnswer::Cancel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        QTimer::singleShot(0, [&] {
            ASSERT_TRUE(QTest::qWaitFor(
                [] {
                    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    return box && box->isActiveWindow() && QApplication::focusWidget();
                },
                Deadline));
            press(c.key);
        });
        EXPECT_EQ(prompts().message(nullptr, QStringLiteral("Wilt u de klas: 4B verwijderen?"),
                                    QStringLiteral("Waarschuwing!"), PromptIcon::None, c.buttons, c.defaultButton),
                  c.answer);
    }
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    const std::string display = startXServer();
    if (display.empty()) {
        std::fprintf(stderr, "Xvfb did not start (package xvfb)\n");
        return 1;
    }
    ::setenv("DISPLAY", display.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);
    ::unsetenv("QT_QPA_PLATFORMTHEME");
    ::unsetenv("QT_STYLE_OVERRIDE");
    keyboard = XOpenDisplay(display.c_str());
    int result = 1;
    if (keyboard) {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
        XCloseDisplay(keyboard);
    } else {
        std::fprintf(stderr, "cannot open display %s\n", display.c_str());
    }
    if (xServer > 0) {
        ::kill(xServer, SIGTERM);
        ::waitpid(xServer, nullptr, 0);
    }
    return result;
}
