#pragma once

#include <xcb/xcb.h>

struct _XDisplay;

#include <cstdlib>
#include <memory>

// Qt's own connection to the X server and what every X11 service here needs from it.
namespace x11 {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
// An xcb reply, freed when it goes out of scope.
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// Null when the program does not run on X11.
_XDisplay* display();
xcb_connection_t* connection();
xcb_window_t rootWindow();

// Logical (device-independent) coordinates to the server's pixels and back.
double devicePixelRatio();

} // namespace x11
