// Prints how long the program takes from its start to its main window on the
// screen, against a bare Qt Widgets window of the same size (this program
// itself with --bare), started in turn on the same X display in the same run:
// from the start of the process until its window is mapped, and until its
// first pixels are painted. A window of that size with one line of text
// (--text) shows what the first text costs any Qt program: loading fonts.
// Each start gets a configuration folder of its own, as on a first run.
//
// Needs an X display without a window manager and with a black root window:
//   Xvfb :92 -br -nolisten tcp -screen 0 1920x1080x24 & DISPLAY=:92 ./build/bench/bench_start_window
// An argument names another program to measure instead of ./pontra.
// One figure per line: "name = value unit".
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr int kRuns = 15;
constexpr int kWidth = 300; // the main window's fixed size
constexpr int kHeight = 202;
constexpr auto kPatience = std::chrono::seconds(20);

using Clock = std::chrono::steady_clock;

struct Start {
    double mapped = 0; // seconds from the start
    double painted = 0;
};

template <typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t *x, const char *name)
{
    const Owned<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, std::uint16_t(std::strlen(name)), name), nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

std::optional<pid_t> OwnerOf(xcb_connection_t *x, xcb_window_t window, xcb_atom_t processId)
{
    const Owned<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(x, xcb_get_property(x, 0, window, processId, XCB_ATOM_CARDINAL, 0, 1), nullptr),
        &std::free);
    if (!reply || xcb_get_property_value_length(reply.get()) != 4)
        return std::nullopt;
    return pid_t(*static_cast<const std::uint32_t *>(xcb_get_property_value(reply.get())));
}

// The root window's pixel at x, y; 0 is the black of the empty screen.
std::uint32_t PixelAt(xcb_connection_t *x, xcb_window_t root, int px, int py)
{
    const Owned<xcb_get_image_reply_t> image(
        xcb_get_image_reply(
            x, xcb_get_image(x, XCB_IMAGE_FORMAT_Z_PIXMAP, root, std::int16_t(px), std::int16_t(py), 1, 1, ~0u),
            nullptr),
        &std::free);
    if (!image || xcb_get_image_data_length(image.get()) < 4)
        return 0;
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, xcb_get_image_data(image.get()), 4);
    return pixel & 0xFFFFFF;
}

std::optional<Start> Measure(xcb_connection_t *x, xcb_window_t root, std::vector<std::string> command)
{
    QTemporaryDir config;
    std::vector<std::string> environment;
    for (char **variable = environ; *variable; ++variable) {
        if (std::strncmp(*variable, "XDG_CONFIG_HOME=", 16) != 0)
            environment.emplace_back(*variable);
    }
    environment.push_back("XDG_CONFIG_HOME=" + config.path().toStdString());
    std::vector<char *> arguments;
    std::vector<char *> variables;
    for (std::string &argument : command)
        arguments.push_back(argument.data());
    for (std::string &variable : environment)
        variables.push_back(variable.data());
    arguments.push_back(nullptr);
    variables.push_back(nullptr);

    const xcb_atom_t processId = Atom(x, "_NET_WM_PID");
    const auto begin = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, arguments[0], nullptr, nullptr, arguments.data(), variables.data()) != 0)
        return std::nullopt;
    const auto seconds = [&] { return std::chrono::duration<double>(Clock::now() - begin).count(); };

    std::optional<Start> start;
    xcb_window_t window = XCB_WINDOW_NONE;
    while (!start && Clock::now() - begin < kPatience) {
        pollfd wait{xcb_get_file_descriptor(x), POLLIN, 0};
        poll(&wait, 1, 100);
        while (xcb_generic_event_t *event = xcb_poll_for_event(x)) {
            if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY && window == XCB_WINDOW_NONE) {
                const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
                if (OwnerOf(x, map->window, processId) == pid) {
                    window = map->window;
                    start = Start{seconds(), 0};
                }
            }
            std::free(event);
        }
    }
    if (start) {
        const Owned<xcb_get_geometry_reply_t> place(xcb_get_geometry_reply(x, xcb_get_geometry(x, window), nullptr),
                                                    &std::free);
        const int centreX = place ? place->x + place->width / 2 : 0;
        const int centreY = place ? place->y + place->height / 2 : 0;
        while (PixelAt(x, root, centreX, centreY) == 0 && Clock::now() - begin < kPatience)
            usleep(500);
        start->painted = seconds();
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    // The events of the ended window are not the next start's: a round trip
    // brings them all in, to be dropped.
    std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
    while (xcb_generic_event_t *event = xcb_poll_for_event(x))
        std::free(event);
    return start;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && (std::strcmp(argv[1], "--bare") == 0 || std::strcmp(argv[1], "--text") == 0)) {
        QApplication app(argc, argv);
        QWidget window;
        window.setFixedSize(kWidth, kHeight);
        if (std::strcmp(argv[1], "--text") == 0)
            new QLabel(QStringLiteral("Besucher: 0"), &window);
        window.show();
        return app.exec();
    }
    xcb_connection_t *x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "needs an X display (DISPLAY)\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return 1;
    const std::string program = argc > 1 ? argv[1] : PONTRA_PROGRAM;
    std::vector<double> bareMapped, barePainted, textPainted, mapped, painted;
    for (int run = 0; run < kRuns; ++run) {
        const auto bare = Measure(x, root, {self, "--bare"});
        const auto text = Measure(x, root, {self, "--text"});
        const auto pontra = Measure(x, root, {program});
        if (!bare || !text || !pontra) {
            std::fprintf(stderr, "a window did not appear\n");
            return 1;
        }
        bareMapped.push_back(bare->mapped);
        barePainted.push_back(bare->painted);
        textPainted.push_back(text->painted);
        mapped.push_back(pontra->mapped);
        painted.push_back(pontra->painted);
    }
    std::printf("runs = %d\n", kRuns);
    std::printf("bare_qt_window_mapped_median = %.1f ms\n", Median(bareMapped) * 1e3);
    std::printf("bare_qt_window_painted_median = %.1f ms\n", Median(barePainted) * 1e3);
    std::printf("qt_window_with_text_painted_median = %.1f ms\n", Median(textPainted) * 1e3);
    std::printf("program_window_mapped_median = %.1f ms\n", Median(mapped) * 1e3);
    std::printf("program_window_painted_median = %.1f ms\n", Median(painted) * 1e3);
    std::printf("program_to_bare_painted = %.2f x\n", Median(painted) / Median(barePainted));
    std::printf("program_to_text_painted = %.2f x\n", Median(painted) / Median(textPainted));
    xcb_disconnect(x);
    return 0;
}
