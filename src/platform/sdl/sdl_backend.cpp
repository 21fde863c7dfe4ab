// SPDX-License-Identifier: GPL-3.0-or-later
// The real backend: one SDL window showing the screen, SDL input, SDL boxes.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <optional>
#include <string>
#include <utility>

#include "platform/core/backend.h"
#include "platform/core/events.h"
#include "platform/core/screen.h"
#include "platform/core/settings.h"
#include "platform/core/tell_user.h"
#include "platform/core/viewport.h"
#include "platform/sdl/chime.h"
#include "platform/sdl/gl_region_copier.h"
#include "platform/sdl/message_box.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/surface_sender.h"
#include "platform/sdl/window_manager.h"
#include "platform/win/internal.h"

namespace platform {
namespace {

constexpr Size DefaultClient{640, 480};

// What a viewer who sees nothing is told.
constexpr const char* NoDisplay = "no display: set DISPLAY, or CORVANTA_DRIVER=headless";

// The video drivers that show a window on the desktop the environment names.
std::string DesktopDrivers() {
    std::string drivers;
    for (const auto& [variable, driver] : {std::pair{"DISPLAY", "x11"}, std::pair{"WAYLAND_DISPLAY", "wayland"}}) {
        const char* value = SDL_getenv(variable);
        if (!value || !*value) continue;
        if (!drivers.empty()) drivers += ',';
        drivers += driver;
    }
    return drivers;
}

class SdlBackend final : public Backend {
public:
    bool Headless() const override { return false; }
    bool Start() override { return StartVideo(); }

    std::uint64_t Now() const override {
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count());
    }
    void PollInput() override {
        if (!video_) return;
        // Asking the display server costs system calls; once a millisecond is enough.
        const std::uint64_t now = Now();
        if (now == lastPoll_) return;
        lastPoll_ = now;
        SDL_Event event;
        while (SDL_PollEvent(&event)) Handle(event);
    }

    void WaitUntil(std::optional<std::uint64_t> due, bool forInput) override {
        lastPoll_ = UINT64_MAX;  // what ends the wait is taken at the next peek
        const std::uint64_t now = Now();
        if (due && *due <= now) return;
        constexpr std::uint64_t Longest = INT32_MAX;
        const int timeout = due ? static_cast<int>(std::min(*due - now, Longest)) : -1;
        if (!forInput) {
            SDL_Delay(static_cast<Uint32>(timeout));
        } else if (video_) {
            SDL_WaitEventTimeout(nullptr, timeout);
        } else {
            // No window yet to wake us: a short nap, then the caller asks again.
            SDL_Delay(timeout < 0 ? 100 : std::min(timeout, 100));
        }
    }

    void Wake() override {
        if (!video_) return;
        SDL_Event event{};
        event.type = WakeEvent();
        SDL_PushEvent(&event);
    }

    bool OpenFrame(const std::string& caption, Size size) override {
        if (!StartVideo()) return false;
        // A fixed screen that nothing maximizes still fills the desktop as far
        // as whole multiples go.
        if (const auto& screen = CurrentSettings().screen) {
            SDL_Rect desktop{};
            if (SDL_GetDisplayUsableBounds(0, &desktop) == 0) size = FirstWindowSize(*screen, {desktop.w, desktop.h});
        }
        window_ = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, size.width,
                                   size.height, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
        if (!window_) {
            TellUser(std::string("corvanta: cannot open a window: ") + SDL_GetError());
            return false;
        }
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
        // OpenGL drawn by the processor (no graphics hardware) costs more
        // than the software renderer for the same changed part, and redraws
        // the whole window where it cannot copy a part: the software
        // renderer is the faster one then.
        if (renderer_ && DrawsOnTheProcessor(renderer_)) {
            SDL_DestroyRenderer(renderer_);
            renderer_ = nullptr;
        }
        if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        if (!renderer_) {
            TellUser(std::string("corvanta: cannot draw into the window: ") + SDL_GetError());
            CloseFrame();
            return false;
        }
        SDL_RendererInfo info{};
        software_ = SDL_GetRendererInfo(renderer_, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
        return true;
    }

    void CloseFrame() override {
        sender_.reset();
        glCopier_.reset();
        glCopierSought_ = false;
        if (texture_) SDL_DestroyTexture(texture_);
        if (renderer_) SDL_DestroyRenderer(renderer_);
        if (window_) SDL_DestroyWindow(window_);
        texture_ = nullptr;
        renderer_ = nullptr;
        window_ = nullptr;
    }

    void ShowFrame(bool maximized) override {
        if (!window_) return;
        const Size before = ClientSize();
        // Asked for before the window is mapped, the window manager maps it
        // at its final size: no frame of another size is ever seen.
        if (maximized) SDL_MaximizeWindow(window_);
        maximizedBeforeFullscreen_ = maximized;
        SDL_ShowWindow(window_);
        // As on Windows, the final size is in place before the first paint.
        if (CurrentSettings().fullscreen)
            SetFullscreen(true);
        else if (maximized)
            AwaitMaximizedSize(window_, before.width, before.height);
        knownClient_ = ClientSize();
        Draw(TheScreen());
    }

    void SetCaption(const std::string& caption) override {
        if (window_) SDL_SetWindowTitle(window_, caption.c_str());
    }

    void SetIcon(const IconImage& icon) override {
        if (!window_ || icon.rgba.empty()) return;
        SDL_Surface* surface =
            SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint8_t*>(icon.rgba.data()), icon.width, icon.height, 32,
                                               icon.width * 4, SDL_PIXELFORMAT_RGBA32);
        if (!surface) return;
        SDL_SetWindowIcon(window_, surface);
        SDL_FreeSurface(surface);
    }

