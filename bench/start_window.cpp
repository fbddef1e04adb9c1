// Prints what the program's start costs against a bare Qt Widgets window
// of the main window's size with one label (this program itself with
// --text), started in turn on the same X display in the same run: the time
// from the start of the process until its window is mapped and until its
// first pixels are painted, the CPU time the process had used when its window
// was mapped, and its resident memory once the window is painted and the
// process has gone idle. A window of that size without text (--bare) is
// measured too: the label's share is what loading fonts costs any Qt program.
// Each start gets configuration, data and runtime folders of its own, as on
// a first run in a fresh session (the runtime folder in memory, as
// /run/user/UID is). Per start one line; then the medians, and the medians
// of the ratios program/labelled window over the interleaved runs.
//
// Needs an X display without a window manager and with a black root window:
//   Xvfb :92 -br -nolisten tcp -screen 0 1920x1080x24 & DISPLAY=:92 ./build/bench/bench_start_window
// Arguments: --runs N (21 unless given), then optionally the programs to
// measure instead of ./pontra, each in every run (an earlier build beside
// this one: before and after under the same load).
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr int kDefaultRuns = 21;
constexpr int kWidth = 300; // the main window's fixed size
constexpr int kHeight = 202;
constexpr auto kPatience = std::chrono::seconds(20);
// Idle: less CPU than this used over the quiet span.
constexpr double kIdleCpu = 0.5e-3;
constexpr auto kQuietSpan = std::chrono::milliseconds(300);

using Clock = std::chrono::steady_clock;

struct Start {
    double mapped = 0; // seconds from the start
    double painted = 0;
    double cpuAtMap = 0; // seconds on a CPU, all threads
    double rssIdle = 0;  // MB
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

// The CPU time of the process's threads so far, in nanoseconds as the
// scheduler counts it: /proc/PID/stat's utime and stime come in 10 ms ticks,
// too coarse for a start of some 20 ms.
double CpuSeconds(pid_t pid)
{
    double sum = 0;
    std::error_code error;
    for (const auto &thread : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream schedstat(thread.path() / "schedstat");
        long long onCpu = 0;
        if (schedstat >> onCpu)
            sum += double(onCpu) * 1e-9;
    }
    return sum;
}

double ResidentMegabytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0; // kB
    }
    return 0;
}

