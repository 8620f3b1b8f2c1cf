#pragma once
// The teacher's settings dialog: the pupils' data folder, the pupils' permissions, the pass grade
// (all section "Profiel" of the settings file) and the teacher password (section "Scorix").
// Apply checks the password change first, then saves it with the "Profiel" values changed in the
// window in one step, re-reads the data folder and asks the owner to rebuild its class tree.

#include "TeacherPassword.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

// Asked before a change that leaves the password empty (only "Oud wachtwoord" filled in); only OK goes on.
inline const QString PasswordRemovalQuestion =
    QStringLiteral("Wilt u het wachtwoord verwijderen? Zonder wachtwoord kan iedereen het programma openen.");
// Asked before a new password shorter than ShortPasswordLength is set; Enter and Cancel keep the old one.
// Added to a refusal of the password change: the apply then saved none of the window's settings.
inline const QString NothingAppliedNote = QStringLiteral("Er is niets opgeslagen, ook de andere instellingen niet.");
// Asked when the data folder to apply does not exist; %1 is the folder.
inline const QString CreateDataFolderQuestion =
    QStringLiteral("De map %1 bestaat niet. Wilt u deze map aanmaken?\n\nKies Nee om de map te verbeteren: er wordt "
                   "dan niets opgeslagen.");
inline const QString ShortPasswordQuestion =
    QStringLiteral("Het nieuwe wachtwoord is korter dan %1 tekens. Zo'n wachtwoord is snel te raden. "
                   "Wilt u het toch gebruiken?")
        .arg(ShortPasswordLength);

class Instellingform : public QDialog {
    Q_OBJECT
public:
    // `refreshClassTree` runs at the end of every apply, after the data folder has been re-read.
    explicit Instellingform(std::function<void()> refreshClassTree = {}, QWidget* parent = nullptr);

    void Form_Load();
    void scrVoldoende_Change();
    void cmdBrowse_Click();
    void cmdApply_Click();
    void cmdClose_Click();

    // A password change that passed every check, saved by the apply together with the settings.
    struct PendingPassword {
        QString verified; // the stored value the old password was checked against
        QString stored;   // the new stored form
    };
    // Checks the password boxes and asks what it must; writes nothing. *refused: the boxes hold a
    // change that was refused (wrong old password, no match, a password that cannot be stored),
    // so the apply saves nothing at all.
    std::optional<PendingPassword> ChangePassword(bool* refused = nullptr);

private:
    // The data folder the apply would put in force is there, or the teacher had it made; false
    // leaves everything unsaved.
    bool DataFolderReady(const QString& storedForm);
    QString settingForm(int index) const;
    static QString PasswordNotSavedText();
    static QString WrongOldPasswordText();
    void ConfirmPassword(const QString& storedForm);

    std::function<void()> m_refreshClassTree;
    // Per "Profiel" key, in writing order: its stored form as loaded, or nothing when it could not
    // be loaded. Apply writes only the keys whose control differs from it (and keys missing from the file).
    std::optional<QString> m_loaded[6];
    // The settings file was there but could not be read when the window loaded; apply saves nothing.
    bool m_unreadable = false;
    int m_readError = 0;

    QGroupBox* frmGegevens;
    QLineEdit* txtdocumenten;
    QPushButton* cmdBrowse;
    QGroupBox* frmToestaan;
    QCheckBox* chkNieuweLeerling;
    QCheckBox* chkWijzigenWachtwoord;
    QCheckBox* chkPrinten;
    QGroupBox* frmVoldoende;
    QCheckBox* chkBeginCijfer;
    QLabel* Label4;
    QLabel* lblValue;
    QScrollBar* scrVoldoende;
    QGroupBox* frmWachtwoord;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* txtOldP;
    QLineEdit* txtNewP;
    QLineEdit* txtNewP2;
    QPushButton* cmdApply;
    QPushButton* cmdClose;
};