    Size ClientSize() const override {
        if (!window_) return DefaultClient;
        Size size;
        SDL_GetWindowSize(window_, &size.width, &size.height);
        return {std::max(size.width, 1), std::max(size.height, 1)};
    }

    // Only what changed is converted and uploaded, drawn and sent to the
    // display, without waiting for the display to have shown it, so that a
    // movie's frame costs the same in a small window and a large one. The
    // software renderer draws into the window's own pixels, which keep the
    // rest; OpenGL redraws the changed part of its back buffer, clipped from
    // the whole screen's draw so that its pixels are the same, and copies
    // that part to the window instead of swapping.
    void Present(const Screen& screen, const win::RECT& changed) override {
        if (!renderer_ || !UpdateTexture(screen, changed)) return;
        if (!wholeDrawn_ || drawnOutput_ != OutputSize()) {
            Draw(screen);
            return;
        }
        const SDL_Rect source{changed.left, changed.top, changed.right - changed.left, changed.bottom - changed.top};
        const SDL_Rect target = ScaledPart(screen.GetSize(), source);
        if (software_) {
            SDL_RenderCopy(renderer_, texture_, &source, &target);
            SDL_RenderFlush(renderer_);
            if (!sender_) sender_ = SurfaceSender::For(window_);
            if (!sender_ || !sender_->Send(target)) SDL_UpdateWindowSurfaceRects(window_, &target, 1);
            return;
        }
        if (!glCopierSought_) {
            glCopier_ = GlRegionCopier::For(window_);
            glCopierSought_ = true;
        }
        if (!glCopier_) {
            Draw(screen);
            return;
        }
        const SDL_Rect whole = Placement(screen.GetSize());
        SDL_RenderSetClipRect(renderer_, &target);
        SDL_RenderCopy(renderer_, texture_, nullptr, &whole);
        SDL_RenderSetClipRect(renderer_, nullptr);
        SDL_RenderFlush(renderer_);
        glCopier_->Copy(target, drawnOutput_.height);
    }

    // The window keeps answering (redraws, a window manager's ping) and its
    // input waits in the queue; waking a few times a second is enough for that.
    void AwaitProcessEnd(int pid) override {
        constexpr int AnswerMs = 50;
        awaitingProcess_ = true;
        while (!ProcessEnded(pid, !video_)) {
            SDL_Event event;
            if (!SDL_WaitEventTimeout(&event, AnswerMs)) continue;
            Handle(event);
            while (SDL_PollEvent(&event)) Handle(event);
        }
        awaitingProcess_ = false;
        // The presentation hears of a resize only once the program has ended.
        NoteResize();
    }

    // Every box shows in the presentation window, owned or not.
    int ShowMessageBox(bool, const std::string& caption, const std::string& text, win::UINT style) override {
        if (!StartVideo()) {
            TellUser(caption + ": " + text);
            return (style & 0xF) == win::MB_YESNO ? win::IDNO : win::IDOK;
        }
        BoxOutcome outcome = RunMessageBox(
            window_, renderer_, [this] { RenderScreen(TheScreen()); }, caption, text, style);
        // The presentation hears of a resize and a close only once the box is gone.
        if (outcome.resized) ClientResized(ClientSize());
        Draw(TheScreen());
        if (outcome.closeRequested) RequestClose();
        return outcome.answer;
    }

    void Beep(win::UINT type) override { chime_.Play(type); }

    win::UINT WaveOutDevices() override {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
        int devices = SDL_GetNumAudioDevices(0);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        // -1: the system cannot list its devices, but a default one works.
        return devices < 0 ? 1 : static_cast<win::UINT>(devices);
    }

