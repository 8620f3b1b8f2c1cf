#include "Prompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QUrl>

namespace {

QMessageBox::Icon toQt(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Critical: return QMessageBox::Critical;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::Exclamation: return QMessageBox::Warning;
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::None: break;
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
    QString folder = request.initialFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + request.fileName;
}

class QtPrompts final : public Prompts {
public:
    PromptAnswer message(QWidget* parent, const QString& text, const QString& title, PromptIcon icon,
                         PromptButtons buttons) override
    {
        QMessageBox box(toQt(icon), title, text, QMessageBox::NoButton, parent);
        switch (buttons) {
        case PromptButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case PromptButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case PromptButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case PromptButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Ok: return PromptAnswer::Ok;
        case QMessageBox::Yes: return PromptAnswer::Yes;
        case QMessageBox::No: return PromptAnswer::No;
        default: return PromptAnswer::Cancel;
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
        QFileDialog::Options options;
        if (!request.overwritePrompt)
            options |= QFileDialog::DontConfirmOverwrite;
        return QFileDialog::getSaveFileName(parent, request.title, startPath(request), filters.join(QStringLiteral(";;")),
                                            &selected, options);
    }

    QString openFile(QWidget* parent, const FileDialogRequest& request) override
    {
        QString selected;
        const QStringList filters = dialogFilters(request, &selected);
        return QFileDialog::getOpenFileName(parent, request.title, startPath(request), filters.join(QStringLiteral(";;")),
                                            &selected);
    }

    QString browseFolder(QWidget* parent, const QString& title, const QString& startFolder) override
    {
        return QFileDialog::getExistingDirectory(parent, title, startFolder, QFileDialog::ShowDirsOnly);
    }

    void openDocument(const QString& path) override { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }
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
