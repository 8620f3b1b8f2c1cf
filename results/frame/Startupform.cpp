#include "Startupform.h"

#include "CourseFile.h"
#include "EnterKey.h"
#include "ErrorRule.h"
#include "INIfunc.h"
#include "IniNames.h"
#include "Prompts.h"
#include "SafeSave.h"
#include "TeacherPassword.h"
#include "Twips.h"
#include "modPublic.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>

Startupform::Startupform(const QString& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), m_programFolder(programFolder)
{
    setObjectName(QStringLiteral("Startupform"));
    EnterGoesToDefaultButton();
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(formFont());
    setFixedSize(twips(5820), twips(1410));

    frmWachtwoord = new QGroupBox(QStringLiteral("Beveiliging"), this);
    frmWachtwoord->setObjectName(QStringLiteral("frmWachtwoord"));
    setTwipsGeometry(frmWachtwoord, 120, 120, 5655, 1215);
    // The classic frame look: the caption sits on the border line, so the buttons near the top
    // are inside the frame. Only the frame itself takes this style, not its controls.
    if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows"))) {
        classic->setParent(frmWachtwoord);
        frmWachtwoord->setStyle(classic);
    }

    lblpassword = new QLabel(QStringLiteral("Geef Wachtwoord op:"), frmWachtwoord);
    lblpassword->setObjectName(QStringLiteral("lblpassword"));
    setTwipsGeometry(lblpassword, 120, 480, 1695, 255);

    txtpassword = new QLineEdit(frmWachtwoord);
    txtpassword->setObjectName(QStringLiteral("txtpassword"));
    txtpassword->setEchoMode(QLineEdit::Password);
    // The desktop's own mask character varies; the window shows "*".
    txtpassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    txtpassword->setToolTip(QStringLiteral("Typ hier uw docenten-wachtwoord"));
    setTwipsGeometry(txtpassword, 1800, 480, 2295, 300);
    lblpassword->setBuddy(txtpassword);

    cmdOk = new QPushButton(QStringLiteral("OK"), frmWachtwoord);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    setTwipsGeometry(cmdOk, 4320, 240, 1095, 375);

    cmdClose = new QPushButton(QStringLiteral("Afsluiten"), frmWachtwoord);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    setTwipsGeometry(cmdClose, 4320, 720, 1095, 375);

    setTabOrder(txtpassword, cmdOk);
    setTabOrder(cmdOk, cmdClose);

    connect(cmdOk, &QPushButton::clicked, this, &Startupform::cmdOk_Click);
    connect(cmdClose, &QPushButton::clicked, this, &Startupform::cmdClose_Click);

    endProgram = [] { QCoreApplication::exit(0); };

    Form_Load();
}

void Startupform::Form_Load()
{
    RunGuarded(this, [this] {
        if (m_programFolder.isEmpty())
            SetPaths();
        else
            SetPaths(m_programFolder);
        SetDocumentFolder();
        setWindowTitle(ApplicationTitle + QStringLiteral(" - ") + ReadCourseTitle(CourseFile));
    });
}

void Startupform::cmdOk_Click()
{
    bool admitted = false;
    RunGuarded(this, [this, &admitted] {
        const QString typed = txtpassword->text();
        // A settings file that is there but cannot be read (no rights, the share gone) is not one
        // without a password.
        int error = 0;
        if (SettingsFileUnreadable(&error)) {
            prompts().message(this, CannotReadText(SettingsFile, error), PasswordErrorTitle, PromptIcon::Critical,
                              PromptButtons::Ok);
            return;
        }
        const QString stored = ReadINI(SettingsFile, PasswordSection, PasswordKey, QString());
        if (PasswordMatches(stored, typed)) {
            admitted = true;
            return;
        }
        prompts().message(this, IsCapsLockOn() ? PasswordWrongCapsText : PasswordWrongText, PasswordErrorTitle,
                          PromptIcon::Critical, PromptButtons::Ok);
    });
    if (!admitted)
        return;
    // The results window is shown before this one closes, so the program never has no window.
    emit accepted();
    close();
}

void Startupform::cmdClose_Click()
{
    hide();
    if (endProgram)
        endProgram();
}

void Startupform::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A focused button takes Enter itself; everywhere else Enter means OK.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        else
            cmdOk->click();
        return;
    case Qt::Key_Escape:
        cmdClose->click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

bool Startupform::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        txtpassword->setFocus();
    return QWidget::event(event);
}

// Last in the file: Xlib's macros (None, KeyPress, Bool...) would clash with the names above.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace {

std::function<bool()> capsLockProbe;

bool xkbCapsLock()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    bool on = false;
    int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) {
        const Atom capsName = XInternAtom(display, "Caps Lock", True);
        Bool state = False;
        if (capsName != None && XkbGetNamedIndicator(display, capsName, nullptr, &state, nullptr, nullptr)) {
            on = state;
        } else {
            unsigned int indicators = 0;
            if (XkbGetIndicatorState(display, XkbUseCoreKbd, &indicators) == Success)
                on = indicators & 1; // Caps Lock is the first indicator on standard keymaps
        }
    }
    XCloseDisplay(display);
    return on;
}

} // namespace

bool IsCapsLockOn()
{
    if (capsLockProbe)
        return capsLockProbe();
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    return xkbCapsLock();
}

void SetCapsLockProbe(std::function<bool()> probe)
{
    capsLockProbe = std::move(probe);
}
