// Shared libraries loaded at run time (LoadLibrary / GetProcAddress), and the program's own file.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

class DynamicLibrary {
public:
    enum class Binding {
        // The library's references to its own exported symbols bind inside the library first,
        // so that a same-named symbol of the program never replaces one of the library's helpers.
        Own,
        // Ordinary global binding (symbols of the program come first).
        Global,
    };

    // Loads a library; null with a reason in error when it cannot be loaded.
    static std::unique_ptr<DynamicLibrary> Load(const std::string& path, Binding binding,
                                                std::string* error);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // The address of an exported symbol of this library, null when it has none.
    void* Symbol(const char* name) const;

private:
    explicit DynamicLibrary(void* handle) : m_handle(handle) {}
    void* m_handle = nullptr;
};

// Whether the running program (or a library it has loaded globally) already defines a symbol of
// this name, which would take the place of a library's own export under global binding.
bool IsSymbolDefinedGlobally(const char* name);

// Whether the program runs under a sanitizer runtime that cannot coexist with own binding.
bool IsSanitizerRuntime();

// The full host path of the running program's own file (the main module's file name).
std::string MainModuleFileName();

} // namespace platform
