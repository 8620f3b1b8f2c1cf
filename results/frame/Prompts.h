#pragma once
// The one seam through which every window asks the user something or hands a file to the desktop:
// message boxes, input boxes, file and folder choosers, "open in the system viewer".
// Windows never call QMessageBox/QFileDialog/QDesktopServices themselves, so tests can replace all
// of it with a recording double.

#include <QString>

#include <functional>

class QPrinter;
class QWidget;

enum class PromptIcon { None, Critical, Question, Exclamation, Information };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };
// The button that Enter presses: the first (OK, Yes), or the one that keeps everything (Cancel,
// No) for a question whose first answer deletes or overwrites something.
enum class PromptDefault { First, Safe };

// A file chooser as the classic common dialog describes it. `filter` is kept in its stored form,
// "description|pattern|description|pattern...", and `filterIndex` counts from 1.
struct FileDialogRequest {
    QString title;
    QString filter;
    int filterIndex = 1;
    QString initialFolder;
    QString fileName;
    bool overwritePrompt = false; // save dialogs: ask before replacing an existing file
    // Save dialogs: added (after a ".") to a file name that has no "." of its own.
    QString defaultExtension;
};

class Prompts {
public:
    virtual ~Prompts() = default;
    virtual PromptAnswer message(QWidget* parent, const QString& text, const QString& title, PromptIcon icon,
                                 PromptButtons buttons, PromptDefault defaultButton) = 0;
    PromptAnswer message(QWidget* parent, const QString& text, const QString& title, PromptIcon icon,
                         PromptButtons buttons)
    {
        return message(parent, text, title, icon, buttons, PromptDefault::First);
    }
    // Returns the typed text, or the empty text on Cancel.
    virtual QString inputBox(QWidget* parent, const QString& prompt, const QString& title,
                             const QString& defaultText) = 0;
    // Return the full path chosen, or the empty text on Cancel.
    virtual QString saveFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual QString openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // Returns the chosen folder without a trailing separator, or the empty text on Cancel.
    virtual QString browseFolder(QWidget* parent, const QString& title, const QString& startFolder) = 0;
    // Opens a document in the desktop's viewer; failures are not reported.
    virtual void openDocument(const QString& path) = 0;
    // The print dialog for `printer`; true when the user chose to print.
    virtual bool choosePrinter(QWidget* parent, QPrinter* printer) = 0;
    // The pages `paint` makes on `printer`, in the preview "Afdrukvoorbeeld"; its "Afdrukken..."
    // asks choosePrinter and prints them there. True when printed.
    virtual bool printPreview(QWidget* parent, QPrinter* printer, const std::function<void(QPrinter*)>& paint) = 0;
};

// The prompts in use: the Qt implementation unless a test installed another one.
Prompts& prompts();
// Installs `replacement` (not owned); nullptr restores the Qt implementation.
void setPrompts(Prompts* replacement);

// Splits a stored filter "a|*.a|b|*.b" into the descriptions shown to the user.
QStringList filterDescriptions(const QString& storedFilter);
