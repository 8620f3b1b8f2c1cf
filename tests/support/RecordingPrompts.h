#pragma once
// Test double for the prompts seam: records every call and answers from queues.
// Install it with ScopedPrompts; unanswered questions get Cancel / empty text.

#include "Prompts.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <deque>

struct PromptCall {
    enum Kind { Message, InputBox, SaveFile, OpenFile, BrowseFolder, OpenDocument, ChoosePrinter, PrintPreview } kind;
    QString text; // message text, input prompt, document path
    QString title;
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::Ok;
    PromptDefault defaultButton = PromptDefault::First; // message boxes
    QString defaultText;                                // input box default, browse start folder
    FileDialogRequest request;                          // file dialogs
};

class RecordingPrompts : public Prompts {
public:
    QVector<PromptCall> calls;
    std::deque<PromptAnswer> answers; // for message boxes with more than one button
    std::deque<QString> texts;        // for input boxes, file dialogs, the folder browser and printers

    using Prompts::message;
    PromptAnswer message(QWidget*, const QString& text, const QString& title, PromptIcon icon, PromptButtons buttons,
                         PromptDefault defaultButton) override;
    QString inputBox(QWidget*, const QString& prompt, const QString& title, const QString& defaultText) override;
    QString saveFile(QWidget*, const FileDialogRequest& request) override;
    QString openFile(QWidget*, const FileDialogRequest& request) override;
    QString browseFolder(QWidget*, const QString& title, const QString& startFolder) override;
    void openDocument(const QString& path) override;
    // A queued text is the PDF file the user prints to ("Afdrukken naar bestand"); none cancels.
    bool choosePrinter(QWidget*, QPrinter* printer) override;
    // As if the preview's "Afdrukken..." were pressed at once.
    bool printPreview(QWidget*, QPrinter* printer, const std::function<void(QPrinter*)>& paint) override;

    // The texts of the message boxes shown so far, in order.
    QStringList messages() const;

private:
    // A dialog that is no message box: no icon, the first button the default.
    void record(PromptCall::Kind kind, const QString& text, const QString& title, PromptButtons buttons,
                const QString& defaultText = {}, const FileDialogRequest& request = {});
    QString nextText();
};

// Installs a RecordingPrompts for the lifetime of the object.
class ScopedPrompts {
public:
    ScopedPrompts() { setPrompts(&prompts); }
    ~ScopedPrompts() { setPrompts(nullptr); }
    RecordingPrompts prompts;
};
