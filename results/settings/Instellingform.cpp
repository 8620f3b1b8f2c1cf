#include "Instellingform.h"

#include "ErrorRule.h"
#include "INIfunc.h"
#include "Prompts.h"
#include "Runtime.h"
#include "ScrollBarKeys.h"
#include "SettingsRules.h"
#include "Twips.h"
#include "modPublic.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

namespace {

const QString Profiel = QStringLiteral("Profiel");
const QString Scorix = QStringLiteral("Scorix");
const QString Wachtwoord = QStringLiteral("Wachtwoord");
const QString Waarschuwing = QStringLiteral("Waarschuwing!");

template <typename W> W* make(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* widget = new W(parent);
    widget->setObjectName(QLatin1String(name));
    setTwipsGeometry(widget, left, top, width, height);
    return widget;
}

QLineEdit* makePasswordBox(QWidget* parent, const char* name, int top)
{
    auto* box = make<QLineEdit>(parent, name, 2280, top, 1575, 300);
    box->setEchoMode(QLineEdit::Password);
    // Every typed character is drawn as "*", whatever the style's own mask character is.
    box->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    return box;
}

} // namespace

Instellingform::Instellingform(std::function<void()> refreshClassTree, QWidget* parent)
    : QDialog(parent), m_refreshClassTree(std::move(refreshClassTree))
{
    setObjectName(QStringLiteral("Instellingform"));
    setWindowTitle(QStringLiteral("Instellingen"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setFont(formFont());
    setFixedSize(twips(4185), twips(6540));

    frmGegevens = make<QGroupBox>(this, "frmGegevens", 120, 120, 3975, 735);
    frmGegevens->setTitle(QStringLiteral("Leerling gegevens opslaan in"));
    txtdocumenten = make<QLineEdit>(frmGegevens, "txtdocumenten", 120, 360, 3375, 285);
    cmdBrowse = make<QPushButton>(frmGegevens, "cmdBrowse", 3600, 360, 255, 255);
    cmdBrowse->setText(QStringLiteral("..."));
    cmdBrowse->setAccessibleName(QStringLiteral("Bladeren naar de map"));

    frmToestaan = make<QGroupBox>(this, "frmToestaan", 120, 960, 3975, 1335);
    frmToestaan->setTitle(QStringLiteral("Toestaan"));
    chkNieuweLeerling = make<QCheckBox>(frmToestaan, "chkNieuweLeerling", 120, 360, 2415, 255);
    chkNieuweLeerling->setText(QStringLiteral("Nieuwe leerling aanmaken"));
    chkWijzigenWachtwoord = make<QCheckBox>(frmToestaan, "chkWijzigenWachtwoord", 120, 600, 2655, 375);
    chkWijzigenWachtwoord->setText(QStringLiteral("Wachtwoord wijzigen"));
    chkPrinten = make<QCheckBox>(frmToestaan, "chkPrinten", 120, 960, 2775, 255);
    chkPrinten->setText(QStringLiteral("Printen"));

    frmVoldoende = make<QGroupBox>(this, "frmVoldoende", 120, 2400, 3975, 1575);
    frmVoldoende->setTitle(QStringLiteral("Toets behaald"));
    chkBeginCijfer = make<QCheckBox>(frmVoldoende, "chkBeginCijfer", 120, 360, 2655, 255);
    chkBeginCijfer->setText(QStringLiteral("Begin cijfer is 1 in plaats van 0"));
    Label4 = make<QLabel>(frmVoldoende, "Label4", 240, 720, 1695, 255);
    Label4->setText(QStringLiteral("Cijfer voor voldoende:"));
    lblValue = make<QLabel>(frmVoldoende, "lblValue", 1920, 720, 855, 255);
    scrVoldoende = make<QScrollBar>(frmVoldoende, "scrVoldoende", 120, 1080, 3615, 255);
    scrVoldoende->setOrientation(Qt::Horizontal);
    scrVoldoende->setRange(PassGradeMinimum, PassGradeMaximum);
    scrVoldoende->setFocusPolicy(Qt::StrongFocus);
    // Without tracking a drag of the thumb changes the value once, when the thumb is released.
    scrVoldoende->setTracking(false);
    ArrowKeysFollowArrowButtons(scrVoldoende);
    Label4->setBuddy(scrVoldoende);

    frmWachtwoord = make<QGroupBox>(this, "frmWachtwoord", 120, 4080, 3975, 1935);
    frmWachtwoord->setTitle(QStringLiteral("Wachtwoord wijzigen"));
    Label1 = make<QLabel>(frmWachtwoord, "Label1", 120, 360, 1815, 375);
    Label1->setText(QStringLiteral("Oud wachtwoord"));
    Label2 = make<QLabel>(frmWachtwoord, "Label2", 120, 720, 2175, 375);
    Label2->setText(QStringLiteral("Nieuw wachtwoord"));
    Label3 = make<QLabel>(frmWachtwoord, "Label3", 120, 1080, 2175, 375);
    Label3->setText(QStringLiteral("bevestig nieuw wachtwoord"));
    for (QLabel* label : {Label1, Label2, Label3})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    txtOldP = makePasswordBox(frmWachtwoord, "txtOldP", 360);
    txtNewP = makePasswordBox(frmWachtwoord, "txtNewP", 720);
    txtNewP2 = makePasswordBox(frmWachtwoord, "txtNewP2", 1080);
    // Each box is named by its own label, not by the frame's caption.
    Label1->setBuddy(txtOldP);
    Label2->setBuddy(txtNewP);
    Label3->setBuddy(txtNewP2);

    cmdApply = make<QPushButton>(this, "cmdApply", 1560, 6120, 1215, 375);
    cmdApply->setText(QStringLiteral("Toepassen"));
    cmdApply->setDefault(true);
    cmdClose = make<QPushButton>(this, "cmdClose", 2880, 6120, 1215, 375);
    cmdClose->setText(QStringLiteral("Sluiten"));

    QWidget* const tabOrder[] = {chkNieuweLeerling, chkWijzigenWachtwoord, chkPrinten, chkBeginCijfer,
                                 scrVoldoende,      txtOldP,               txtNewP,    txtNewP2,
                                 cmdApply,          cmdClose,              txtdocumenten, cmdBrowse};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    chkNieuweLeerling->setFocus();

    connect(cmdBrowse, &QPushButton::clicked, this, &Instellingform::cmdBrowse_Click);
    connect(cmdApply, &QPushButton::clicked, this, &Instellingform::cmdApply_Click);
    connect(cmdClose, &QPushButton::clicked, this, &Instellingform::cmdClose_Click);
    // A box that was greyed by its stored value goes back to two states once the teacher clicks it.
    for (QCheckBox* box : {chkNieuweLeerling, chkWijzigenWachtwoord, chkPrinten, chkBeginCijfer})
        connect(box, &QCheckBox::clicked, box, [box] { box->setTristate(false); });

    // Centred on the screen, not on the owner.
    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }

    connect(scrVoldoende, &QScrollBar::valueChanged, this, &Instellingform::scrVoldoende_Change);

    Form_Load();
}

void Instellingform::Form_Load()
{
    RunGuarded(this, [this] {
        txtdocumenten->setText(ShownDocumentFolder(ReadINI(SettingsFile, Profiel, QStringLiteral("Documenten"),
                                                           QStringLiteral("0")),
                                                   ProgramFolder));
    });

    // Each value on its own: an invalid one leaves only its own control in the design state, so that
    // the next apply does not replace the other stored values by design defaults.
    const std::pair<QCheckBox*, QString> boxes[] = {{chkNieuweLeerling, QStringLiteral("Nieuwe leerling")},
                                                    {chkWijzigenWachtwoord, QStringLiteral("Wijzigen")},
                                                    {chkPrinten, QStringLiteral("Printen")},
                                                    {chkBeginCijfer, QStringLiteral("Begincijfer")}};
    for (const auto& [box, key] : boxes) {
        RunGuarded(this, [&] {
            box->setCheckState(CheckStateFromSetting(ReadINI(SettingsFile, Profiel, key, QStringLiteral("1"))));
        });
    }

    RunGuarded(this, [this] {
        scrVoldoende->setValue(
            PassGradeFromSetting(ReadINI(SettingsFile, Profiel, QStringLiteral("Voldoende"), QStringLiteral("55"))));
    });
    // Also after an unreadable grade: the label then shows the position an apply would write.
    lblValue->setText(QString::number(scrVoldoende->value()));
}

void Instellingform::scrVoldoende_Change()
{
    lblValue->setText(QString::number(scrVoldoende->value()));
}

void Instellingform::cmdBrowse_Click()
{
    RunGuarded(this, [this] {
        QString folder = prompts().browseFolder(this, QStringLiteral("Geef opslag directory voor leerlingen bestanden"),
                                                txtdocumenten->text());
        if (folder.isEmpty())
            return;
        if (!folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        txtdocumenten->setText(folder);
    });
}

void Instellingform::cmdApply_Click()
{
    RunGuarded(this, [this] {
        ChangePassword();

        WriteINI(SettingsFile, Profiel, QStringLiteral("Documenten"),
                 StoredDocumentFolder(txtdocumenten->text(), ProgramFolder));
        // Key order matters to readers of the file: this is the order the course program expects.
        WriteINI(SettingsFile, Profiel, QStringLiteral("Nieuwe leerling"),
                 CheckStateSetting(chkNieuweLeerling->checkState()));
        WriteINI(SettingsFile, Profiel, QStringLiteral("Wijzigen"),
                 CheckStateSetting(chkWijzigenWachtwoord->checkState()));
        WriteINI(SettingsFile, Profiel, QStringLiteral("Printen"), CheckStateSetting(chkPrinten->checkState()));
        WriteINI(SettingsFile, Profiel, QStringLiteral("Begincijfer"),
                 CheckStateSetting(chkBeginCijfer->checkState()));
        WriteINI(SettingsFile, Profiel, QStringLiteral("Voldoende"), QString::number(scrVoldoende->value()));

        SetDocumentFolder();
        if (m_refreshClassTree)
            m_refreshClassTree();
    });
}

void Instellingform::cmdClose_Click()
{
    reject();
}

void Instellingform::ChangePassword()
{
    // Failures here end only the password change; the apply goes on with the other settings.
    RunGuarded(this, [this] {
        if (txtOldP->text().isEmpty() && txtNewP->text().isEmpty())
            return;
        if (ReadINI(SettingsFile, Scorix, Wachtwoord, QString()) != txtOldP->text()) {
            prompts().message(this, QStringLiteral("Het oude wachtwoord is niet correct!"), Waarschuwing,
                              PromptIcon::Critical, PromptButtons::Ok);
            txtOldP->clear();
            return;
        }
        if (txtNewP2->text() != txtNewP->text()) {
            prompts().message(this, QStringLiteral("Het eerste en het tweede wachtwoord komen niet overeen!"),
                              Waarschuwing, PromptIcon::Critical, PromptButtons::Ok);
            txtNewP->clear();
            txtNewP2->clear();
            return;
        }
        const QString password = txtNewP->text();
        // A password that would read back otherwise would lock the teacher out at the next login.
        if (const StoredFormProblem problem = StoredFormProblemOf(password); problem != StoredFormProblem::None) {
            prompts().message(this, PasswordRefusalText(problem), Waarschuwing, PromptIcon::Critical,
                              PromptButtons::Ok);
            txtNewP->clear();
            txtNewP2->clear();
            return;
        }
        WriteINI(SettingsFile, Scorix, Wachtwoord, password);
        // Writes report nothing: only the file itself tells whether the new password is in force.
        if (ReadINI(SettingsFile, Scorix, Wachtwoord, QString()) != password)
            throw RuntimeError(75, QStringLiteral("Het nieuwe wachtwoord kon niet worden opgeslagen in %1!")
                                       .arg(QDir::toNativeSeparators(SettingsFile)));
        txtOldP->clear();
        txtNewP->clear();
        txtNewP2->clear();
        prompts().message(this, QStringLiteral("Het wachtwoord is gewijzigd!"), Wachtwoord, PromptIcon::None,
                          PromptButtons::Ok);
    });
}
