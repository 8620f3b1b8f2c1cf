#include "Instellingform.h"

#include "DataFolder.h"
#include "EnterKey.h"
#include "ErrorRule.h"
#include "INIfunc.h"
#include "IniDocument.h"
#include "IniNames.h"
#include "IniReader.h"
#include "Prompts.h"
#include "Runtime.h"
#include "SafeSave.h"
#include "ScrollBarKeys.h"
#include "SettingsRules.h"
#include "SharedFolder.h"
#include "TeacherPassword.h"
#include "Twips.h"
#include "modPublic.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include <cerrno>
#include <sys/stat.h>

namespace {

const QString Waarschuwing = QStringLiteral("Waarschuwing!");

// The "Profiel" keys of the window in the order they are written, as settingForm numbers them.
constexpr int ProfileKeyCount = 6;
const QString* const ProfileKeys[ProfileKeyCount] = {&DocumentFolderKey, &NewPupilKey,   &ChangePasswordKey,
                                                     &PrintKey,          &StartGradeKey, &PassGradeKey};

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
    EnterGoesToDefaultButton();
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

    QWidget* const tabOrder[] = {chkNieuweLeerling, chkWijzigenWachtwoord,
                                 chkPrinten,        chkBeginCijfer,
                                 scrVoldoende,      txtOldP,
                                 txtNewP,           txtNewP2,
                                 cmdApply,          cmdClose,
                                 txtdocumenten,     cmdBrowse};
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
    // Defaults shown for a file that is there but cannot be read must never be saved over it.
    m_unreadable = SettingsFileUnreadable(&m_readError);
    if (m_unreadable)
        ShowFailure(this, CannotReadText(SettingsFile, m_readError));
    const bool folderLoaded = RunGuarded(this, [this] {
        txtdocumenten->setText(ShownDocumentFolder(
            ReadINI(SettingsFile, ProfileSection, DocumentFolderKey, QStringLiteral("0")), ProgramFolder));
    });

    // Each value on its own: an invalid one leaves only its own control in the design state, so that
    // the next apply does not replace the other stored values by design defaults.
    const std::pair<QCheckBox*, QString> boxes[] = {{chkNieuweLeerling, NewPupilKey},
                                                    {chkWijzigenWachtwoord, ChangePasswordKey},
                                                    {chkPrinten, PrintKey},
                                                    {chkBeginCijfer, StartGradeKey}};
    bool loaded[ProfileKeyCount] = {folderLoaded};
    int index = 1;
    for (const auto& [box, key] : boxes) {
        loaded[index++] = RunGuarded(this, [&] {
            box->setCheckState(CheckStateFromSetting(ReadINI(SettingsFile, ProfileSection, key, QStringLiteral("1"))));
        });
    }

    loaded[index] = RunGuarded(this, [this] {
        scrVoldoende->setValue(
            PassGradeFromSetting(ReadINI(SettingsFile, ProfileSection, PassGradeKey, QStringLiteral("55"))));
    });
    // Also after an unreadable grade: the label then shows the position an apply would write.
    lblValue->setText(QString::number(scrVoldoende->value()));
    for (int i = 0; i < ProfileKeyCount; ++i)
        m_loaded[i] = loaded[i] ? std::optional<QString>(settingForm(i)) : std::nullopt;
}

void Instellingform::scrVoldoende_Change()
{
    lblValue->setText(QString::number(scrVoldoende->value()));
}

void Instellingform::cmdBrowse_Click()
{
    RunGuarded(this, [this] {
        const QString folder = prompts().browseFolder(
            this, QStringLiteral("Geef opslag directory voor leerlingen bestanden"), txtdocumenten->text());
        if (folder.isEmpty())
            return;
        txtdocumenten->setText(WithSeparator(folder));
    });
}

QString Instellingform::settingForm(int index) const
{
    switch (index) {
    case 0:
        return StoredDocumentFolder(txtdocumenten->text(), ProgramFolder);
    case 1:
        return CheckStateSetting(chkNieuweLeerling->checkState());
    case 2:
        return CheckStateSetting(chkWijzigenWachtwoord->checkState());
    case 3:
        return CheckStateSetting(chkPrinten->checkState());
    case 4:
        return CheckStateSetting(chkBeginCijfer->checkState());
    default:
        return QString::number(scrVoldoende->value());
    }
}

