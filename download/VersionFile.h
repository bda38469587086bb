// The version file the setup window shows: a short plain text on the download server.
#pragma once

#include <string>

inline constexpr int kVersionFetchAttempts = 10;

// Whether a fetched answer is a version text: longer than 5 characters, starting with '1'.
bool IsAcceptedVersionText(const std::string& text);
// Up to attempts fetches one after another; the first accepted answer, or "" when none was.
std::string FetchVersionText(const char* url, int attempts = kVersionFetchAttempts);