    void Shutdown() override {
        CloseFrame();
        chime_.Finish();
    }

private:
    // Ends a wait from another thread; otherwise ignored.
    static Uint32 WakeEvent() {
        static const Uint32 type = SDL_RegisterEvents(1);
        return type;
    }

    // An OpenGL renderer whose implementation is Mesa's processor-only one,
    // unless SDL was told which renderer to use.
    static bool DrawsOnTheProcessor(SDL_Renderer* renderer) {
        SDL_RendererInfo info{};
        const char* asked = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
        if ((asked && *asked) || SDL_GetRendererInfo(renderer, &info) != 0 || std::string(info.name) != "opengl")
            return false;
        using GetString = const unsigned char* (*)(unsigned);
        constexpr unsigned GlRenderer = 0x1F01;
        const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
        const unsigned char* name = getString ? getString(GlRenderer) : nullptr;
        const std::string text = name ? reinterpret_cast<const char*>(name) : "";
        return text.find("llvmpipe") != std::string::npos || text.find("softpipe") != std::string::npos ||
               text.find("Software Rasterizer") != std::string::npos;
    }

    bool StartVideo() {
        if (video_) return true;
        // A click that activates the window is still a click, as on Windows.
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        // Left to itself SDL would fall back on a driver that shows nothing; a
        // driver the user names in SDL_VIDEODRIVER is taken as asked.
        const char* named = SDL_getenv("SDL_VIDEODRIVER");
        if (!named || !*named) {
            const std::string drivers = DesktopDrivers();
            if (drivers.empty()) {
                TellUser(std::string("corvanta: ") + NoDisplay);
                return false;
            }
            SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
        }
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            TellUser(std::string("corvanta: ") + NoDisplay);
            TellUser(std::string("corvanta: ") + SDL_GetError());
            return false;
        }
        video_ = true;
        // SDL makes SIGINT and SIGTERM a close request; a hang-up is made one too.
        struct sigaction hangUp {};
        hangUp.sa_handler = [](int) { ::raise(SIGTERM); };
        sigemptyset(&hangUp.sa_mask);
        ::sigaction(SIGHUP, &hangUp, nullptr);
        return true;
    }

    Size OutputSize() const {
        Size output;
        SDL_GetRendererOutputSize(renderer_, &output.width, &output.height);
        return output;
    }

    // Where the screen goes in the renderer's output, as the scaling mode says.
    SDL_Rect Placement(Size screen) const {
        const platform::Placement place = PlaceScreen(screen, OutputSize(), CurrentSettings().scale);
        return {place.x, place.y, std::max(place.width, 1), std::max(place.height, 1)};
    }

