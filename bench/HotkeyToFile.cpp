// Times a full-screen capture from its hot key (Ctrl+Alt+Super+F, sent through XTEST) to
// its PNG file put in place in Quillbox's library, and the capture tool run alone
// to its file, one after the other. Needs a display with Quillbox running; hotkey-time.sh
// drives it.
//   hotkey_to_file LIBRARY_FOLDER TOOL SCRATCH_FOLDER RUNS GAP_MS
// Prints one line per run: "hotkey MS" and "tool MS".
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

double nowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Waits until a .png file appears in the watched folder `wd`: linked or renamed into
// place whole.
bool waitForPng(int fd, int wd, int timeoutMs) {
    const double deadline = nowMs() + timeoutMs;
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    while (nowMs() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(deadline - nowMs()) + 1) <= 0)
            continue;
        const ssize_t length = read(fd, buffer, sizeof buffer);
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const std::string name = event->len ? event->name : "";
            if (event->wd == wd && name.size() > 4 && name.ends_with(".png"))
                return true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return false;
}

void pressHotkey(Display* display) {
    const KeySym keys[] = {XK_Control_L, XK_Alt_L, XK_Super_L, XK_f};
    for (KeySym key : keys)
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), True, CurrentTime);
    for (int i = 3; i >= 0; --i)
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, keys[i]), False, CurrentTime);
    XFlush(display);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 6)
        return 2;
    const std::string library = argv[1], tool = argv[2], scratch = argv[3];
    const int runs = std::atoi(argv[4]);
    const int gapMs = std::atoi(argv[5]);
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const int fd = inotify_init1(IN_CLOEXEC);
    const int libraryWatch = inotify_add_watch(fd, library.c_str(), IN_MOVED_TO | IN_CREATE);
    const int scratchWatch = inotify_add_watch(fd, scratch.c_str(), IN_MOVED_TO | IN_CREATE);
    if (libraryWatch < 0 || scratchWatch < 0) {
        std::perror("inotify");
        return 1;
    }
    for (int run = 0; run < runs; ++run) {
        // Until the last thumbnail card has gone and the program is idle: the capture
        // starts with nothing to clear.
        std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
        const std::string out = scratch + "/tool-" + std::to_string(run) + ".png";
        char* arguments[] = {argv[2], const_cast<char*>("-x"), const_cast<char*>(out.c_str()),
                             nullptr};
        double start = nowMs();
        pid_t child = 0;
        if (posix_spawn(&child, tool.c_str(), nullptr, nullptr, arguments, environ) != 0 ||
            !waitForPng(fd, scratchWatch, 10000))
            return 1;
        const double alone = nowMs() - start;
        waitpid(child, nullptr, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));

        start = nowMs();
        pressHotkey(display);
        if (!waitForPng(fd, libraryWatch, 10000))
            return 1;
        std::printf("hotkey %.2f\ntool %.2f\n", nowMs() - start, alone);
        std::fflush(stdout);
    }
    XCloseDisplay(display);
    return 0;
}
