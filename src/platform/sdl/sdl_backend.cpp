// The real backend: one SDL window showing the screen, SDL input, SDL boxes.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/backend.h"
#include "platform/events.h"
#include "platform/screen.h"

namespace platform {
namespace {

// Empty peeks in a row before a peek starts to sleep a little.
constexpr unsigned BusyPeeks = 3;
constexpr Size DefaultClient{640, 480};

win::UINT VirtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return static_cast<win::UINT>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<win::UINT>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12) return win::VK_F1 + static_cast<win::UINT>(key - SDLK_F1);
    switch (key) {
        case SDLK_ESCAPE: return win::VK_ESCAPE;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return win::VK_RETURN;
        case SDLK_TAB: return win::VK_TAB;
        case SDLK_SPACE: return win::VK_SPACE;
        case SDLK_BACKSPACE: return win::VK_BACK;
        case SDLK_LEFT: return win::VK_LEFT;
        case SDLK_RIGHT: return win::VK_RIGHT;
        case SDLK_UP: return win::VK_UP;
        case SDLK_DOWN: return win::VK_DOWN;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return 0x10;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return 0x11;
        case SDLK_LALT:
        case SDLK_RALT: return 0x12;
        case SDLK_PAGEUP: return 0x21;
        case SDLK_PAGEDOWN: return 0x22;
        case SDLK_END: return 0x23;
        case SDLK_HOME: return 0x24;
        case SDLK_INSERT: return 0x2D;
        case SDLK_DELETE: return 0x2E;
        default: return 0;
    }
}

Uint32 BoxFlags(win::UINT style) {
    switch (style & 0xF0) {
        case win::MB_ICONHAND: return SDL_MESSAGEBOX_ERROR;
        case win::MB_ICONEXCLAMATION: return SDL_MESSAGEBOX_WARNING;
        default: return SDL_MESSAGEBOX_INFORMATION;
    }
}

class SdlBackend final : public Backend {
public:
    bool Headless() const override { return false; }