void Instellingform::cmdApply_Click()
{
    RunGuarded(this, [this] {
        if (m_unreadable) {
            ShowFailure(this, CannotReadText(SettingsFile, m_readError));
            return;
        }
        bool refused = false;
        const std::optional<PendingPassword> password = ChangePassword(&refused);
        if (refused)
            return;

        QString forms[ProfileKeyCount];
        for (int i = 0; i < ProfileKeyCount; ++i)
            forms[i] = settingForm(i);
        if (!DataFolderReady(forms[0]))
            return;
        bool passwordChangedMeanwhile = false;
        int error = 0;
        // Read inside the save: a setting someone else saved since this window loaded is kept unless
        // it was changed here too.
        const bool saved = IniDocument::update(
            SettingsFile,
            [&](IniDocument& document) {
                const QByteArray before = document.bytes();
                const IniReader current = IniReader::ofBytes(before);
                passwordChangedMeanwhile = false;
                if (password) {
                    // Another teacher changed it meanwhile: as for a wrong old password, nothing is saved.
                    passwordChangedMeanwhile =
                        current.value(PasswordSection, PasswordKey, QString()) != password->verified;
                    if (passwordChangedMeanwhile)
                        return false;
                    document.write(PasswordSection, PasswordKey, password->stored);
                }
                // Key order matters to readers of the file: this is the order the course program expects.
                for (int i = 0; i < ProfileKeyCount; ++i) {
                    const QString& key = *ProfileKeys[i];
                    // Missing: each default comes back as it was given.
                    const bool missing =
                        current.value(ProfileSection, key, QStringLiteral("0")) == QLatin1String("0") &&
                        current.value(ProfileSection, key, QStringLiteral("1")) == QLatin1String("1");
                    if (missing || m_loaded[i] != forms[i])
                        document.write(ProfileSection, key, forms[i]);
                }
                return document.bytes() != before;
            },
            &error);

        if (!saved) {
            int readError = 0;
            QString text = SettingsFileUnreadable(&readError) ? CannotReadText(SettingsFile, readError)
                                                              : NothingSavedText(SettingsFile, error);
            if (password)
                text = PasswordNotSavedText() + QLatin1Char('\n') + text;
            ShowFailure(this, text);
            return;
        }
        if (passwordChangedMeanwhile) {
            prompts().message(this, WrongOldPasswordText(), Waarschuwing, PromptIcon::Critical, PromptButtons::Ok);
            txtOldP->clear();
            return;
        }
        for (int i = 0; i < ProfileKeyCount; ++i)
            m_loaded[i] = forms[i];
        if (password) {
            ConfirmPassword(password->stored);
        }

        SetDocumentFolder();
        if (m_refreshClassTree)
            m_refreshClassTree();
    });
}

void Instellingform::cmdClose_Click()
{
    reject();
}

QString Instellingform::PasswordNotSavedText()
{
    return QStringLiteral("Het nieuwe wachtwoord kon niet worden opgeslagen in %1!")
        .arg(QDir::toNativeSeparators(SettingsFile));
}

