#include "Prompts.h"

#include "Afdrukvoorbeeldform.h"
#include "DataFolder.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

namespace {

QMessageBox::Icon toQt(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Critical:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Exclamation:
        return QMessageBox::Warning;
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QStringList dialogFilters(const FileDialogRequest& request, QString* selected)
{
    const QStringList filters = filterDescriptions(request.filter);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        *selected = filters.at(request.filterIndex - 1);
    return filters;
}

QString startPath(const FileDialogRequest& request)
{
    if (request.initialFolder.isEmpty())
        return request.fileName;
    if (request.fileName.isEmpty())
        return request.initialFolder;
    return WithSeparator(request.initialFolder) + request.fileName;
}

// The toolkit's own save dialog, the same on every desktop. It reads a name in double quotes as a
// list of names ("a" "b"), so that Review "X".html would be saved as X; a typed name holding a
// quote is therefore taken whole, as the user sees it.
class SaveDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    QString chosenPath() const { return m_wholeName.isEmpty() ? selectedFiles().value(0) : m_wholeName; }

protected:
    void accept() override
    {
        auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text() : QString();
        if (!typed.contains(QLatin1Char('"'))) {
            QFileDialog::accept();
            return;
        }
        QString path = directory().absoluteFilePath(typed);
        if (!defaultSuffix().isEmpty() && !QFileInfo(path).fileName().contains(QLatin1Char('.')))
            path += QLatin1Char('.') + defaultSuffix();
        const QFileInfo info(path);
        if (info.isDir()) {
            setDirectory(path);
            edit->clear();
            return;
        }
        if (info.exists() && !testOption(DontConfirmOverwrite)) {
            const QString question =
                QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?")
                    .arg(info.fileName());
            if (QMessageBox::warning(this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) != QMessageBox::Yes)
                return;
        }
        m_wholeName = path;
        QDialog::accept();
    }

private:
    QString m_wholeName;
};

class QtPrompts final : public Prompts {
public:
    PromptAnswer message(QWidget* parent, const QString& text, const QString& title, PromptIcon icon,
                         PromptButtons buttons, PromptDefault defaultButton) override
    {
        QMessageBox box(toQt(icon), title, text, QMessageBox::NoButton, parent);
        switch (buttons) {
        case PromptButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case PromptButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case PromptButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case PromptButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        }
        // Always named: left to itself the box lets the first button in the desktop's order take
        // Enter, which is Cancel or No on some desktops.
        const bool yesNo = buttons == PromptButtons::YesNo || buttons == PromptButtons::YesNoCancel;
        if (buttons == PromptButtons::Ok)
            box.setDefaultButton(QMessageBox::Ok);
        else if (defaultButton == PromptDefault::First)
            box.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
        else
            box.setDefaultButton(buttons == PromptButtons::YesNo ? QMessageBox::No : QMessageBox::Cancel);
        switch (box.exec()) {
        case QMessageBox::Ok:
            return PromptAnswer::Ok;
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        default:
            return PromptAnswer::Cancel;
        }
    }

    QString inputBox(QWidget* parent, const QString& prompt, const QString& title, const QString& defaultText) override
    {
        QInputDialog dialog(parent);
        dialog.setWindowTitle(title);
        dialog.setLabelText(prompt);
        dialog.setTextValue(defaultText);
        dialog.setInputMode(QInputDialog::TextInput);
        // Wide enough for the title and a class or module name, like the classic input box
        // (the dialog sizes itself to its contents, so the text field sets the width).
        if (auto* field = dialog.findChild<QLineEdit*>())
            field->setMinimumWidth(340);
        return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
    }

    QString saveFile(QWidget* parent, const FileDialogRequest& request) override
    {
        QString selected;
        const QStringList filters = dialogFilters(request, &selected);
        SaveDialog dialog(parent, request.title, QString(), filters.join(QStringLiteral(";;")));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
        dialog.setDefaultSuffix(request.defaultExtension);
        if (!selected.isEmpty())
            dialog.selectNameFilter(selected);
        // After the filter: choosing a filter puts its own extension on the name in the box.
        const QFileInfo start(startPath(request));
        if (start.isDir()) {
            dialog.setDirectory(start.absoluteFilePath());
        } else {
            dialog.setDirectory(start.absolutePath());
            dialog.selectFile(start.fileName());
        }
        return dialog.exec() == QDialog::Accepted ? dialog.chosenPath() : QString();
    }

    QString openFile(QWidget* parent, const FileDialogRequest& request) override
    {
        QString selected;
        const QStringList filters = dialogFilters(request, &selected);
        return QFileDialog::getOpenFileName(parent, request.title, startPath(request),
                                            filters.join(QStringLiteral(";;")), &selected);
    }

    QString browseFolder(QWidget* parent, const QString& title, const QString& startFolder) override
    {
        return QFileDialog::getExistingDirectory(parent, title, startFolder, QFileDialog::ShowDirsOnly);
    }

    void openDocument(const QString& path) override { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

    bool choosePrinter(QWidget* parent, QPrinter* printer) override
    {
        QPrintDialog dialog(printer, parent);
        dialog.setWindowTitle(QStringLiteral("Afdrukken"));
        return dialog.exec() == QDialog::Accepted;
    }

    bool printPreview(QWidget* parent, QPrinter* printer, const std::function<void(QPrinter*)>& paint) override
    {
        Afdrukvoorbeeldform preview(printer, paint, parent);
        preview.exec();
        return preview.printed();
    }
};

QtPrompts qtPrompts;
Prompts* current = nullptr;

} // namespace

Prompts& prompts()
{
    return current ? *current : qtPrompts;
}

void setPrompts(Prompts* replacement)
{
    current = replacement;
}

QStringList filterDescriptions(const QString& storedFilter)
{
    const QStringList parts = storedFilter.split(QLatin1Char('|'));
    QStringList descriptions;
    for (qsizetype i = 0; i < parts.size(); i += 2)
        descriptions << parts.at(i);
    return descriptions;
}
