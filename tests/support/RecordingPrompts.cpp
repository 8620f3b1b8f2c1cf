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
    calls.push_back({PromptCall::InputBox,
                     prompt,
                     title,
                     PromptIcon::None,
                     PromptButtons::OkCancel,
                     PromptDefault::First,
                     defaultText,
                     {}});
    return nextText();
}

QString RecordingPrompts::saveFile(QWidget*, const FileDialogRequest& request)
{
    calls.push_back({PromptCall::SaveFile,
                     {},
                     request.title,
                     PromptIcon::None,
                     PromptButtons::OkCancel,
                     PromptDefault::First,
                     {},
                     request});
    return nextText();
}

QString RecordingPrompts::openFile(QWidget*, const FileDialogRequest& request)
{
    calls.push_back({PromptCall::OpenFile,
                     {},
                     request.title,
                     PromptIcon::None,
                     PromptButtons::OkCancel,
                     PromptDefault::First,
                     {},
                     request});
    return nextText();
}

QString RecordingPrompts::browseFolder(QWidget*, const QString& title, const QString& startFolder)
{
    calls.push_back({PromptCall::BrowseFolder,
                     {},
                     title,
                     PromptIcon::None,
                     PromptButtons::OkCancel,
                     PromptDefault::First,
                     startFolder,
                     {}});
    return nextText();
}

void RecordingPrompts::openDocument(const QString& path)
{
    calls.push_back(
        {PromptCall::OpenDocument, path, {}, PromptIcon::None, PromptButtons::Ok, PromptDefault::First, {}, {}});
}

bool RecordingPrompts::choosePrinter(QWidget*, QPrinter* printer)
{
    calls.push_back(
        {PromptCall::ChoosePrinter, {}, {}, PromptIcon::None, PromptButtons::OkCancel, PromptDefault::First, {}, {}});
    const QString file = nextText();
    if (file.isEmpty())
        return false;
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(file);
    return true;
}

bool RecordingPrompts::printPreview(QWidget* parent, QPrinter* printer, const std::function<void(QPrinter*)>& paint)
{
    calls.push_back(
        {PromptCall::PrintPreview, {}, {}, PromptIcon::None, PromptButtons::Ok, PromptDefault::First, {}, {}});
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

QString RecordingPrompts::nextText()
{
    if (texts.empty())
        return {};
    QString text = texts.front();
    texts.pop_front();
    return text;
}