std::optional<Start> Measure(xcb_connection_t *x, xcb_window_t root, std::vector<std::string> command)
{
    QTemporaryDir config;
    QTemporaryDir data;
    // In memory, as a desktop session's /run/user/UID: the single-copy lock
    // is synced to its disk, which on a disk folder costs the start 10 ms
    // and more no session pays.
    QTemporaryDir runtime(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                              ? QStringLiteral("/dev/shm/pontra-bench-XXXXXX")
                              : QDir::tempPath() + QStringLiteral("/pontra-bench-XXXXXX"));
    std::vector<std::string> environment;
    for (char **variable = environ; *variable; ++variable) {
        const std::string_view entry(*variable);
        if (!entry.starts_with("XDG_CONFIG_HOME=") && !entry.starts_with("XDG_DATA_HOME=")
            && !entry.starts_with("XDG_RUNTIME_DIR="))
            environment.emplace_back(entry);
    }
    environment.push_back("XDG_CONFIG_HOME=" + config.path().toStdString());
    environment.push_back("XDG_DATA_HOME=" + data.path().toStdString());
    environment.push_back("XDG_RUNTIME_DIR=" + runtime.path().toStdString());
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
                    // At once: the process goes on to paint meanwhile.
                    const double cpu = CpuSeconds(pid);
                    start = Start{seconds(), 0, cpu, 0};
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
        // Idle once a quiet span passes without CPU use worth the name.
        double cpu = CpuSeconds(pid);
        auto quietSince = Clock::now();
        while (Clock::now() - quietSince < kQuietSpan && Clock::now() - begin < kPatience) {
            usleep(20'000);
            const double now = CpuSeconds(pid);
            if (now - cpu > kIdleCpu) {
                cpu = now;
                quietSince = Clock::now();
            }
        }
        start->rssIdle = ResidentMegabytes(pid);
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
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Series {
    std::vector<double> mapped, painted, cpuAtMap, rssIdle;

    void Add(const Start &start)
    {
        mapped.push_back(start.mapped * 1e3);
        painted.push_back(start.painted * 1e3);
        cpuAtMap.push_back(start.cpuAtMap * 1e3);
        rssIdle.push_back(start.rssIdle);
    }
    void PrintMedians(const char *name) const
    {
        std::printf("%s_mapped_median = %.1f ms\n", name, Median(mapped));
        std::printf("%s_painted_median = %.1f ms\n", name, Median(painted));
        std::printf("%s_cpu_to_map_median = %.1f ms\n", name, Median(cpuAtMap));
        std::printf("%s_rss_idle_median = %.1f MB\n", name, Median(rssIdle));
    }
};

// The median over the runs of one run's program/yardstick ratio.
double RatioMedian(const std::vector<double> &program, const std::vector<double> &yardstick)
{
    std::vector<double> ratios;
    for (std::size_t run = 0; run < program.size(); ++run)
        ratios.push_back(program[run] / yardstick[run]);
    return Median(ratios);
}

void PrintStart(int run, const char *name, const Start &start)
{
    std::printf("run %d %s: mapped %.1f ms, painted %.1f ms, cpu to map %.1f ms, rss idle %.1f MB\n", run, name,
                start.mapped * 1e3, start.painted * 1e3, start.cpuAtMap * 1e3, start.rssIdle);
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
    int runs = kDefaultRuns;
    int next = 1;
    if (argc > 2 && std::strcmp(argv[1], "--runs") == 0) {
        runs = std::atoi(argv[2]);
        next = 3;
    }
    if (runs < 1) {
        std::fprintf(stderr, "--runs needs a positive number\n");
        return 1;
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
    // A second program, e.g. an earlier build, is measured in the same
    // runs, for a comparison under the same load.
    std::vector<std::string> programs;
    for (int argument = next; argument < argc; ++argument)
        programs.emplace_back(argv[argument]);
    if (programs.empty())
        programs.emplace_back(PONTRA_PROGRAM);
    Series bare, text;
    std::vector<Series> measured(programs.size());
    for (int run = 0; run < runs; ++run) {
        // The order turns round, so that no start always follows the same
        // one, whose caches it would find warm.
        std::vector<std::vector<std::string>> commands{{self, "--text"}};
        for (const std::string &program : programs)
            commands.push_back({program});
        std::vector<std::optional<Start>> starts(commands.size());
        const auto bareStart = Measure(x, root, {self, "--bare"});
        for (std::size_t turn = 0; turn < commands.size(); ++turn) {
            const std::size_t which = (turn + std::size_t(run)) % commands.size();
            starts[which] = Measure(x, root, commands[which]);
        }
        if (!bareStart || std::find(starts.begin(), starts.end(), std::nullopt) != starts.end()) {
            std::fprintf(stderr, "a window did not appear\n");
            return 1;
        }
        PrintStart(run, "bare", *bareStart);
        PrintStart(run, "label", *starts[0]);
        bare.Add(*bareStart);
        text.Add(*starts[0]);
        for (std::size_t program = 0; program < programs.size(); ++program) {
            PrintStart(run, programs[program].c_str(), *starts[program + 1]);
            measured[program].Add(*starts[program + 1]);
        }
        std::fflush(stdout);
    }
    std::printf("runs = %d\n", runs);
    bare.PrintMedians("bare_qt_window");
    text.PrintMedians("qt_window_with_label");
    for (std::size_t program = 0; program < programs.size(); ++program) {
        // The first program under the plain names, a further one numbered.
        const std::string name = program == 0 ? "program" : "program" + std::to_string(program + 1);
        const Series &series = measured[program];
        std::printf("%s = %s\n", name.c_str(), programs[program].c_str());
        series.PrintMedians((name + "_window").c_str());
        std::printf("%s_to_label_mapped = %.2f x\n", name.c_str(), RatioMedian(series.mapped, text.mapped));
        std::printf("%s_to_label_painted = %.2f x\n", name.c_str(), RatioMedian(series.painted, text.painted));
        std::printf("%s_to_label_cpu_to_map = %.2f x\n", name.c_str(), RatioMedian(series.cpuAtMap, text.cpuAtMap));
        std::printf("%s_to_label_rss_idle = %.2f x\n", name.c_str(), RatioMedian(series.rssIdle, text.rssIdle));
    }
    xcb_disconnect(x);
    return 0;
}
