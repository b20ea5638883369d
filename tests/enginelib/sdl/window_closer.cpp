// window_closer.cpp - asks an X window to close the way a window manager's close button does:
// a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW. Xvfb runs without a window manager,
// and xdotool of this Debian release has no such command.
//
//   sdl_window_closer WINDOW_ID     exit status 0 when the message was sent
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: sdl_window_closer WINDOW_ID\n");
        return 2;
    }
    const Window window = std::strtoul(argv[1], nullptr, 10);
    Display *display = XOpenDisplay(nullptr);
    if (!display || !window) {
        std::fprintf(stderr, "sdl_window_closer: no display or no window\n");
        return 1;
    }
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const Status ok = XSendEvent(display, window, False, NoEventMask, &e);
    XSync(display, False);
    XCloseDisplay(display);
    return ok ? 0 : 1;
}
