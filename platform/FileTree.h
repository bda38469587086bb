// Link-aware questions about Windows paths, for code that removes whole trees and must never
// follow a link into foreign content.
#pragma once

#include <string_view>

namespace platform {

// Whether the entry at a Windows path is itself a symbolic link (not followed).
bool IsLinkAt(std::wstring_view path);
// Removes the link itself, never what it points to; false when the entry is no link.
bool DeleteLinkAt(std::wstring_view path);

} // namespace platform
