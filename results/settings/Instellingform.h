#pragma once
// The teacher's settings dialog: the pupils' data folder, the pupils' permissions, the pass grade
// (all section "Profiel" of the settings file) and the teacher password (section "Scorix").
// Apply changes the password first, then writes the six "Profiel" values, re-reads the data folder
// and asks the owner to rebuild its class tree.

#include <QDialog>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

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
    void ChangePassword();

private:
    std::function<void()> m_refreshClassTree;

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
