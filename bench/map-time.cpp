// Start-up benchmark tool: runs a program on the X display and prints the milliseconds from its
// start to the mapping of its first top-level window, then ends it.
//
//   zuvi-map-time TIMEOUT_MS PROGRAM [ARG...]     (prints "MAPPED <ms>" or "TIMEOUT")
#include <xcb/xcb.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TIMEOUT_MS PROGRAM [ARG...]\n", argv[0]);
        return 2;
    }
    const int timeoutMs = std::atoi(argv[1]);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // the mask is in place

    const auto t0 = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    auto elapsed = [&] { return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count(); };
    int rc = 1;
    pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (elapsed() < timeoutMs) {
        xcb_generic_event_t* ev = xcb_poll_for_event(c);
        if (!ev) {
            poll(&pfd, 1, 10);
            continue;
        }
        bool mapped = false;
        if ((ev->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            auto* m = reinterpret_cast<xcb_map_notify_event_t*>(ev);
            mapped = !m->override_redirect;
        }
        free(ev);
        if (mapped) {
            std::printf("MAPPED %.1f\n", elapsed());
            rc = 0;
            break;
        }
    }
    if (rc != 0)
        std::printf("TIMEOUT\n");
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    xcb_disconnect(c);
    return rc;
}
