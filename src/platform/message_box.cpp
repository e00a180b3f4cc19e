#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

void logMessage(const std::string& text, const std::string& caption)
{
    const bool ended = !text.empty() && text.back() == '\n';
    std::fprintf(stderr, "%s: %s%s", caption.c_str(), text.c_str(), ended ? "" : "\n");
    std::fflush(stderr);
}

bool messageBoxesWanted() { return std::getenv("QUORVANE_NO_MESSAGE_BOX") == nullptr; }

void SystemMessageBoxes::show(const std::string& text, const std::string& caption)
{
    logMessage(text, caption);
    if (!messageBoxesWanted()) return;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || SDL_strcmp(driver, "dummy") == 0 || SDL_strcmp(driver, "offscreen") == 0)
        return;
    // Fails without a window manager or core fonts; standard error has the message already.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr);
}
