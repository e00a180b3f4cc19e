#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

void SystemMessageBoxes::show(const std::string& text, const std::string& caption)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    if (std::getenv("QUORVANE_NO_MESSAGE_BOX") != nullptr) return;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || SDL_strcmp(driver, "dummy") == 0 || SDL_strcmp(driver, "offscreen") == 0)
        return;
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr);
}