    void SetFullscreen(bool on) {
        const Size before = ClientSize();
        if (on) maximizedBeforeFullscreen_ = maximizedBeforeFullscreen_ || IsMaximized();
        if (ManagerAnswers(window_)) {
            if (SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) return;
            // Window managers hand back the size from before the maximize.
            if (!on && maximizedBeforeFullscreen_) SDL_MaximizeWindow(window_);
        } else if (on) {
            // Nothing would act on the request: the window covers the display itself.
            SDL_Rect display{};
            if (SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(window_), 0), &display) != 0) return;
            SDL_GetWindowPosition(window_, &windowed_.x, &windowed_.y);
            SDL_GetWindowSize(window_, &windowed_.w, &windowed_.h);
            SDL_SetWindowPosition(window_, display.x, display.y);
            SDL_SetWindowSize(window_, display.w, display.h);
        } else {
            SDL_SetWindowSize(window_, windowed_.w, windowed_.h);
            SDL_SetWindowPosition(window_, windowed_.x, windowed_.y);
        }
        fullscreen_ = on;
        if (!on) maximizedBeforeFullscreen_ = false;
        AwaitNewSize(window_, before.width, before.height);
    }

    bool IsMaximized() const { return (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED) != 0; }

    // Alt+Enter and F11 belong to the viewer, never to the presentation.
    bool IsFullscreenKey(const SDL_Keysym& key) const {
        const bool enter = key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER;
        return key.sym == SDLK_F11 || (enter && (key.mod & KMOD_ALT) != 0);
    }

    void Draw(const Screen& screen) {
        if (!RenderScreen(screen)) return;
        SDL_RenderPresent(renderer_);
        wholeDrawn_ = true;
        drawnOutput_ = OutputSize();
    }

    // Brings the texture up to date: the changed part, or all of it when it is new.
    bool UpdateTexture(const Screen& screen, const win::RECT& changed) {
        const Size size = screen.GetSize();
        win::RECT area = changed;
        if (!texture_ || textureSize_ != size) {
            if (texture_) SDL_DestroyTexture(texture_);
            texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, size.width,
                                         size.height);
            textureSize_ = size;
            wholeDrawn_ = false;
            if (!texture_) return false;
            area = screen.Bounds();
        }
        area = Intersect(area, screen.Bounds());
        if (IsEmpty(area)) return true;
        const SDL_Rect rect{area.left, area.top, area.right - area.left, area.bottom - area.top};
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(texture_, &rect, &pixels, &pitch) != 0) return false;
        ConvertToXrgb(screen, area, static_cast<std::uint32_t*>(pixels), pitch / 4);
        SDL_UnlockTexture(texture_);
        return true;
    }

    // Puts the whole screen into the renderer's frame, to be presented. The
    // texture holds every present so far.
    bool RenderScreen(const Screen& screen) {
        if (!renderer_ || !UpdateTexture(screen, {})) return false;
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_Rect target = Placement(screen.GetSize());
        SDL_RenderCopy(renderer_, texture_, nullptr, &target);
        return true;
    }

    // Where a part of the screen lands in the renderer's output, with its
    // edges rounded outward so that nothing of it is left out.
    SDL_Rect ScaledPart(Size screen, const SDL_Rect& part) const {
        const SDL_Rect whole = Placement(screen);
        const auto edge = [](int at, int from, int scaled, int size, bool up) {
            const long long numerator = static_cast<long long>(at) * scaled;
            return from + static_cast<int>(up ? (numerator + size - 1) / size : numerator / size);
        };
        const int left = edge(part.x, whole.x, whole.w, screen.width, false);
        const int top = edge(part.y, whole.y, whole.h, screen.height, false);
        const int right = edge(part.x + part.w, whole.x, whole.w, screen.width, true);
        const int bottom = edge(part.y + part.h, whole.y, whole.h, screen.height, true);
        return {left, top, right - left, bottom - top};
    }

    // A window point as a point of the presentation screen; nothing on the letterbox.
    std::optional<ScreenPoint> ToScreen(int x, int y) const {
        Size window;
        SDL_GetWindowSize(window_, &window.width, &window.height);
        return WindowPointToScreen(x, y, window, OutputSize(), TheScreen().GetSize(), CurrentSettings().scale);
    }

    // A size that came with showing the window is known already.
    void NoteResize() {
        if (ClientSize() == knownClient_) return;
        knownClient_ = ClientSize();
        ClientResized(knownClient_);
    }

    void Handle(const SDL_Event& event) {
        switch (event.type) {
            case SDL_QUIT: RequestClose(); break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                    RequestClose();
                } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                    if (!awaitingProcess_) NoteResize();
                    Draw(TheScreen());
                } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                    Draw(TheScreen());
                }
                break;
            case SDL_KEYDOWN:
                if (IsFullscreenKey(event.key.keysym)) {
                    fullscreenKey_ = event.key.keysym.sym;
                    if (!event.key.repeat) SetFullscreen(!fullscreen_);
                    break;
                }
                QueueKey(VirtualKeyOf(event.key.keysym), true, event.key.repeat != 0);
                break;
            case SDL_KEYUP:
                if (event.key.keysym.sym == fullscreenKey_) {
                    fullscreenKey_ = SDLK_UNKNOWN;
                    break;
                }
                QueueKey(VirtualKeyOf(event.key.keysym), false, false);
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                if (event.button.button == SDL_BUTTON_LEFT && renderer_) {
                    if (const auto point = ToScreen(event.button.x, event.button.y))
                        QueueLeftButton(point->x, point->y, event.type == SDL_MOUSEBUTTONDOWN);
                }
                break;
            default: break;
        }
    }

    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::atomic<bool> video_{false};
    std::uint64_t lastPoll_ = UINT64_MAX;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    Size textureSize_;
    bool software_ = false;
    bool wholeDrawn_ = false;  // the output holds the whole screen, drawn at drawnOutput_
    Size drawnOutput_;
    std::unique_ptr<SurfaceSender> sender_;
    std::unique_ptr<GlRegionCopier> glCopier_;
    bool glCopierSought_ = false;
    Size knownClient_;  // the client size the layer was last told
    bool awaitingProcess_ = false;
    bool fullscreen_ = false;
    bool maximizedBeforeFullscreen_ = false;    // leaving fullscreen maximizes again
    SDL_Rect windowed_{};                       // where a window without a window manager goes back to
    SDL_Keycode fullscreenKey_ = SDLK_UNKNOWN;  // its release is the viewer's too
    Chime chime_;
};

}  // namespace

std::unique_ptr<Backend> MakeSdlBackend(const Settings&) { return std::make_unique<SdlBackend>(); }

}  // namespace platform
