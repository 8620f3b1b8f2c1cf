#pragma once
// The login window: its load sets the program-wide paths; the teacher password admits to the
// results window. Create it with new: it deletes itself when it closes.

#include <QString>
#include <QWidget>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

inline const QString PasswordErrorTitle = QStringLiteral("Error bij het invoeren van uw docenten wachtwoord");
inline const QString PasswordWrongText =
    QStringLiteral("U heeft een foutief wachtwoord opgegeven! Probeer het opnieuw");
inline const QString PasswordWrongCapsText =
    QStringLiteral("U heeft een foutief wachtwoord opgegeven, Let op CAPS-Lock staat aan!");

// True when Caps Lock is on (Xkb indicator on X11, false elsewhere); the wrong-password text says so.
bool IsCapsLockOn();
// Replaces the Caps Lock probe (tests); an empty function restores the real one.
void SetCapsLockProbe(std::function<bool()> probe);

class Startupform : public QWidget {
    Q_OBJECT
public:
    // `programFolder` empty: the folder of the running program.
    explicit Startupform(const QString& programFolder = QString(), QWidget* parent = nullptr);

    QGroupBox* frmWachtwoord;
    QLabel* lblpassword;
    QLineEdit* txtpassword;
    QPushButton* cmdOk;
    QPushButton* cmdClose;

    // What "Afsluiten" does to end the program; by default it leaves the event loop at once
    // (QCoreApplication::exit), so nothing else opens. Tests replace it.
    std::function<void()> endProgram;

    void Form_Load();
    void cmdOk_Click();
    void cmdClose_Click();

signals:
    // The right password was given: the receiver shows the results window. The login window
    // closes itself right after the signal returns.
    void accepted();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    QString m_programFolder;
};
