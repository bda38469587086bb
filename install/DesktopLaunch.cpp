#include "install/DesktopLaunch.h"

#include "app/Log.h"
#include "app/Probes.h"
#include "platform/DesktopUser.h"
#include "platform/Shell.h"

DesktopUserTokenHandle GetDesktopUserToken() {
    std::string why;
    DesktopUserTokenHandle token = platform::DesktopUserToken(&why);
    if (!token) {
        LogFormat("GetDesktopUserToken: no desktop user: %s.\n", why.c_str());
    }
    return token;
}

bool LaunchAsDesktopUser(const wchar_t* file, const wchar_t* parameters,
                         const wchar_t* workingFolder, int showCommand) {
    if (!file) {
        return false;
    }
    if (!IsVistaOrLater() || !IsUserAdmin()) {
        return platform::ShellExecute(L"open", file, parameters, workingFolder, showCommand) > 32;
    }
    DesktopUserTokenHandle token = GetDesktopUserToken();
    if (!token) {
        return false;
    }
    std::wstring commandLine = L"\"" + std::wstring(file) + L"\" ";
    if (parameters) {
        commandLine += parameters;
    }
    return platform::CreateProcessWithToken(*token, file, commandLine,
                                            workingFolder ? workingFolder : L"");
}
