#include "RecordingPrompts.h"

#include <QPrinter>

PromptAnswer RecordingPrompts::message(QWidget*, const QString& text, const QString& title, PromptIcon icon,
                                       PromptButtons buttons, PromptDefault defaultButton)
{
    calls.push_back({PromptCall::Message, text, title, icon, buttons, defaultButton, {}, {}});
    if (buttons == PromptButtons::Ok)
        return PromptAnswer::Ok;
    if (answers.empty())
        return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
    const PromptAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

QString RecordingPrompts::inputBox(QWidget*, const QString& prompt, const QString& title, const QString& defaultText)
{
    record(PromptCall::InputBox, prompt, title, PromptButtons::OkCancel, defaultText);
    return nextText();
}

QString RecordingPrompts::saveFile(QWidget*, const FileDialogRequest& request)
{
    record(PromptCall::SaveFile, {}, request.title, PromptButtons::OkCancel, {}, request);
    return nextText();
}

QString RecordingPrompts::openFile(QWidget*, const FileDialogRequest& request)
{
    record(PromptCall::OpenFile, {}, request.title, PromptButtons::OkCancel, {}, request);
    return nextText();
}

QString RecordingPrompts::browseFolder(QWidget*, const QString& title, const QString& startFolder)
{
    record(PromptCall::BrowseFolder, {}, title, PromptButtons::OkCancel, startFolder);
    return nextText();
}

void RecordingPrompts::openDocument(const QString& path)
{
    record(PromptCall::OpenDocument, path, {}, PromptButtons::Ok);
}

bool RecordingPrompts::choosePrinter(QWidget*, QPrinter* printer)
{
    record(PromptCall::ChoosePrinter, {}, {}, PromptButtons::OkCancel);
    const QString file = nextText();
    if (file.isEmpty())
        return false;
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(file);
    return true;
}

bool RecordingPrompts::printPreview(QWidget* parent, QPrinter* printer, const std::function<void(QPrinter*)>& paint)
{
    record(PromptCall::PrintPreview, {}, {}, PromptButtons::Ok);
    if (!choosePrinter(parent, printer))
        return false;
    paint(printer);
    return true;
}

QStringList RecordingPrompts::messages() const
{
    QStringList list;
    for (const PromptCall& call : calls)
        if (call.kind == PromptCall::Message)
            list << call.text;
    return list;
}

void RecordingPrompts::record(PromptCall::Kind kind, const QString& text, const QString& title, PromptButtons buttons,
                              const QString& defaultText, const FileDialogRequest& request)
{
    calls.push_back({kind, text, title, PromptIcon::None, buttons, PromptDefault::First, defaultText, request});
}

QString RecordingPrompts::nextText()
{
    if (texts.empty())
        return {};
    QString text = texts.front();
    texts.pop_front();
    return text;
}
