#include "RunLogin.h"

#include "AppState.h"
#include "StartupLogin.h"
#include "TfrmPassInput.h"

bool RunLogin(const QString& appPath, const TAppParams& params, Prompter& prompter, QWidget* parent,
              const std::function<void()>& showRows) {
    return StartupLogin::FormActivate(appPath, params.LogPass, PasswordBox(parent), prompter,
                                      showRows);
}

bool AskAdminPassword(const TAppParams& params, Prompter& prompter, QWidget* parent) {
    return LoginPassword::Check(params.LogPass, LoginPassword::adminPrompt(), PasswordBox(parent),
                                prompter);
}
