// Starts a program and times it from just before fork to the MapNotify of its top-level window
// with the given title and _NET_WM_PID (or of the window manager's frame around it), then reports
// its memory once it has gone idle.
//
//   map_probe TITLE PROGRAM [ARGS...]
//   prints: map_ms=<ms> rss_kb=<kB> hwm_kb=<kB> idle_ms=<ms after mapping>
//
// Both timestamps come from CLOCK_MONOTONIC in this process; the map time is taken as soon as the
// event is read, so it is late by the server-to-client delivery only (tens of microseconds on an
// idle machine). The root window's SubstructureNotify is selected before the fork, so no map can
// be missed. Exit code 0 on success, 1 on a timeout or error.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

double NowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
    return a;
}

std::string Property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type) {
    xcb_get_property_reply_t* r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, type, 0, 1024), nullptr);
    std::string value;
    if (r && r->type != XCB_ATOM_NONE)
        value.assign(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
    std::free(r);
    return value;
}

// utime + stime in clock ticks; -1 once the process is gone.
long long CpuTicks(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string s;
    if (!std::getline(f, s)) return -1;
    // The command name may hold spaces; fields are counted after its closing parenthesis.
    std::istringstream rest(s.substr(s.rfind(')') + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stoll(field);
        if (i == 15) stime = std::stoll(field);
    }
    return utime + stime;
}

long StatusKb(pid_t pid, const char* key) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::size_t n = std::strlen(key);
    while (std::getline(f, line))
        if (line.compare(0, n, key) == 0 && line.size() > n && line[n] == ':') return std::atol(line.c_str() + n + 1);
    return -1;
}

struct Client {
    uint32_t pid;
    const std::string& title;
    xcb_atom_t netPid, netName, utf8;
};

// Whether w, or a window up to depth levels below it, is the program's top-level window. A window
// manager maps its frame on the root once the client inside it is mapped: the frame's MapNotify is
// the moment the window appears.
bool Holds(xcb_connection_t* c, xcb_window_t w, const Client& client, int depth) {
    const std::string p = Property(c, w, client.netPid, XCB_ATOM_CARDINAL);
    std::string name = Property(c, w, client.netName, client.utf8);
    if (name.empty()) name = Property(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
    uint32_t owner = 0;
    if (p.size() >= 4) std::memcpy(&owner, p.data(), 4);
    if (owner == client.pid && name == client.title) return true;
    if (depth == 0) return false;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
    bool found = false;
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i)
            found = Holds(c, children[i], client, depth - 1);
    }
    std::free(tree);
    return found;
}

void Stop(pid_t pid) {
    kill(pid, SIGTERM);
    const double end = NowMs() + 5000;
    while (NowMs() < end) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TITLE PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    const std::string title = argv[1];
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "map_probe: cannot connect to the X server\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t netPid = Atom(c, "_NET_WM_PID");
    const xcb_atom_t netName = Atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
    // A round trip: the event mask is in force before the program starts.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    // The program must not inherit our X connection.
    fcntl(xcb_get_file_descriptor(c), F_SETFD, FD_CLOEXEC);
    const double start = NowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    if (pid < 0) return 1;

    const double deadline = start + 30000;
    double mapped = -1;
    bool ended = false;
    pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (mapped < 0) {
        xcb_generic_event_t* e = xcb_poll_for_event(c);
        if (!e) {
            if (xcb_connection_has_error(c) || NowMs() > deadline) break;
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                ended = true;
                break;
            }
            poll(&pfd, 1, 100);
            continue;
        }
        if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            const double t = NowMs();
            const xcb_window_t w = reinterpret_cast<xcb_map_notify_event_t*>(e)->window;
            if (Holds(c, w, Client{static_cast<uint32_t>(pid), title, netPid, netName, utf8}, 3)) mapped = t;
        }
        std::free(e);
    }
    if (mapped < 0) {
        std::fprintf(stderr, "map_probe: no window \"%s\" of pid %d mapped%s\n", title.c_str(), pid,
                     ended ? " (it ended)" : "");
        if (!ended) Stop(pid);
        return 1;
    }

    // Idle: no CPU time used over 300 ms (ticks are 10 ms), or give up after 10 s.
    const double idleDeadline = mapped + 10000;
    long long last = CpuTicks(pid);
    double quietSince = NowMs();
    while (NowMs() - quietSince < 300 && NowMs() < idleDeadline) {
        usleep(50000);
        const long long now = CpuTicks(pid);
        if (now != last) {
            last = now;
            quietSince = NowMs();
        }
    }
    const double idle = NowMs() - mapped;
    const long rss = StatusKb(pid, "VmRSS");
    const long hwm = StatusKb(pid, "VmHWM");
    Stop(pid);
    xcb_disconnect(c);
    std::printf("map_ms=%.3f rss_kb=%ld hwm_kb=%ld idle_ms=%.0f\n", mapped - start, rss, hwm, idle);
    return 0;
}
