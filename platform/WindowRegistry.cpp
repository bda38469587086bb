// The window registry: handles to windows, the tree of top-level windows and their controls, and
// the lookups every other part of the window system makes.
#include <algorithm>

#include "platform/WindowSystem.h"

namespace platform::detail {

System& Sys() {
    // Never destroyed: threads of the program may still ask after main returns.
    static System* system = new System;
    return *system;
}

bool OnWindowThread() {
    return std::this_thread::get_id() == Sys().windowThread;
}

WindowBackend& Backend() {
    KELTO_ASSERT_WINDOW_THREAD("the backend's windows belong to the window thread");
    return *Sys().backend;
}

std::shared_ptr<WindowImpl> Find(WindowHandle handle) {
    System& s = Sys();
    std::lock_guard<std::mutex> lock(s.lock);
    auto it = s.windows.find(reinterpret_cast<uintptr_t>(handle));
    return it == s.windows.end() ? nullptr : it->second;
}

std::shared_ptr<WindowImpl> FindByNative(BackendWindowId native) {
    System& s = Sys();
    std::lock_guard<std::mutex> lock(s.lock);
    for (auto& [key, impl] : s.windows) {
        if (impl->native != 0 && impl->native == native) {
            return impl;
        }
    }
    return nullptr;
}

std::shared_ptr<WindowImpl> TopLevelOf(std::shared_ptr<WindowImpl> impl) {
    while (impl != nullptr && impl->parent != nullptr) {
        impl = Find(impl->parent);
    }
    return impl;
}

std::vector<std::shared_ptr<WindowImpl>> TopLevels() {
    System& s = Sys();
    std::vector<std::shared_ptr<WindowImpl>> result;
    std::lock_guard<std::mutex> lock(s.lock);
    for (auto& [key, impl] : s.windows) {
        if (impl->parent == nullptr) {
            result.push_back(impl);
        }
    }
    return result;
}

std::vector<WindowHandle> ChildrenOf(const WindowImpl& impl) {
    std::lock_guard<std::mutex> lock(Sys().lock);
    return impl.children;
}

WindowHandle Register(std::shared_ptr<WindowImpl> impl) {
    System& s = Sys();
    std::lock_guard<std::mutex> lock(s.lock);
    WindowHandle handle = reinterpret_cast<WindowHandle>(s.nextHandle);
    s.nextHandle += 4;
    impl->handle = handle;
    if (impl->parent != nullptr) {
        if (auto parent = s.windows.find(reinterpret_cast<uintptr_t>(impl->parent));
            parent != s.windows.end()) {
            parent->second->children.push_back(handle);
            parent->second->needsPresent = true;
        }
    }
    s.windows[reinterpret_cast<uintptr_t>(handle)] = std::move(impl);
    return handle;
}

void Unregister(const WindowImpl& impl) {
    System& s = Sys();
    std::lock_guard<std::mutex> lock(s.lock);
    s.windows.erase(reinterpret_cast<uintptr_t>(impl.handle));
    if (auto parent = s.windows.find(reinterpret_cast<uintptr_t>(impl.parent));
        parent != s.windows.end()) {
        auto& siblings = parent->second->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), impl.handle), siblings.end());
        parent->second->needsPresent = true;
    }
}

void MarkPresent(const std::shared_ptr<WindowImpl>& impl) {
    std::shared_ptr<WindowImpl> top = TopLevelOf(impl);
    if (top != nullptr) {
        std::lock_guard<std::mutex> lock(Sys().lock);
        top->needsPresent = true;
    }
}

} // namespace platform::detail
