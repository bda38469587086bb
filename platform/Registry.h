// The registry of the emulated machine: the roots HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, each
// one text hive file in the platform root ("registry/HKLM.reg", "registry/HKCU.reg").
//
// Key paths compare without case and keep the case they were created with. Values are REG_SZ
// (narrow text, stored size = length + 1 for the terminating zero), REG_DWORD or raw bytes.
// Every change locks the hive, re-reads it, applies itself, writes a temporary file, flushes it
// and renames it over the hive: a crash never leaves a half-written hive and two processes that
// write at the same time both keep their values.
//
// The hive format, one key per block:
//   KELTO REGISTRY HIVE 1
//   [SOFTWARE\Kelto\Example]
//   "Name"=sz:13:"text with \"escapes\"\\"
//   "Count"=dword:0000002a
//   "Blob"=hex:4:01,02,03,04
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class RegistryRoot { LocalMachine, CurrentUser };

inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;

// Access flags that matter here; the others are accepted and ignored.
inline constexpr uint32_t kKeyAllAccess = 0xF003F;
inline constexpr uint32_t kKeyRead = 0x20019;
inline constexpr uint32_t kKeyWow64_64Key = 0x0100;
inline constexpr uint32_t kKeyWow64_32Key = 0x0200;

// Windows error codes the registry returns.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;

// An open key: the root and the key's path as stored, after the 32-bit view has been applied.
struct RegistryKeyHandle {
    RegistryRoot root = RegistryRoot::LocalMachine;
    std::string path;
    bool open = false;
};

// The path a key has in the store: with kKeyWow64_32Key on a 64-bit system, keys below
// HKLM\SOFTWARE move to HKLM\SOFTWARE\WOW6432Node (a 32-bit process gets that view by default,
// so kKeyWow64_64Key is needed to reach the native one).
std::string RegistryViewPath(RegistryRoot root, std::string_view subKey, uint32_t access);

// Key paths holding a control character are refused with kErrorInvalidParameter by every call
// that takes one. Value names may hold any byte but zero and read back exactly.

// Opens a key, creating every missing key along the path.
long RegistryCreateKey(RegistryRoot root, std::string_view subKey, uint32_t access,
                       RegistryKeyHandle* key);
// Opens an existing key; kErrorFileNotFound when it does not exist.
long RegistryOpenKey(RegistryRoot root, std::string_view subKey, uint32_t access,
                     RegistryKeyHandle* key);
// Writes a value; the key is created again if another process deleted it meanwhile.
long RegistrySetValue(const RegistryKeyHandle& key, std::string_view name, uint32_t type,
                      const void* data, uint32_t size);
// Reads a value. With data null only type and size are answered; with a buffer too small the
// size needed is stored and kErrorMoreData returned.
long RegistryQueryValue(const RegistryKeyHandle& key, std::string_view name, uint32_t* type,
                        void* data, uint32_t* size);
long RegistryDeleteValue(const RegistryKeyHandle& key, std::string_view name);
// Deletes a key and everything below it.
long RegistryDeleteKey(RegistryRoot root, std::string_view subKey, uint32_t access);
// Names of the values of a key, in the order they were first written.
long RegistryListValues(const RegistryKeyHandle& key, std::vector<std::string>* names);

// Called after half of a new hive has been written to its temporary file, before it is flushed
// and renamed. Tests use it to kill a writer in the middle of a write.
void SetHiveWriteHookForTesting(std::function<void()> hook);

} // namespace platform
