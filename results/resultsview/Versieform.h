#pragma once
// The version window: the logo, the program's version and "Sluiten".

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

// "Scorix Velmora 5", CR LF, "versie <major>.<minor>".
QString VersionText(int major, int minor);
// The version text of this build (the project's version).
QString VersionText();

class Versieform : public QDialog {
    Q_OBJECT
public:
    explicit Versieform(QWidget* parent = nullptr);

    void cmdSluiten_Click();

    QGroupBox* frmFrame = nullptr;
    QLabel* picVersie = nullptr;
    QLabel* lblversieinfo = nullptr;
    QPushButton* cmdSluiten = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
