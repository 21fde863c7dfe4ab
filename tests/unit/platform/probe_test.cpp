// SPDX-License-Identifier: GPL-3.0-or-later
// The window test program, run headless with an input script and, when a
// virtual X display is at hand, as a real window.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifdef CORVANTA_HAVE_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

#include "platform/core/settings.h"
#include "platform/core/viewport.h"
#include "support/flc_writer.h"
#include "test_environment.h"

namespace {

namespace fs = std::filesystem;
using Environment = std::map<std::string, std::optional<std::string>>;  // nullopt: unset

struct Finished {
    int status = -1;  // -1: killed after the time-out
    std::string out, err;
};

class Child {
public:
    Child(const std::vector<std::string>& args, const Environment& environment, const fs::path& folder)
        : out_(folder / ("out" + std::to_string(++count_))), err_(folder / ("err" + std::to_string(count_))) {
        pid_ = ::fork();
        if (pid_ != 0) return;
        if (::chdir(folder.c_str()) != 0) ::_exit(126);
        for (const auto& [name, value] : environment) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        int out = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv;
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    void Signal(int number) const {
        if (pid_ > 0) ::kill(pid_, number);
    }

    Finished Wait(std::chrono::seconds limit) {
        Finished finished;
        auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (pid_ > 0) {
            pid_t done = ::waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                pid_ = 0;
                if (WIFEXITED(status)) finished.status = WEXITSTATUS(status);
            } else if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
                pid_ = 0;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        finished.out = test::ReadText(out_);
        finished.err = test::ReadText(err_);
        return finished;
    }

private:
    static inline int count_ = 0;
    pid_t pid_ = -1;
    fs::path out_, err_;
};

Finished RunProbe(const std::vector<std::string>& options, Environment environment, const fs::path& folder) {
    std::vector<std::string> args{PROBE_PROGRAM};
    args.insert(args.end(), options.begin(), options.end());
    environment.emplace("CORVANTA_DRIVER", "headless");
    environment.emplace("CORVANTA_TRACE", (folder / "trace.txt").string());
    for (const char* name :
         {"CORVANTA_SCREEN", "CORVANTA_CLIENT", "CORVANTA_PALETTE", "CORVANTA_INPUT", "CORVANTA_MAX_MS"})
        environment.emplace(name, std::nullopt);
    return Child(args, environment, folder).Wait(std::chrono::seconds(30));
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(Probe, HeadlessInputReachesTheWindowInScriptOrder) {
    fs::path folder = test::MakeTempDir("probe-headless");
    test::WriteText(folder / "input.txt",
                    "10 click 20 30\n"
                    "20 key a\n"
                    "30 key 0x20\n"
                    "40 message 1374 5\n"
                    "50 snapshot shot.png\n"
                    "60 resize 320 200\n"
                    "70 wiggle\n"
                    "80 key escape\n");
    Environment environment{{"CORVANTA_INPUT", (folder / "input.txt").string()}};
    Finished run = RunProbe({}, environment, folder);
    EXPECT_EQ(run.status, 0) << run.err;
    auto trace = test::TraceLines(folder / "trace.txt");
    const char* expected[] = {"0\tprobe\tpaint\t640\t480",
                              "10\tprobe\tclick\t20\t30\t1",
                              "20\tprobe\tkey\t0x41\t0x001e0001",
                              "20\tprobe\tchar\t0x61",
                              "30\tprobe\tkey\t0x20\t0x00390001",
                              "40\tprobe\tmessage\t1374\t5",
                              "60\tprobe\tpaint\t640\t480",
                              "80\tprobe\tkey\t0x1b\t0x00010001",
                              "80\tprobe\tquit\t0",
                              "80\texit\t0"};
    std::size_t next = 0;
    for (const auto& line : trace)
        if (next < std::size(expected) && line == expected[next]) ++next;
    EXPECT_EQ(next, std::size(expected)) << "missing: " << (next < std::size(expected) ? expected[next] : "");
    EXPECT_EQ(trace.back(), "80\texit\t0");
    EXPECT_TRUE(fs::exists(folder / "shot.png"));
    EXPECT_NE(run.err.find("line 7"), std::string::npos) << run.err;

    // The same input gives the same trace.
    fs::path again = test::MakeTempDir("probe-headless-again");
    RunProbe({}, environment, again);
    EXPECT_EQ(test::TraceLines(again / "trace.txt"), trace);
}

TEST(Probe, ClosingTheWindowEndsTheRunNormally) {
    fs::path folder = test::MakeTempDir("probe-close");
    test::WriteText(folder / "input.txt", "500 close\n");
    Finished run = RunProbe({}, {{"CORVANTA_INPUT", (folder / "input.txt").string()}}, folder);
    EXPECT_EQ(run.status, 0) << run.err;
    auto trace = test::TraceLines(folder / "trace.txt");
    EXPECT_TRUE(Contains(trace, "500\tprobe\tquit\t0"));
    EXPECT_EQ(trace.back(), "500\texit\t0");
}

TEST(Probe, TheTimeLimitEndsABusyProgram) {
    fs::path folder = test::MakeTempDir("probe-limit");
    Finished run = RunProbe({"--spin"}, {{"CORVANTA_MAX_MS", "250"}}, folder);
    EXPECT_EQ(run.status, 3);
    auto trace = test::TraceLines(folder / "trace.txt");
    EXPECT_EQ(trace, (std::vector<std::string>{"250\tlimit", "250\texit\t3"}));
}

TEST(Probe, AnIdleWindowRunsOnUntilTheLimit) {
    fs::path folder = test::MakeTempDir("probe-idle");
    // Idle, the clock moves in steps of 20 ms: the limit falls between two.
    Finished run = RunProbe({}, {{"CORVANTA_MAX_MS", "2005"}}, folder);
    EXPECT_EQ(run.status, 3);
    auto trace = test::TraceLines(folder / "trace.txt");
    ASSERT_GE(trace.size(), 2u);
    EXPECT_EQ(trace[trace.size() - 2], "2005\tlimit");
    EXPECT_EQ(trace.back(), "2005\texit\t3");
}

// ---------------------------------------------------------------- a real window

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string folders = path;
    std::size_t at = 0;
    while (at <= folders.size()) {
        std::size_t end = folders.find(':', at);
        if (end == std::string::npos) end = folders.size();
        if (::access((folders.substr(at, end - at) + "/" + program).c_str(), X_OK) == 0) return true;
        at = end + 1;
    }
    return false;
}

// What a probe in a real window on `display` runs with; its trace goes to `folder`.
Environment RealWindow(const std::string& display, const fs::path& folder) {
    return {{"DISPLAY", display},
            {"CORVANTA_DRIVER", "sdl"},
            {"CORVANTA_TRACE", (folder / "trace.txt").string()},
            {"SDL_VIDEODRIVER", std::nullopt},
            {"SDL_AUDIODRIVER", "dummy"}};
}

// xdotool's search for the visible window captioned `caption`: its id first in the output.
Finished FindWindow(const std::string& display, const std::string& caption, const fs::path& folder) {
    return Child({"xdotool", "search", "--sync", "--onlyvisible", "--name", caption}, {{"DISPLAY", display}}, folder)
        .Wait(std::chrono::seconds(20));
}

// A virtual X display of its own, for one test.
class VirtualDisplay {
public:
    VirtualDisplay() {
        int pipe[2];
        if (::pipe(pipe) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(pipe[0]);
            int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            std::string fd = std::to_string(pipe[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipe[1]);
        // Xvfb writes its display number, then a line end, once it accepts
        // clients; the pipe stays open until then or it gives up.
        reader_ = pipe[0];
        std::string number;
        pollfd ready{reader_, POLLIN, 0};
        char c = 0;
        while (number.find('\n') == std::string::npos && ::poll(&ready, 1, 10000) == 1 && ::read(reader_, &c, 1) == 1)
            number += c;
        if (number.size() > 1 && number.back() == '\n') name_ = ":" + number.substr(0, number.size() - 1);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    ~VirtualDisplay() {
        if (reader_ >= 0) ::close(reader_);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& Name() const { return name_; }

private:
    pid_t pid_ = -1;
    int reader_ = -1;
    std::string name_;
};

// A real window on an X display of its own: needs Xlib at build time, Xvfb
// and xdotool at run time.
class ProbeWindow : public testing::Test {
protected:
    void SetUp() override {
#ifndef CORVANTA_HAVE_X11
        GTEST_SKIP() << "built without Xlib";
#else
        if (!OnPath("Xvfb") || !OnPath("xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool";
        display_.emplace();
        ASSERT_FALSE(display_->Name().empty()) << "Xvfb did not start";
#endif
    }
    const std::string& DisplayName() const { return display_->Name(); }

private:
    std::optional<VirtualDisplay> display_;
};

#ifdef CORVANTA_HAVE_X11
// Asks the window to close as a window manager's close button does.
bool SendClose(const std::string& display, unsigned long window) {
    Display* connection = XOpenDisplay(display.c_str());
    if (!connection) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(connection, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    Status sent = XSendEvent(connection, window, False, NoEventMask, &event);
    XCloseDisplay(connection);
    return sent != 0;
}
#endif

TEST_F(ProbeWindow, ARealWindowTakesClicksAndCloses) {
#ifdef CORVANTA_HAVE_X11
    fs::path folder = test::MakeTempDir("probe-window");
    const std::string caption = "Corvanta Probe " + std::to_string(::getpid());
    const Environment environment = RealWindow(DisplayName(), folder);
    Child probe({PROBE_PROGRAM, "--caption", caption}, environment, folder);

    Finished search = FindWindow(DisplayName(), caption, folder);
    ASSERT_EQ(search.status, 0) << "no window captioned " << caption << " on " << DisplayName() << ": " << search.err;
    std::string window = search.out.substr(0, search.out.find('\n'));
    Finished click = Child({"xdotool", "mousemove", "--sync", "--window", window, "50", "60", "click", "1"},
                           {{"DISPLAY", DisplayName()}}, folder)
                         .Wait(std::chrono::seconds(20));
    ASSERT_EQ(click.status, 0) << click.err;

    auto clicked = [&] {
        for (const auto& line : test::TraceLines(folder / "trace.txt"))
            if (line.find("\tprobe\tclick\t50\t60\t1") != std::string::npos) return true;
        return false;
    };
    for (int i = 0; i < 500 && !clicked(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(clicked()) << test::ReadText(folder / "trace.txt");

    ASSERT_TRUE(SendClose(DisplayName(), std::stoul(window)));
    Finished finished = probe.Wait(std::chrono::seconds(20));
    EXPECT_EQ(finished.status, 0) << finished.err;
    auto trace = test::TraceLines(folder / "trace.txt");
    ASSERT_FALSE(trace.empty());
    EXPECT_NE(trace.back().find("\texit\t0"), std::string::npos) << trace.back();
#endif
}

#ifdef CORVANTA_HAVE_X11
// Stands in for a desktop's window manager that maximizes each window a
// moment after it was mapped.
class MaximizingManager {
public:
    MaximizingManager(const std::string& display, int width, int height) : width_(width), height_(height) {
        connection_ = XOpenDisplay(display.c_str());
        if (!connection_) return;
        const Window root = DefaultRootWindow(connection_);
        // How programs tell that a window manager runs.
        check_ = XCreateSimpleWindow(connection_, root, 0, 0, 1, 1, 0, 0, 0);
        XChangeProperty(connection_, root, XInternAtom(connection_, "_NET_SUPPORTING_WM_CHECK", False), XA_WINDOW, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&check_), 1);
        XSelectInput(connection_, root, SubstructureNotifyMask);
        XSync(connection_, False);
        thread_ = std::thread([this] { Run(); });
    }
    MaximizingManager(const MaximizingManager&) = delete;
    MaximizingManager& operator=(const MaximizingManager&) = delete;
    ~MaximizingManager() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (connection_) XCloseDisplay(connection_);
    }
    bool Running() const { return connection_ != nullptr; }

private:
    void Run() {
        while (!stop_) {
            while (XPending(connection_)) {
                XEvent event;
                XNextEvent(connection_, &event);
                if (event.type != MapNotify || event.xmap.override_redirect) continue;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                XResizeWindow(connection_, event.xmap.window, width_, height_);
                XFlush(connection_);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    Display* connection_ = nullptr;
    Window check_ = 0;
    int width_, height_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
#endif

TEST_F(ProbeWindow, AMaximizedWindowHasItsFinalSizeAtTheFirstPaint) {
#ifdef CORVANTA_HAVE_X11
    MaximizingManager manager(DisplayName(), 800, 600);
    ASSERT_TRUE(manager.Running());
    fs::path folder = test::MakeTempDir("probe-maximized");
    const std::string caption = "Corvanta Maximized " + std::to_string(::getpid());
    const Environment environment = RealWindow(DisplayName(), folder);
    Child probe({PROBE_PROGRAM, "--caption", caption}, environment, folder);
    Finished search = FindWindow(DisplayName(), caption, folder);
    ASSERT_EQ(search.status, 0) << search.err;

    auto paints = [&] {
        std::vector<std::string> sizes;
        for (const auto& line : test::TraceLines(folder / "trace.txt"))
            if (auto at = line.find("\tprobe\tpaint\t"); at != std::string::npos) sizes.push_back(line.substr(at + 13));
        return sizes;
    };
    for (int i = 0; i < 500 && paints().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // Whatever paints follow, the first one has the whole screen.
    ASSERT_FALSE(paints().empty()) << test::ReadText(folder / "trace.txt");
    EXPECT_EQ(paints().front(), "800\t600") << test::ReadText(folder / "trace.txt");

    ASSERT_TRUE(SendClose(DisplayName(), std::stoul(search.out.substr(0, search.out.find('\n')))));
    EXPECT_EQ(probe.Wait(std::chrono::seconds(20)).status, 0);
#endif
}

#ifdef CORVANTA_HAVE_X11
// What the X server shows of a window, as 0xRRGGBB (the test display has 24 bits).
struct Shot {
    int width = 0, height = 0;
    std::vector<unsigned long> pixels;
    unsigned long At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

Shot TakeShot(const std::string& display, unsigned long window) {
    Shot shot;
    Display* connection = XOpenDisplay(display.c_str());
    if (!connection) return shot;
    // A window that went away meanwhile gives an empty shot, not the end of the test.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    XWindowAttributes attributes{};
    XImage* image = XGetWindowAttributes(connection, window, &attributes)
                        ? XGetImage(connection, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap)
                        : nullptr;
    if (image) {
        shot.width = attributes.width;
        shot.height = attributes.height;
        for (int y = 0; y < shot.height; ++y)
            for (int x = 0; x < shot.width; ++x) shot.pixels.push_back(XGetPixel(image, x, y) & 0xFFFFFF);
        XDestroyImage(image);
    }
    XCloseDisplay(connection);
    return shot;
}

// A box centred in the window: its caption bar and OK button's border cross
// the middle column, white around dark text between them.
struct BoxInShot {
    bool shows = false;
    int buttonX = 0, buttonY = 0;
    int left = 0, right = 0;  // of the footer
};

BoxInShot FindBox(const Shot& shot) {
    constexpr unsigned long Caption = 0x005A9E, ButtonBorder = 0x0078D7, Footer = 0xF0F0F0, White = 0xFFFFFF;
    BoxInShot box;
    const int x = shot.width / 2;
    int captionEnd = -1, buttonTop = -1, buttonBottom = -1;
    for (int y = 0; y < shot.height; ++y) {
        if (shot.At(x, y) == Caption && buttonTop < 0) captionEnd = y;
        if (shot.At(x, y) == ButtonBorder && captionEnd >= 0) {
            if (buttonTop < 0) buttonTop = y;
            buttonBottom = y;
        }
    }
    if (captionEnd < 0 || buttonTop < 2 || shot.At(x, buttonTop - 2) != Footer) return box;
    int left = x, right = x;
    while (left > 0 && shot.At(left - 1, buttonTop - 2) == Footer) --left;
    while (right + 1 < shot.width && shot.At(right + 1, buttonTop - 2) == Footer) ++right;
    int white = 0, dark = 0;
    for (int y = captionEnd + 1; y < buttonTop - 2; ++y) {
        for (int column = left; column <= right; ++column) {
            const unsigned long pixel = shot.At(column, y);
            white += pixel == White;
            dark += (pixel >> 16) < 80 && ((pixel >> 8) & 0xFF) < 80 && (pixel & 0xFF) < 80;
        }
    }
    box.shows = white > 2000 && dark > 40;
    box.left = left;
    box.right = right;
    box.buttonX = x;
    box.buttonY = (buttonTop + buttonBottom) / 2;
    return box;
}

bool WaitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 1000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}
#endif

TEST_F(ProbeWindow, AMessageBoxShowsInTheWindowUntilDismissed) {
#ifdef CORVANTA_HAVE_X11
    struct Case {
        std::string caption, text, style;
        std::vector<std::string> dismiss;  // xdotool's words after moving into the window; empty: click OK
        std::string unseen;                // what the probe must not get from the dismissal
        std::string resize;                // the window's size while the box is up, WxH; empty: as it is
    } cases[] = {
        {"Fatal Error", "Unable to open SEQUENCE file.", "0x30", {"key", "Return"}, "\tprobe\tkey\t0x0d", ""},
        {"Hey!",
         "Unrecognized command in the SEQUENCE file, a line long enough to be wrapped in the box:\nSTILLL x",
         "0x30",
         {"key", "Escape"},
         "\tprobe\tkey\t0x1b",
         ""},
        {"Hey!", "Click OK.", "0x40", {}, "\tprobe\tclick", ""},
        {"Fatal Error",
         "A message long enough to fill a small window several times over, "
         "which must stay inside it however the window is sized, with its button in reach. "
         "Every word of it can be read, scrolled to where it does not fit.",
         "0x30",
         {},
         "\tprobe\tclick",
         "320x200"},
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption + " " + c.style);
        fs::path folder = test::MakeTempDir("probe-box-" + std::to_string(++round));
        const std::string caption = "Corvanta Box " + std::to_string(round) + " " + std::to_string(::getpid());
        const Environment environment = RealWindow(DisplayName(), folder);
        Child probe({PROBE_PROGRAM, "--caption", caption, "--box", c.caption, c.text, c.style}, environment, folder);
        auto traced = [&](const std::string& part) {
            for (const auto& line : test::TraceLines(folder / "trace.txt"))
                if (line.find(part) != std::string::npos) return true;
            return false;
        };
        auto xdotool = [&](std::vector<std::string> words) {
            words.insert(words.begin(), "xdotool");
            return Child(words, {{"DISPLAY", DisplayName()}}, folder).Wait(std::chrono::seconds(20));
        };

        Finished search = FindWindow(DisplayName(), caption, folder);
        ASSERT_EQ(search.status, 0) << search.err;
        const std::string window = search.out.substr(0, search.out.find('\n'));
        const unsigned long id = std::stoul(window);
        ASSERT_TRUE(WaitUntil([&] { return traced("\tbox\twindow\t" + c.style + "\t" + c.caption + "\t"); }));
        if (!c.resize.empty()) {
            const std::string width = c.resize.substr(0, c.resize.find('x'));
            ASSERT_EQ(xdotool({"windowsize", "--sync", window, width, c.resize.substr(width.size() + 1)}).status, 0);
        }
        BoxInShot box;
        Shot shot;
        EXPECT_TRUE(WaitUntil([&] { return (box = FindBox(shot = TakeShot(DisplayName(), id))).shows; }));
        EXPECT_TRUE(box.left > 0 && box.right < shot.width - 1) << "the box fits the window's width";

        std::vector<std::string> dismiss{"mousemove", "--sync", "--window", window};
        if (c.dismiss.empty()) {
            dismiss.insert(dismiss.end(), {std::to_string(box.buttonX), std::to_string(box.buttonY), "click", "1"});
        } else {
            dismiss.insert(dismiss.end(), {"1", "1"});
            dismiss.insert(dismiss.end(), c.dismiss.begin(), c.dismiss.end());
        }
        ASSERT_EQ(xdotool(dismiss).status, 0);
        EXPECT_TRUE(WaitUntil([&] { return traced("\tprobe\tbox\t1"); }));
        EXPECT_TRUE(WaitUntil([&] { return !FindBox(TakeShot(DisplayName(), id)).shows; }));
        EXPECT_FALSE(traced(c.unseen));
        EXPECT_FALSE(traced("\tprobe\tquit"));

        ASSERT_TRUE(SendClose(DisplayName(), id));
        Finished finished = probe.Wait(std::chrono::seconds(20));
        EXPECT_EQ(finished.status, 0) << finished.err;
    }
#endif
}

// In a real window SIGTERM, SIGINT and SIGHUP end the run as closing the window does.
TEST_F(ProbeWindow, EndingSignalsAreACloseRequest) {
#ifdef CORVANTA_HAVE_X11
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        const fs::path folder = test::MakeTempDir("probe-signal-" + std::to_string(signal));
        const std::string caption = "Corvanta Signal " + std::to_string(signal) + " " + std::to_string(::getpid());
        Child probe({PROBE_PROGRAM, "--caption", caption}, RealWindow(DisplayName(), folder), folder);
        Finished search = FindWindow(DisplayName(), caption, folder);
        ASSERT_EQ(search.status, 0) << search.err;
        probe.Signal(signal);
        Finished finished = probe.Wait(std::chrono::seconds(20));
        EXPECT_EQ(finished.status, 0) << finished.err;
        const auto trace = test::TraceLines(folder / "trace.txt");
        ASSERT_GE(trace.size(), 2u);
        EXPECT_EQ(trace[trace.size() - 2].substr(trace[trace.size() - 2].find('\t') + 1), "probe\tquit\t0");
        EXPECT_EQ(trace.back().substr(trace.back().find('\t') + 1), "exit\t0");
    }
#endif
}

// CORVANTA_PROGRAMS=ask: the viewer is asked in a box over the window, and
// the program starts only on a yes.
TEST_F(ProbeWindow, AskingBeforeAProgramStartsTakesTheViewersAnswer) {
#ifdef CORVANTA_HAVE_X11
    const struct {
        const char* key;
        const char* ran;
    } cases[] = {{"y", "probe\tran\t0"}, {"n", "probe\tran\tnot started"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const fs::path folder = test::MakeTempDir(std::string("probe-ask-") + c.key);
        const std::string caption = std::string("Corvanta Ask ") + c.key + " " + std::to_string(::getpid());
        Environment environment = RealWindow(DisplayName(), folder);
        environment["CORVANTA_PROGRAMS"] = "ask";
        Child probe({PROBE_PROGRAM, "--caption", caption, "--run", "true now"}, environment, folder);
        auto events = [&] {
            std::vector<std::string> lines;
            for (const auto& line : test::TraceLines(folder / "trace.txt")) {
                const std::string event = line.substr(line.find('\t') + 1);
                if (event.rfind("box\t", 0) == 0 || event.rfind("spawn\t", 0) == 0 || event.rfind("probe\tran", 0) == 0)
                    lines.push_back(event);
            }
            return lines;
        };
        const std::string asked =
            "box\tnone\t0x24\tCorvanta\tThe presentation wants to start the program true with the command "
            "line\\ntrue now\\nStart it?";
        Finished search = FindWindow(DisplayName(), caption, folder);
        ASSERT_EQ(search.status, 0) << search.err;
        const std::string window = search.out.substr(0, search.out.find('\n'));
        // The box takes every key given once it is traced.
        ASSERT_TRUE(WaitUntil([&] { return Contains(events(), asked); }));
        Finished answered = Child({"xdotool", "mousemove", "--sync", "--window", window, "1", "1", "key", c.key},
                                  {{"DISPLAY", DisplayName()}}, folder)
                                .Wait(std::chrono::seconds(20));
        ASSERT_EQ(answered.status, 0) << answered.err;
        ASSERT_TRUE(WaitUntil([&] { return Contains(events(), c.ran); }));
        std::vector<std::string> expected{asked};
        if (std::string(c.key) == "y") expected.push_back("spawn\t.\ttrue now");
        expected.push_back(c.ran);
        EXPECT_EQ(events(), expected);
        ASSERT_TRUE(SendClose(DisplayName(), std::stoul(window)));
        EXPECT_EQ(probe.Wait(std::chrono::seconds(20)).status, 0);
    }
#endif
}

#ifdef CORVANTA_HAVE_X11
// Pings the window as a window manager does to tell whether it hangs: true
// when the answer comes back to the root window within 5 s.
bool AnswersPing(const std::string& display, unsigned long window) {
    Display* connection = XOpenDisplay(display.c_str());
    if (!connection) return false;
    const Window root = DefaultRootWindow(connection);
    const Atom ping = XInternAtom(connection, "_NET_WM_PING", False);
    XSelectInput(connection, root, SubstructureNotifyMask);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = CurrentTime;
    event.xclient.data.l[2] = static_cast<long>(window);
    XSendEvent(connection, window, False, NoEventMask, &event);
    XFlush(connection);
    bool answered = false;
    for (int i = 0; i < 500 && !answered; ++i) {
        while (XPending(connection)) {
            XNextEvent(connection, &event);
            answered = answered || (event.type == ClientMessage && event.xclient.window == root &&
                                    event.xclient.data.l[0] == static_cast<long>(ping));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    XCloseDisplay(connection);
    return answered;
}
#endif

TEST_F(ProbeWindow, InputWhileAnotherProgramRunsIsHandledAfterItInOrder) {
#ifdef CORVANTA_HAVE_X11
    fs::path folder = test::MakeTempDir("probe-run");
    // cat holds the probe until the test has opened and closed the gate.
    const fs::path gate = folder / "gate";
    ASSERT_EQ(::mkfifo(gate.c_str(), 0600), 0);
    const std::string caption = "Corvanta Run " + std::to_string(::getpid());
    Child probe({PROBE_PROGRAM, "--caption", caption, "--run", "cat " + gate.string()},
                RealWindow(DisplayName(), folder), folder);
    const std::string spawn = "spawn\t.\tcat " + gate.string();
    // From the start on, times left out: what the window showed before depends on its size.
    auto trace = [&] {
        std::vector<std::string> lines;
        for (const auto& line : test::TraceLines(folder / "trace.txt")) {
            std::string event = line.substr(line.find('\t') + 1);
            if (event == spawn || !lines.empty()) lines.push_back(event);
        }
        return lines;
    };
    Finished search = FindWindow(DisplayName(), caption, folder);
    ASSERT_EQ(search.status, 0) << search.err;
    ASSERT_TRUE(WaitUntil([&] { return Contains(trace(), spawn); }));

    const std::string window = search.out.substr(0, search.out.find('\n'));
    EXPECT_TRUE(AnswersPing(DisplayName(), std::stoul(window))) << "the window hangs while the program runs";
    Finished typed = Child({"xdotool", "mousemove", "--sync", "--window", window, "1", "1", "key", "a", "b", "Escape"},
                           {{"DISPLAY", DisplayName()}}, folder)
                         .Wait(std::chrono::seconds(20));
    ASSERT_EQ(typed.status, 0) << typed.err;
    EXPECT_EQ(trace(), (std::vector<std::string>{spawn})) << "nothing is handled while the program runs";
    int writer = -1;
    ASSERT_TRUE(WaitUntil([&] { return (writer = ::open(gate.c_str(), O_WRONLY | O_NONBLOCK)) >= 0; }));
    ::close(writer);

    Finished finished = probe.Wait(std::chrono::seconds(20));
    EXPECT_EQ(finished.status, 0) << finished.err;
    EXPECT_EQ(trace(), (std::vector<std::string>{spawn, "probe\tran\t0", "probe\tkey\t0x41\t0x001e0001",
                                                 "probe\tchar\t0x61", "probe\tkey\t0x42\t0x00300001",
                                                 "probe\tchar\t0x62", "probe\tkey\t0x1b\t0x00010001",
                                                 "probe\tchar\t0x1b", "probe\tquit\t0", "exit\t0"}));
#endif
}

}  // namespace

// A fixed 640x480 screen in a window of two sizes and in fullscreen: a click
// lands on the screen pixel under it, a click on the letterbox nowhere, and
// F11 never reaches the presentation.
TEST_F(ProbeWindow, ClicksLandOnTheScreenPixelAtEverySizeAndInFullscreen) {
#ifdef CORVANTA_HAVE_X11
    fs::path folder = test::MakeTempDir("probe-viewport");
    const std::string caption = "Corvanta Viewport " + std::to_string(::getpid());
    Environment environment = RealWindow(DisplayName(), folder);
    environment["CORVANTA_SCREEN"] = "640x480";
    Child probe({PROBE_PROGRAM, "--caption", caption}, environment, folder);
    Finished search = FindWindow(DisplayName(), caption, folder);
    ASSERT_EQ(search.status, 0) << search.err;
    const std::string window = search.out.substr(0, search.out.find('\n'));
    auto xdotool = [&](std::vector<std::string> words) {
        words.insert(words.begin(), "xdotool");
        return Child(words, {{"DISPLAY", DisplayName()}}, folder).Wait(std::chrono::seconds(20)).status;
    };
    auto click = [&](int x, int y) {
        return xdotool({"mousemove", "--sync", "--window", window, std::to_string(x), std::to_string(y), "click", "1"});
    };
    auto seen = [&] {
        std::vector<std::string> events;
        for (const auto& line : test::TraceLines(folder / "trace.txt"))
            if (auto at = line.find("\tprobe\t");
                at != std::string::npos && line.find("\tpaint\t") == std::string::npos)
                events.push_back(line.substr(at + 7));
        return events;
    };
    auto settle = [&](std::size_t count) {
        for (int i = 0; i < 300 && seen().size() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };

    // The first window is the screen at 1x: the 800x600 display holds no 2x.
    ASSERT_EQ(click(639, 479), 0);
    settle(1);
    // 800x500: the picture is 667 wide from x = 66, bars on both sides.
    ASSERT_EQ(xdotool({"windowsize", "--sync", window, "800", "500"}), 0);
    ASSERT_EQ(click(65, 250), 0);
    ASSERT_EQ(click(66, 0), 0);
    settle(2);
    // Fullscreen on the 800x600 display: the scale is 1.25, no bars.
    ASSERT_EQ(xdotool({"key", "--window", window, "F11"}), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(click(799, 599), 0);
    settle(3);
    EXPECT_EQ(seen(), (std::vector<std::string>{"click\t639\t479\t1", "click\t0\t0\t1", "click\t639\t479\t1"}))
        << test::ReadText(folder / "trace.txt");

    ASSERT_TRUE(SendClose(DisplayName(), std::stoul(window)));
    EXPECT_EQ(probe.Wait(std::chrono::seconds(20)).status, 0);
#endif
}

namespace {

// A hotspot's edges, all of them inside.
struct Rect {
    int left, top, right, bottom;
};

#ifdef CORVANTA_HAVE_X11
// The client size the X server gives the window.
platform::Size WindowSize(const std::string& display, unsigned long window) {
    platform::Size size;
    if (Display* connection = XOpenDisplay(display.c_str())) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(connection, window, &attributes)) size = {attributes.width, attributes.height};
        XCloseDisplay(connection);
    }
    return size;
}
#endif

// A desktop's window manager on the test's display, which maximizes,
// restores and makes fullscreen as a viewer's desktop does.
class ManagedProbeWindow : public ProbeWindow {
protected:
    void SetUp() override {
        ProbeWindow::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (!OnPath("openbox") || !OnPath("wmctrl")) GTEST_SKIP() << "needs openbox and wmctrl";
        folder_ = test::MakeTempDir("probe-manager");
        manager_.emplace(std::vector<std::string>{"openbox"}, Environment{{"DISPLAY", DisplayName()}}, folder_);
        ASSERT_TRUE(WaitUntilTrue([&] { return Tool({"wmctrl", "-m"}) == 0; })) << "openbox did not start";
    }
    int Tool(const std::vector<std::string>& words) {
        return Child(words, {{"DISPLAY", DisplayName()}}, folder_).Wait(std::chrono::seconds(20)).status;
    }
    static bool WaitUntilTrue(const std::function<bool()>& done) {
        for (int i = 0; i < 500; ++i) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

private:
    fs::path folder_;
    std::optional<Child> manager_;
};

}  // namespace

// With the default settings the screen is fixed at the maximized window's
// size: after the window is restored, resized, made fullscreen and back, in
// every scaling mode, a click just inside each corner of a hotspot lands in
// it, and leaving fullscreen gives back the maximized window.
TEST_F(ManagedProbeWindow, HotspotCornersHitWhateverTheWindowDoes) {
#ifdef CORVANTA_HAVE_X11
    const std::pair<const char*, platform::ScaleMode> modes[] = {{"aspect", platform::ScaleMode::Aspect},
                                                                 {"integer", platform::ScaleMode::Integer},
                                                                 {"stretch", platform::ScaleMode::Stretch}};
    for (const auto& [name, scaling] : modes) {
        const platform::ScaleMode mode = scaling;  // lambdas capture variables, not bindings
        SCOPED_TRACE(name);
        fs::path folder = test::MakeTempDir(std::string("probe-corners-") + name);
        const std::string caption = std::string("Corvanta Corners ") + name + " " + std::to_string(::getpid());
        Environment environment = RealWindow(DisplayName(), folder);
        environment["CORVANTA_SCALE"] = name;
        Child probe({PROBE_PROGRAM, "--caption", caption}, environment, folder);
        Finished search = FindWindow(DisplayName(), caption, folder);
        ASSERT_EQ(search.status, 0) << search.err;
        const std::string window = search.out.substr(0, search.out.find('\n'));
        const unsigned long id = std::stoul(window);
        auto events = [&](const std::string& kind) {
            std::vector<std::string> found;
            for (const auto& line : test::TraceLines(folder / "trace.txt"))
                if (auto at = line.find("\tprobe\t" + kind + "\t"); at != std::string::npos)
                    found.push_back(line.substr(at + 8 + kind.size()));
            return found;
        };
        ASSERT_TRUE(WaitUntilTrue([&] { return !events("paint").empty(); }));
        const std::string first = events("paint").front();
        const platform::Size screen{std::stoi(first), std::stoi(first.substr(first.find('\t') + 1))};
        const platform::Size maximized = WindowSize(DisplayName(), id);
        EXPECT_EQ(screen, maximized) << "the screen is the maximized window";

        // Clicks just inside the top-left and bottom-right corners of the
        // whole screen and of a small hotspot in its middle.
        const Rect hotspots[] = {
            {0, 0, screen.width - 1, screen.height - 1},
            {screen.width / 2 - 10, screen.height / 2 - 8, screen.width / 2 + 9, screen.height / 2 + 7}};
        auto clickCorners = [&](const std::string& state) {
            SCOPED_TRACE(state);
            const platform::Size size = WindowSize(DisplayName(), id);
            const platform::Placement place = platform::PlaceScreen(screen, size, mode);
            // The window pixels wholly inside the first and the last screen pixel.
            auto inside = [](int origin, int placed, int pixels, int from, int to) {
                const long long first = origin + (static_cast<long long>(from) * placed + pixels - 1) / pixels;
                const long long last = origin + (static_cast<long long>(to + 1) * placed) / pixels - 1;
                return std::pair{static_cast<int>(first), static_cast<int>(last)};
            };
            for (const Rect& hotspot : hotspots) {
                const auto [left, right] = inside(place.x, place.width, screen.width, hotspot.left, hotspot.right);
                const auto [top, bottom] = inside(place.y, place.height, screen.height, hotspot.top, hotspot.bottom);
                for (const auto& [x, y] : {std::pair{left, top}, std::pair{right, bottom}}) {
                    const std::size_t before = events("click").size();
                    ASSERT_EQ(Tool({"xdotool", "mousemove", "--sync", "--window", window, std::to_string(x),
                                    std::to_string(y), "click", "1"}),
                              0);
                    ASSERT_TRUE(WaitUntilTrue([&] { return events("click").size() > before; }))
                        << "no click at " << x << "," << y << " in " << size.width << "x" << size.height;
                    const std::string click = events("click").back();
                    const int cx = std::stoi(click), cy = std::stoi(click.substr(click.find('\t') + 1));
                    EXPECT_TRUE(cx >= hotspot.left && cx <= hotspot.right && cy >= hotspot.top && cy <= hotspot.bottom)
                        << "window " << x << "," << y << " landed on " << cx << "," << cy;
                }
            }
        };
        auto resizedFrom = [&](platform::Size before) {
            return WaitUntilTrue([&] { return WindowSize(DisplayName(), id) != before; });
        };

        clickCorners("maximized");
        ASSERT_EQ(Tool({"wmctrl", "-i", "-r", window, "-b", "remove,maximized_vert,maximized_horz"}), 0);
        ASSERT_TRUE(resizedFrom(maximized));
        clickCorners("restored");
        ASSERT_EQ(Tool({"xdotool", "windowsize", "--sync", window, "500", "420"}), 0);
        clickCorners("500x420");
        ASSERT_EQ(Tool({"wmctrl", "-i", "-r", window, "-b", "add,maximized_vert,maximized_horz"}), 0);
        ASSERT_TRUE(WaitUntilTrue([&] { return WindowSize(DisplayName(), id) == maximized; }));
        ASSERT_EQ(Tool({"xdotool", "key", "--window", window, "F11"}), 0);
        ASSERT_TRUE(resizedFrom(maximized));
        clickCorners("fullscreen");
        const platform::Size fullscreen = WindowSize(DisplayName(), id);
        ASSERT_EQ(Tool({"xdotool", "key", "--window", window, "F11"}), 0);
        ASSERT_TRUE(resizedFrom(fullscreen));
        EXPECT_TRUE(WaitUntilTrue([&] { return WindowSize(DisplayName(), id) == maximized; }))
            << "leaving fullscreen gives back the maximized window";
        clickCorners("maximized again");
        EXPECT_EQ(events("paint").front(), first);
        EXPECT_TRUE(events("key").empty()) << "F11 is the viewer's";

        ASSERT_TRUE(SendClose(DisplayName(), id));
        EXPECT_EQ(probe.Wait(std::chrono::seconds(20)).status, 0);
    }
#endif
}

// The player's own window: a movie whose window is restored and shrunk in
// the middle of its play goes on being drawn at its scaled place.
TEST_F(ManagedProbeWindow, AMovieWhoseWindowShrinksIsDrawnAtItsScaledPlace) {
#ifdef CORVANTA_HAVE_X11
    fs::path folder = test::MakeTempDir("probe-movie");
    constexpr int Width = 160, Height = 100, Frames = 300;  // 20 s at 15 frames a second
    const std::vector<flc::Image> images(Frames, flc::Image(Width * Height, 1));
    ASSERT_TRUE(
        flc::WriteFile((folder / "clip.flc").string(),
                       flc::Animation(Width, Height, images, {{0, 0, 0}, {40, 200, 90}}, flc::Compression::Delta)));
    test::WriteText(folder / "sequence", "movie clip\n");
    Environment environment = RealWindow(DisplayName(), folder);
    Child player({PLAYER_PROGRAM}, environment, folder);
    Finished search = FindWindow(DisplayName(), "Corvanta", folder);
    ASSERT_EQ(search.status, 0) << search.err;
    const std::string window = search.out.substr(0, search.out.find('\n'));
    const unsigned long id = std::stoul(window);
    const platform::Size screen = WindowSize(DisplayName(), id);  // the maximized window's
    const int left = (screen.width - Width) / 2, top = (screen.height - Height) / 2;
    unsigned long colour = 0;
    ASSERT_TRUE(WaitUntilTrue([&] {
        const Shot shot = TakeShot(DisplayName(), id);
        return shot.width == screen.width && (colour = shot.At(left + Width / 2, top + Height / 2)) != 0;
    })) << "no movie frame";

    ASSERT_EQ(Tool({"wmctrl", "-i", "-r", window, "-b", "remove,maximized_vert,maximized_horz"}), 0);
    ASSERT_EQ(Tool({"xdotool", "windowsize", "--sync", window, "400", "300"}), 0);
    const platform::Size size = WindowSize(DisplayName(), id);
    const platform::Placement place = platform::PlaceScreen(screen, size, platform::ScaleMode::Aspect);
    // Window points well inside and well outside the movie's scaled rectangle.
    auto at = [&](double x, double y) {
        return std::pair{place.x + static_cast<int>(x * place.width / screen.width),
                         place.y + static_cast<int>(y * place.height / screen.height)};
    };
    const std::pair<int, int> inside[] = {at(left + 4, top + 4), at(left + Width - 4, top + Height - 4),
                                          at(left + Width / 2.0, top + Height / 2.0)};
    const std::pair<int, int> outside[] = {at(left - 6, top + Height / 2.0), at(left + Width + 6, top + Height / 2.0),
                                           at(left + Width / 2.0, top - 6), at(left + Width / 2.0, top + Height + 6)};
    EXPECT_TRUE(WaitUntilTrue([&] {
        const Shot shot = TakeShot(DisplayName(), id);
        if (shot.width != size.width || shot.height != size.height) return false;
        for (const auto& [x, y] : inside)
            if (shot.At(x, y) != colour) return false;
        for (const auto& [x, y] : outside)
            if (shot.At(x, y) != 0) return false;
        return true;
    })) << "the movie is not at its scaled place in "
        << size.width << "x" << size.height;
#endif
}

// A movie's changed part is drawn alone, by either renderer, where the whole
// screen's draw would put it: the last frame changes a small rectangle of
// a screen scaled into the maximized window.
TEST_F(ManagedProbeWindow, EachRendererDrawsAChangedPartAtItsScaledPlace) {
#ifdef CORVANTA_HAVE_X11
    constexpr platform::Size Screen{320, 200};
    constexpr int Width = 160, Height = 100, Frames = 6;
    constexpr struct { int left, top, right, bottom; } Changed{40, 30, 80, 60};  // in the movie
    std::vector<flc::Image> images(Frames, flc::Image(Width * Height, 2));
    images[Frames - 2].assign(Width * Height, 1);
    images[Frames - 1] = images[Frames - 2];
    for (int y = Changed.top; y < Changed.bottom; ++y)
        std::fill_n(images[Frames - 1].begin() + y * Width + Changed.left, Changed.right - Changed.left, 3);
    for (const char* renderer : {"software", "opengl"}) {
        SCOPED_TRACE(renderer);
        fs::path folder = test::MakeTempDir("probe-part");
        ASSERT_TRUE(flc::WriteFile(
            (folder / "clip.flc").string(),
            flc::Animation(Width, Height, images, {{0, 0, 0}, {40, 200, 90}, {200, 40, 90}, {30, 60, 220}},
                           flc::Compression::Delta)));
        test::WriteText(folder / "sequence", "movie clip\npause\n");
        Environment environment = RealWindow(DisplayName(), folder);
        environment["CORVANTA_SCREEN"] = "320x200";
        environment["SDL_RENDER_DRIVER"] = renderer;
        Child player({PLAYER_PROGRAM}, environment, folder);
        Finished search = FindWindow(DisplayName(), "Corvanta", folder);
        ASSERT_EQ(search.status, 0) << search.err;
        const unsigned long id = std::stoul(search.out.substr(0, search.out.find('\n')));
        const platform::Size size = WindowSize(DisplayName(), id);
        const platform::Placement place = platform::PlaceScreen(Screen, size, platform::ScaleMode::Aspect);
        const int left = (Screen.width - Width) / 2, top = (Screen.height - Height) / 2;
        // A screen point's pixel in the window, for points well inside the movie.
        auto pixel = [&](const Shot& shot, double x, double y) {
            return shot.At(place.x + static_cast<int>((left + x) * place.width / Screen.width),
                           place.y + static_cast<int>((top + y) * place.height / Screen.height));
        };
        Shot shot;
        ASSERT_TRUE(WaitUntilTrue([&] {
            shot = TakeShot(DisplayName(), id);
            return shot.width == size.width && pixel(shot, 60, 45) != pixel(shot, 10, 10) &&
                   pixel(shot, 10, 10) == pixel(shot, 150, 90);
        })) << "no last frame";
        const unsigned long part = pixel(shot, 60, 45), rest = pixel(shot, 10, 10);
        EXPECT_NE(rest, 0u);
        for (auto [x, y] : {std::pair{41.5, 31.5}, {78.5, 58.5}, {41.5, 58.5}, {78.5, 31.5}})
            EXPECT_EQ(pixel(shot, x, y), part) << x << "," << y;
        for (auto [x, y] : {std::pair{38.5, 45.0}, {81.5, 45.0}, {60.0, 28.5}, {60.0, 61.5}, {2.0, 98.0}})
            EXPECT_EQ(pixel(shot, x, y), rest) << x << "," << y;
    }
#endif
}
