// What the real screen needs from X11 itself, apart from the rest so that Xlib's names (Font,
// Screen, ...) never meet the launcher's.
#pragma once

struct SDL_Window;

// When `window` lives on an X server: asks Xlib to call onLost(data) when the connection to the
// server is lost, instead of ending the process as it otherwise does, so that the launcher can
// still quit in order and save its settings. Xlib then refuses every further request quietly.
// onLost may run on any thread, inside Xlib: it must only note the loss. Does nothing on other
// drivers or with an Xlib older than 1.7. GUI thread.
void watchForDisplayLoss(SDL_Window* window, void (*onLost)(void* data), void* data);

// One round trip to the window's X server, so that a connection lost since the last request
// is reported through the watch now, before a request whose answer the caller would wait for.
// Does nothing on other drivers. GUI thread.
void checkDisplayConnection(SDL_Window* window);

// True when `window` lives on an X server that runs no window manager (by the EWMH sign: the root
// window's _NET_SUPPORTING_WM_CHECK names a live window that names itself the same way). Nobody
// then answers a full-screen request, for which SDL waits a tenth of a second. False on other
// drivers, and when it cannot be told. GUI thread.
bool onX11WithoutWindowManager(SDL_Window* window);

// The file descriptor of `window`'s X connection, to wait on beside other descriptors; -1 on
// other drivers. GUI thread.
int windowConnectionFd(SDL_Window* window);
