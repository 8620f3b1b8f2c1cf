#include "ErrorRule.h"

#include "Prompts.h"
#include "Runtime.h"

void ShowFailure(QWidget* parent, const QString& description)
{
    prompts().message(parent, description, ErrorTitle, PromptIcon::Critical, PromptButtons::Ok);
}

bool RunGuarded(QWidget* parent, const std::function<void()>& body)
{
    try {
        body();
        return true;
    } catch (const RuntimeError& error) {
        ShowFailure(parent, error.description());
    } catch (const std::exception& error) {
        ShowFailure(parent, QString::fromLocal8Bit(error.what()));
    }
    return false;
}