bool Instellingform::DataFolderReady(const QString& storedForm)
{
    const QString folder = DocumentFolderOf(storedForm);
    const QString shown = QDir::toNativeSeparators(folder);
    struct stat info {};
    if (::stat(QFile::encodeName(QDir::cleanPath(folder)).constData(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return true;
        ShowFailure(this, QStringLiteral("%1 is geen map! %2").arg(shown, NothingAppliedNote));
        return false;
    }
    if (errno != ENOENT) {
        const int error = errno;
        ShowFailure(this, CannotText(QStringLiteral("de map ") + shown, QStringLiteral("openen"),
                                     SaveErrorReason(error), QStringLiteral(". ") + NothingAppliedNote));
        return false;
    }
    if (prompts().message(this, CreateDataFolderQuestion.arg(shown), Waarschuwing, PromptIcon::Question,
                          PromptButtons::YesNo) != PromptAnswer::Yes)
        return false;
    // Every missing folder on the way is made, each as a shared folder like a class folder.
    QStringList missing;
    for (QString path = QDir::cleanPath(folder); !QFileInfo::exists(path) && path != QDir::cleanPath(path + "/..");
         path = QDir::cleanPath(path + QStringLiteral("/..")))
        missing.prepend(path);
    for (const QString& path : missing) {
        if (MakeSharedFolder(QFile::encodeName(path).constData()) != 0 && errno != EEXIST) {
            const int error = errno;
            ShowFailure(this, CannotText(QStringLiteral("de map ") + QDir::toNativeSeparators(path),
                                         QStringLiteral("aanmaken"), SaveErrorReason(error),
                                         QStringLiteral(". ") + NothingAppliedNote));
            return false;
        }
    }
    return true;
}

QString Instellingform::WrongOldPasswordText()
{
    return QStringLiteral("Het oude wachtwoord is niet correct!\n") + NothingAppliedNote;
}

std::optional<Instellingform::PendingPassword> Instellingform::ChangePassword(bool* refused)
{
    std::optional<PendingPassword> pending;
    bool refusedHere = false;
    // Other failures end only the password change; the apply goes on with the other settings.
    RunGuarded(this, [this, &pending, &refusedHere] {
        if (txtOldP->text().isEmpty() && txtNewP->text().isEmpty())
            return;
        const QString stored = ReadINI(SettingsFile, PasswordSection, PasswordKey, QString());
        if (!PasswordMatches(stored, txtOldP->text())) {
            refusedHere = true;
            prompts().message(this, WrongOldPasswordText(), Waarschuwing, PromptIcon::Critical, PromptButtons::Ok);
            txtOldP->clear();
            return;
        }
        if (txtNewP2->text() != txtNewP->text()) {
            refusedHere = true;
            prompts().message(
                this, QStringLiteral("Het eerste en het tweede wachtwoord komen niet overeen!\n") + NothingAppliedNote,
                Waarschuwing, PromptIcon::Critical, PromptButtons::Ok);
            txtNewP->clear();
            txtNewP2->clear();
            return;
        }
        const QString password = txtNewP->text();
        // What the teacher types keeps the settings file's rules for a value (Windows-1252, no blanks
        // at either end, no enclosing quotes, at most 254 characters), as when it was stored as typed.
        if (const StoredFormProblem problem = StoredFormProblemOf(password); problem != StoredFormProblem::None) {
            refusedHere = true;
            prompts().message(this, PasswordRefusalText(problem) + QLatin1Char('\n') + NothingAppliedNote, Waarschuwing,
                              PromptIcon::Critical, PromptButtons::Ok);
            txtNewP->clear();
            txtNewP2->clear();
            return;
        }
        // Only the old password typed: the change would leave the program open to everyone.
        if (password.isEmpty() && prompts().message(this, PasswordRemovalQuestion, Waarschuwing, PromptIcon::None,
                                                    PromptButtons::OkCancel, PromptDefault::Safe) != PromptAnswer::Ok)
            return;
        if (!password.isEmpty() && password.size() < ShortPasswordLength &&
            prompts().message(this, ShortPasswordQuestion, Waarschuwing, PromptIcon::None, PromptButtons::OkCancel,
                              PromptDefault::Safe) != PromptAnswer::Ok)
            return;
        pending = PendingPassword{stored, StoredPasswordForm(password)};
    });
    if (refused)
        *refused = refusedHere;
    return pending;
}

void Instellingform::ConfirmPassword(const QString& storedForm)
{
    RunGuarded(this, [this, &storedForm] {
        // Only the file itself tells whether the new password is in force.
        if (ReadINI(SettingsFile, PasswordSection, PasswordKey, QString()) != storedForm)
            throw RuntimeError(75, PasswordNotSavedText());
        txtOldP->clear();
        txtNewP->clear();
        txtNewP2->clear();
        prompts().message(this, QStringLiteral("Het wachtwoord is gewijzigd!"), QStringLiteral("Wachtwoord"),
                          PromptIcon::None, PromptButtons::Ok);
    });
}
