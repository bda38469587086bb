#include "platform/PlainWindow.h"

#include "platform/Text.h"

#include <SDL.h>

namespace platform {
namespace {

bool InitVideo() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        return true;
    }
    // No display: fall back to the off-screen driver, which still delivers close requests.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

} // namespace

int RunPlainModalWindow(const std::wstring& title, int width, int height) {
    if (!InitVideo()) {
        return -1;
    }
    SDL_Window* window =
        SDL_CreateWindow(WideToNarrow(title).c_str(), SDL_WINDOWPOS_CENTERED,
                         SDL_WINDOWPOS_CENTERED, width, height, SDL_WINDOW_BORDERLESS);
    if (window == nullptr) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return -1;
    }
    if (SDL_Surface* surface = SDL_GetWindowSurface(window); surface != nullptr) {
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0xFF, 0xFF, 0xFF));
        SDL_UpdateWindowSurface(window);
    }
    bool running = true;
    while (running) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, 100) == 0) {
            continue;
        }
        if (event.type == SDL_QUIT) {
            running = false;
        } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
            running = false;
        }
    }
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return 0;
}

} // namespace platform
