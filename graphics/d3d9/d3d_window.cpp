// Kept apart: the window-manager header brings in the X11 headers and
// their macros.
#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdint>

#include "graphics/d3d9/d3d_state.h"

HWND GetWindowHandle() {
    SDL_SysWMinfo info;
    info.version.major = 1;
    info.version.minor = 2;
    info.version.patch = 7;
    if (SDL_GetWMInfo(&info) != 1)
        return nullptr;
#if defined(SDL_VIDEO_DRIVER_X11)
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(info.info.x11.window));
#else
    return nullptr;
#endif
}
