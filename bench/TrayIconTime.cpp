// tray_icon_time PANEL PROGRAM [ARGS...]: starts PROGRAM and prints the milliseconds from
// its exec to its icon mapped in the tray's panel window PANEL (the tray's socket and the
// program's window inside it both viewable), then to its "quillbox: ready" line on stderr
// ("-" for what did not come within 10 s). Ends the program with SIGTERM and waits until
// the tray is as empty as it was. With TRAY_ICON_TIME_TRACE=1 each line the program
// writes to stderr is printed too, after the time it arrived.
// Plain xcb, no Qt: the timer must not load what it measures.
#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <set>
#include <string>

namespace {

double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

int childCount(xcb_connection_t* c, xcb_window_t window) {
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr),
                                       &std::free);
    return tree ? xcb_query_tree_children_length(tree.get()) : -1;
}

void watch(xcb_connection_t* c, xcb_window_t window) {
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
}

// A socket may have taken its child before the timer watched it.
bool hasViewableChild(xcb_connection_t* c, xcb_window_t window) {
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr),
                                       &std::free);
    if (!tree)
        return false;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr),
            &std::free);
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            return true;
    }
    return false;
}

std::string ms(double value) {
    if (value < 0)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: tray_icon_time PANEL PROGRAM [ARGS...]\n", stderr);
        return 2;
    }
    const bool trace = std::getenv("TRAY_ICON_TIME_TRACE") != nullptr;
    const auto panel = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fputs("tray_icon_time: no X display\n", stderr);
        return 1;
    }
    watch(c, panel);
    const int empty = childCount(c, panel);
    int fds[2];
    if (pipe(fds) != 0)
        return 1;
    const double t0 = nowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        setenv("QUILLBOX_READY_MARKER", "1", 1);
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    close(fds[1]);

    std::set<xcb_window_t> sockets;       // new windows in the panel
    std::set<xcb_window_t> mappedSockets; // of those, the ones shown
    double icon = -1;
    double ready = -1;
    std::string pending;
    pollfd polled[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {fds[0], POLLIN, 0}};
    const auto socketShown = [&](xcb_window_t socket) {
        if (icon < 0 && mappedSockets.count(socket) && hasViewableChild(c, socket))
            icon = nowMs() - t0;
    };
    while ((icon < 0 || ready < 0) && nowMs() - t0 < 10000) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const int type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
                if (created->parent == panel) {
                    sockets.insert(created->window);
                    watch(c, created->window);
                }
            } else if (type == XCB_MAP_NOTIFY) {
                const auto* mapped = reinterpret_cast<xcb_map_notify_event_t*>(event);
                if (mapped->event == panel && sockets.count(mapped->window)) {
                    mappedSockets.insert(mapped->window);
                    socketShown(mapped->window);
                } else if (sockets.count(mapped->event)) {
                    socketShown(mapped->event);
                }
            }
            std::free(event);
        }
        if (icon >= 0 && ready >= 0)
            break;
        if (poll(polled, 2, 50) <= 0)
            continue;
        if (polled[1].revents & (POLLIN | POLLHUP)) {
            char buffer[4096];
            const ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n <= 0) {
                polled[1].fd = -1;
                continue;
            }
            const double at = nowMs() - t0;
            pending.append(buffer, static_cast<size_t>(n));
            for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (trace)
                    std::printf("  %8.1f %s\n", at, line.c_str());
                if (ready < 0 && line.find("quillbox: ready") != std::string::npos)
                    ready = at;
            }
        }
    }
    std::printf("%s %s\n", ms(icon).c_str(), ms(ready).c_str());
    std::fflush(stdout);
    // Let it settle, so the next start finds an idle machine, then end it.
    usleep(300000);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    for (int i = 0; i < 200 && childCount(c, panel) != empty; ++i)
        usleep(25000);
    xcb_disconnect(c);
    return icon < 0 ? 1 : 0;
}
