// The steps of the install sequence that need no window: naming and placing the package file,
// the installation identifier, and handing over to an installed program.
#pragma once

#include <string>

// The package's file name: the registry name, then "(" + the version text's first 8
// characters + ")" when the version text is longer than 8 characters, then ".exe". Only a plain
// dotted version goes in, so that a text from the server can never reach outside the package
// folder.
std::string PackageFileName(const std::string& registryName, const std::string& versionText);

// The folder the package is downloaded to: the parent of the user's Documents folder,
// "Downloads", "Kelto Clipwave Converter". Created when create is set.
std::wstring PackageFolder(bool create);

// A new installation identifier: 256 consecutive values of rand() as 32-bit little-endian
// integers, hashed with MD5, 32 lower-case hexadecimal digits.
std::string MakeInstallId();

// The hand-over parameters: "/install", " /add_plan" when joining, " /ID:" + the identifier
// when there is one, " /new " for a new user, " /time:<seconds> " when the seconds are not 0.
std::string InstallParameters(bool join, const std::string& installId, bool isNew,
                              unsigned downloadSeconds);

// How a hand-over is awaited: polls every pollMilliseconds, at most maxPolls times.
struct HandOverWait {
    unsigned pollMilliseconds = 100;
    int maxPolls = 102;
};

// Runs one installed program with the hand-over parameters through the shell ("runas",
// hidden) and waits until no process of its executable name runs any more, at most the wait's
// polls; a program still running then is terminated. Logs every step. A missing program file
// is logged and skipped. Install thread.
void RunMainExeInstall(const std::wstring& executablePath, const std::wstring& executableName,
                       const std::string& parameters, const HandOverWait& wait = {});