    std::uint64_t Now() const override {
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count());
    }
    std::uint64_t ReadClock() override {
        clockRead_ = true;
        return Now();
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

    void Idle(std::uint64_t nextDue, unsigned emptyPeeks, bool waiting) override {
        if (!waiting && emptyPeeks <= BusyPeeks) return;
        // A program that reads the clock between peeks paces itself by it
        // (movie frames): it gets the shortest yield. One that only waits for
        // messages sleeps until the next timer or idle message; input ends
        // the wait at once.
        const bool pacing = clockRead_;
        clockRead_ = false;
        std::uint64_t now = Now();
        const std::uint64_t longest = waiting || !pacing ? 20 : 1;
        int wait = static_cast<int>(std::clamp<std::uint64_t>(nextDue > now ? nextDue - now : 1, 1, longest));
        if (video_)
            SDL_WaitEventTimeout(nullptr, wait);
        else
            SDL_Delay(static_cast<Uint32>(wait));
    }

    bool OpenFrame(const std::string& caption, Size size) override {
        if (!StartVideo()) return false;
        window_ = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, size.width,
                                   size.height, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
        if (!window_) {
            std::fprintf(stderr, "corvanta: cannot open a window: %s\n", SDL_GetError());
            return false;
        }
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        if (!renderer_) {
            std::fprintf(stderr, "corvanta: cannot draw into the window: %s\n", SDL_GetError());
            CloseFrame();
            return false;
        }
        return true;
    }

    void CloseFrame() override {
        if (texture_) SDL_DestroyTexture(texture_);
        if (renderer_) SDL_DestroyRenderer(renderer_);
        if (window_) SDL_DestroyWindow(window_);
        texture_ = nullptr;
        renderer_ = nullptr;
        window_ = nullptr;
    }

    void ShowFrame(bool maximized) override {
        if (!window_) return;
        SDL_ShowWindow(window_);
        if (maximized) SDL_MaximizeWindow(window_);
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

    void Present(const Screen& screen) override { Draw(screen); }

    void ShowMessageBox(bool owned, const std::string& caption, const std::string& text, win::UINT style) override {
        SDL_MessageBoxButtonData button{
            SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, win::IDOK, "OK"};
        SDL_MessageBoxData box{BoxFlags(style), owned ? window_ : nullptr, caption.c_str(), text.c_str(), 1, &button,
                               nullptr};
        int pressed = 0;
        if (SDL_ShowMessageBox(&box, &pressed) != 0)
            std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());  // no display to show it on
    }

    void Beep(win::UINT) override {}

    win::UINT WaveOutDevices() override {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
        int devices = SDL_GetNumAudioDevices(0);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        // -1: the system cannot list its devices, but a default one works.
        return devices < 0 ? 1 : static_cast<win::UINT>(devices);
    }

    void Shutdown() override { CloseFrame(); }

private:
    bool StartVideo() {
        if (video_) return true;
        // A click that activates the window is still a click, as on Windows.
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "corvanta: no display: %s\n", SDL_GetError());
            return false;
        }
        video_ = true;
        return true;
    }

    // Where the screen goes in the renderer's output: scaled, aspect kept, centred.
    SDL_Rect Placement(Size screen) const {
        int outputWidth = 0, outputHeight = 0;
        SDL_GetRendererOutputSize(renderer_, &outputWidth, &outputHeight);
        double scale = std::min(static_cast<double>(outputWidth) / screen.width,
                                static_cast<double>(outputHeight) / screen.height);
        int width = std::max(1, static_cast<int>(screen.width * scale + 0.5));
        int height = std::max(1, static_cast<int>(screen.height * scale + 0.5));
        return {(outputWidth - width) / 2, (outputHeight - height) / 2, width, height};
    }

    void Draw(const Screen& screen) {
        if (!renderer_) return;
        Size size = screen.GetSize();
        if (!texture_ || textureSize_ != size) {
            if (texture_) SDL_DestroyTexture(texture_);
            texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, size.width,
                                         size.height);
            textureSize_ = size;
            if (!texture_) return;
        }
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0) return;
        ConvertToXrgb(screen, static_cast<std::uint32_t*>(pixels), pitch / 4);
        SDL_UnlockTexture(texture_);
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_Rect target = Placement(size);
        SDL_RenderCopy(renderer_, texture_, nullptr, &target);
        SDL_RenderPresent(renderer_);
    }

    // A window point as a point of the presentation screen.
    SDL_Point ToScreen(int x, int y) const {
        Size size = TheScreen().GetSize();
        int windowWidth = 1, windowHeight = 1, outputWidth = 1, outputHeight = 1;
        SDL_GetWindowSize(window_, &windowWidth, &windowHeight);
        SDL_GetRendererOutputSize(renderer_, &outputWidth, &outputHeight);
        double px = static_cast<double>(x) * outputWidth / std::max(windowWidth, 1);
        double py = static_cast<double>(y) * outputHeight / std::max(windowHeight, 1);
        SDL_Rect target = Placement(size);
        return {static_cast<int>((px - target.x) * size.width / target.w),
                static_cast<int>((py - target.y) * size.height / target.h)};
    }

    void Handle(const SDL_Event& event) {
        switch (event.type) {
            case SDL_QUIT: RequestClose(); break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                    RequestClose();
                } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                    ClientResized(ClientSize());
                    Draw(TheScreen());
                } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                    Draw(TheScreen());
                }
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                if (win::UINT vk = VirtualKey(event.key.keysym.sym))
                    QueueKey(vk, event.type == SDL_KEYDOWN, event.key.repeat != 0);
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                if (event.button.button == SDL_BUTTON_LEFT && renderer_) {
                    SDL_Point point = ToScreen(event.button.x, event.button.y);
                    QueueLeftButton(point.x, point.y, event.type == SDL_MOUSEBUTTONDOWN);
                }
                break;
            default: break;
        }
    }

    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    bool video_ = false;
    std::uint64_t lastPoll_ = UINT64_MAX;
    bool clockRead_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    Size textureSize_;
};

}  // namespace

std::unique_ptr<Backend> MakeSdlBackend(const Settings&) { return std::make_unique<SdlBackend>(); }

}  // namespace platform
