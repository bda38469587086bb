// Small stateless questions about the machine.
#pragma once

bool IsOs64Bit();
// Windows 7 (6.1) or later; logs which of the three version sources answered.
bool IsWindowsVersionSupported();
bool IsVistaOrLater();
bool IsUserAdmin();
// The developer switch setup_test_mode=1 in the debug settings file; latches on.
bool IsTestMode();
// Reads an integer key of section "root" in Documents\QorDebugConfig.ini (0 when absent).
int ReadDebugConfigInt(const wchar_t* key);
