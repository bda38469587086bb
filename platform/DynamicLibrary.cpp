#include "platform/DynamicLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace platform {

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& path, Binding binding,
                                                     std::string* error) {
    int flags = RTLD_NOW | RTLD_LOCAL;
    if (binding == Binding::Own) {
        flags |= RTLD_DEEPBIND;
    }
    dlerror();
    void* handle = dlopen(path.c_str(), flags);
    if (!handle) {
        if (error) {
            const char* reason = dlerror();
            *error = reason ? reason : "unknown error";
        }
        return nullptr;
    }
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

DynamicLibrary::~DynamicLibrary() {
    if (m_handle) {
        dlclose(m_handle);
    }
}

void* DynamicLibrary::Symbol(const char* name) const {
    return dlsym(m_handle, name);
}

bool IsSymbolDefinedGlobally(const char* name) {
    return dlsym(RTLD_DEFAULT, name) != nullptr;
}

bool IsSanitizerRuntime() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(memory_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

std::string MainModuleFileName() {
    char buffer[PATH_MAX + 1] = {};
    ssize_t length = readlink("/proc/self/exe", buffer, PATH_MAX);
    if (length <= 0) {
        return {};
    }
    return std::string(buffer, static_cast<size_t>(length));
}

} // namespace platform
