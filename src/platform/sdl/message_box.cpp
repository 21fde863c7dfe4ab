// SPDX-License-Identifier: GPL-3.0-or-later
// The box: a caption bar, the icon's symbol, the wrapped text and a default
// OK button, centred in the window.
#include "platform/sdl/message_box.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/core/tell_user.h"

namespace platform {
namespace {

using Measure = std::function<int(std::string_view)>;

constexpr const char* FontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int FontSize = 14;
constexpr int SmallestFontSize = 8;  // a text that does not fit even so scrolls
constexpr int ScrollBarWidth = 4;
constexpr int Padding = 16;  // around the content
constexpr int SymbolSize = 32;
constexpr int SymbolGap = 12;  // between the symbol and the text
constexpr int WidestText = 420;
constexpr int NarrowestBox = 240;
constexpr int ButtonWidth = 88;
constexpr int FooterPadding = 10;
constexpr int WindowMargin = 8;  // kept free around a box over the presentation
constexpr int ShadowOffset = 4;

constexpr SDL_Color Transparent{0, 0, 0, 0};
constexpr SDL_Color White{255, 255, 255, 255};
constexpr SDL_Color Black{0, 0, 0, 255};
constexpr SDL_Color FrameColour{90, 90, 90, 255};
constexpr SDL_Color CaptionColour{0, 90, 158, 255};
constexpr SDL_Color FooterColour{240, 240, 240, 255};
constexpr SDL_Color ButtonFace{225, 225, 225, 255};
constexpr SDL_Color ButtonPressed{204, 228, 247, 255};
constexpr SDL_Color ButtonBorder{0, 120, 215, 255};
constexpr SDL_Color Shadow{0, 0, 0, 90};

struct SdlDeleter {
    void operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
    void operator()(TTF_Font* font) const { TTF_CloseFont(font); }
    void operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }
    void operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
};
template <typename T>
using Owned = std::unique_ptr<T, SdlDeleter>;

// ---------------------------------------------------------------- the symbol

enum class Symbol { None, Stop, Question, Warning, Information };

Symbol SymbolOf(win::UINT style) {
    switch (style & 0xF0) {
        case win::MB_ICONHAND: return Symbol::Stop;
        case win::MB_ICONQUESTION: return Symbol::Question;
        case win::MB_ICONEXCLAMATION: return Symbol::Warning;
        case win::MB_ICONASTERISK: return Symbol::Information;
        default: return Symbol::None;
    }
}

// Geometry in symbol units: the symbol is one unit wide, y grows downwards.
double SegmentDistance(double x, double y, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double length = dx * dx + dy * dy;
    const double t = length > 0 ? std::clamp(((x - ax) * dx + (y - ay) * dy) / length, 0.0, 1.0) : 0.0;
    return std::hypot(x - ax - t * dx, y - ay - t * dy);
}

// Positive on the inner side of the edge a-b of a triangle listed clockwise.
double EdgeDistance(double x, double y, double ax, double ay, double bx, double by) {
    return ((bx - ax) * (y - ay) - (by - ay) * (x - ax)) / std::hypot(bx - ax, by - ay);
}

// The "?": an arc from the left over the top down to the right, a stroke
// back to the middle and a dot.
bool QuestionMark(double x, double y, double stroke) {
    constexpr double cx = 0.5, cy = 0.37, radius = 0.14, end = 1.1;  // end: radians below the right
    const double ex = cx + radius * std::cos(end), ey = cy + radius * std::sin(end);
    const double angle = std::atan2(y - cy, x - cx);
    const double arc = angle <= end ? std::abs(std::hypot(x - cx, y - cy) - radius)
                                    : std::min(std::hypot(x - cx + radius, y - cy), std::hypot(x - ex, y - ey));
    return arc < stroke || SegmentDistance(x, y, ex, ey, 0.5, 0.58) < stroke ||
           SegmentDistance(x, y, 0.5, 0.58, 0.5, 0.62) < stroke || std::hypot(x - 0.5, y - 0.77) < 0.065;
}

SDL_Color SymbolAt(Symbol symbol, double x, double y) {
    constexpr double Stroke = 0.06;  // half a mark's stroke
    constexpr double Disc = 0.48;
    const double fromCentre = std::hypot(x - 0.5, y - 0.5);
    switch (symbol) {
        case Symbol::Stop: {
            if (fromCentre > Disc) return Transparent;
            const bool cross = SegmentDistance(x, y, 0.33, 0.33, 0.67, 0.67) < Stroke ||
                               SegmentDistance(x, y, 0.67, 0.33, 0.33, 0.67) < Stroke;
            return cross ? White : SDL_Color{200, 40, 30, 255};
        }
        case Symbol::Information: {
            if (fromCentre > Disc) return Transparent;
            const bool mark =
                std::hypot(x - 0.5, y - 0.27) < 0.07 || SegmentDistance(x, y, 0.5, 0.43, 0.5, 0.75) < Stroke;
            return mark ? White : SDL_Color{20, 100, 200, 255};
        }
        case Symbol::Question:
            if (fromCentre > Disc) return Transparent;
            return QuestionMark(x, y, Stroke) ? White : SDL_Color{20, 100, 200, 255};
        case Symbol::Warning: {
            const double inside =
                std::min({EdgeDistance(x, y, 0.5, 0.05, 0.97, 0.93), EdgeDistance(x, y, 0.97, 0.93, 0.03, 0.93),
                          EdgeDistance(x, y, 0.03, 0.93, 0.5, 0.05)});
            if (inside < 0) return Transparent;
            if (inside < 0.04) return SDL_Color{170, 120, 0, 255};
            const bool mark =
                SegmentDistance(x, y, 0.5, 0.38, 0.5, 0.64) < Stroke || std::hypot(x - 0.5, y - 0.79) < 0.065;
            return mark ? Black : SDL_Color{255, 200, 20, 255};
        }
        case Symbol::None: break;
    }
    return Transparent;
}

// Drawn in software with 4x4 samples a pixel, for smooth edges.
Owned<SDL_Surface> DrawSymbol(Symbol symbol, int size) {
    Owned<SDL_Surface> surface(SDL_CreateRGBSurfaceWithFormat(0, size, size, 32, SDL_PIXELFORMAT_RGBA32));
    if (!surface) return nullptr;
    constexpr int Samples = 4;
    for (int y = 0; y < size; ++y) {
        auto* row = static_cast<Uint8*>(surface->pixels) + static_cast<std::ptrdiff_t>(y) * surface->pitch;
        for (int x = 0; x < size; ++x) {
            double red = 0, green = 0, blue = 0, alpha = 0;
            for (int sy = 0; sy < Samples; ++sy) {
                for (int sx = 0; sx < Samples; ++sx) {
                    SDL_Color c =
                        SymbolAt(symbol, (x + (sx + 0.5) / Samples) / size, (y + (sy + 0.5) / Samples) / size);
                    const double weight = c.a / 255.0;
                    red += c.r * weight;
                    green += c.g * weight;
                    blue += c.b * weight;
                    alpha += weight;
                }
            }
            Uint8* pixel = row + std::ptrdiff_t{x} * 4;
            pixel[0] = alpha > 0 ? static_cast<Uint8>(std::lround(red / alpha)) : 0;
            pixel[1] = alpha > 0 ? static_cast<Uint8>(std::lround(green / alpha)) : 0;
            pixel[2] = alpha > 0 ? static_cast<Uint8>(std::lround(blue / alpha)) : 0;
            pixel[3] = static_cast<Uint8>(std::lround(alpha * 255 / (Samples * Samples)));
        }
    }
    return surface;
}

// ---------------------------------------------------------------- text

// The program's texts are in the Windows code page; the font wants UTF-8.
std::string FromAnsi(const std::string& text) {
    char* converted = SDL_iconv_string("UTF-8", "WINDOWS-1252", text.c_str(), text.size() + 1);
    if (!converted) return text;
    std::string utf8 = converted;
    SDL_free(converted);
    return utf8;
}

Owned<TTF_Font> OpenFont() {
    if (!TTF_WasInit() && TTF_Init() != 0) return nullptr;
    return Owned<TTF_Font>(TTF_OpenFont(FontPath, FontSize));
}

int TextWidth(TTF_Font* font, std::string_view text) {
    int width = 0, height = 0;
    if (text.empty() || TTF_SizeUTF8(font, std::string(text).c_str(), &width, &height) != 0) return 0;
    return width;
}

struct Label {
    Owned<SDL_Texture> texture;
    int width = 0, height = 0;
};

Label MakeLabel(SDL_Renderer* renderer, TTF_Font* font, const std::string& text, SDL_Color colour) {
    Label label;
    if (!font || text.empty()) return label;
    Owned<SDL_Surface> surface(TTF_RenderUTF8_Blended(font, text.c_str(), colour));
    if (!surface) return label;
    label.texture.reset(SDL_CreateTextureFromSurface(renderer, surface.get()));
    label.width = surface->w;
    label.height = surface->h;
    return label;
}

// The start of word that fits in width: at least one character.
std::size_t FittingPrefix(std::string_view word, int width, const Measure& measure) {
    // A character is at least a pixel wide: no more than width + 1 of them need trying.
    std::vector<std::size_t> ends;
    for (std::size_t i = 1; i <= word.size() && ends.size() <= static_cast<std::size_t>(width); ++i)
        if (i == word.size() || (static_cast<unsigned char>(word[i]) & 0xC0) != 0x80) ends.push_back(i);
    auto fits = std::partition_point(ends.begin(), ends.end(),
                                     [&](std::size_t end) { return measure(word.substr(0, end)) <= width; });
    return fits == ends.begin() ? ends.front() : *(fits - 1);
}

void WrapParagraph(std::string_view paragraph, int width, const Measure& measure, std::vector<std::string>& lines) {
    std::string line;
    std::size_t at = 0;
    while (at < paragraph.size()) {
        const std::size_t wordStart = paragraph.find_first_not_of(' ', at);
        if (wordStart == std::string_view::npos) break;
        const std::size_t wordEnd = std::min(paragraph.find(' ', wordStart), paragraph.size());
        std::string_view word = paragraph.substr(wordStart, wordEnd - wordStart);
        std::string candidate = line;
        candidate.append(paragraph.substr(at, wordStart - at)).append(word);
        at = wordEnd;
        if (measure(candidate) <= width) {
            line = std::move(candidate);
            continue;
        }
        if (!line.empty()) lines.push_back(std::move(line));
        // The spaces before a wrapped word are dropped; a long word is split.
        for (std::size_t cut; (cut = FittingPrefix(word, width, measure)) < word.size(); word.remove_prefix(cut))
            lines.emplace_back(word.substr(0, cut));
        line = word;
    }
    lines.push_back(std::move(line));
}

// ---------------------------------------------------------------- the box

void Fill(SDL_Renderer* renderer, const SDL_Rect& rect, SDL_Color colour) {
    SDL_SetRenderDrawColor(renderer, colour.r, colour.g, colour.b, colour.a);
    SDL_RenderFillRect(renderer, &rect);
}

void Outline(SDL_Renderer* renderer, SDL_Rect rect, SDL_Color colour, int thickness) {
    SDL_SetRenderDrawColor(renderer, colour.r, colour.g, colour.b, colour.a);
    for (int i = 0; i < thickness && rect.w > 0 && rect.h > 0; ++i) {
        SDL_RenderDrawRect(renderer, &rect);
        rect = {rect.x + 1, rect.y + 1, rect.w - 2, rect.h - 2};
    }
}

void Put(SDL_Renderer* renderer, const Label& label, int x, int y) {
    if (!label.texture) return;
    SDL_Rect target{x, y, label.width, label.height};
    SDL_RenderCopy(renderer, label.texture.get(), nullptr, &target);
}

// A button of a box and the answer it gives.
struct Choice {
    const char* label;
    int answer;
};

// The box's geometry follows the renderer's output size; its textures are
// made on first drawing, so that a view without a renderer can measure. A
// text too tall for the output is set smaller, down to a size still legible,
// and scrolls beyond that.
class BoxView {
public:
    // margin: room kept free around the box in the output.
    BoxView(SDL_Renderer* renderer, TTF_Font* font, std::string caption, std::string text, Symbol symbol, int margin,
            std::vector<Choice> choices)
        : renderer_(renderer),
          font_(font),
          caption_(std::move(caption)),
          text_(std::move(text)),
          symbol_(symbol),
          margin_(margin),
          choices_(std::move(choices)),
          buttons_(choices_.size()) {}

    // Lays the box out for an output of that size; returns where the box goes.
    SDL_Rect Place(int outputWidth, int outputHeight) {
        if (outputWidth == outputWidth_ && outputHeight == outputHeight_) return box_;
        outputWidth_ = outputWidth;
        outputHeight_ = outputHeight;
        bool fits = false;
        for (int size = FontSize; size >= SmallestFontSize && !fits; --size)
            fits = Layout(outputWidth, outputHeight, size, 0) || !font_;
        // The scroll bar takes its room from the text.
        if (!fits) Layout(outputWidth, outputHeight, SmallestFontSize, ScrollBarWidth + SymbolGap / 2);
        first_ = std::min(first_, LastFirstLine());
        ForgetTextures();
        return box_;
    }

    // Moves the text by `lines`; false when it is at that end already.
    bool Scroll(int lines) {
        const long long last = static_cast<long long>(LastFirstLine());
        const auto first =
            static_cast<std::size_t>(std::clamp<long long>(static_cast<long long>(first_) + lines, 0, last));
        if (first == first_) return false;
        first_ = first;
        lineLabels_.clear();
        return true;
    }
    int LinesShown() const { return static_cast<int>(shown_); }

    // pressed: the button held down, -1 for none.
    void Draw(int pressed) {
        int outputWidth = 0, outputHeight = 0;
        SDL_GetRendererOutputSize(renderer_, &outputWidth, &outputHeight);
        Place(outputWidth, outputHeight);
        MakeTextures();
        SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_BLEND);
        Fill(renderer_, {box_.x + ShadowOffset, box_.y + ShadowOffset, box_.w, box_.h}, Shadow);
        SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
        Fill(renderer_, box_, White);
        Fill(renderer_, captionBar_, CaptionColour);
        Fill(renderer_, footer_, FooterColour);
        Outline(renderer_, box_, FrameColour, 1);

        SDL_Rect captionText{captionBar_.x + Padding, captionBar_.y, std::max(0, captionBar_.w - 2 * Padding),
                             captionBar_.h};
        SDL_RenderSetClipRect(renderer_, &captionText);
        Put(renderer_, captionLabel_, captionText.x, captionBar_.y + (captionBar_.h - captionLabel_.height) / 2);
        SDL_RenderSetClipRect(renderer_, &content_);
        int textLeft = content_.x;
        if (symbol_ != Symbol::None) {
            SDL_Rect target{content_.x, content_.y, SymbolSize, SymbolSize};
            SDL_RenderCopy(renderer_, symbolTexture_.get(), nullptr, &target);
            textLeft += SymbolSize + SymbolGap;
        }
        for (std::size_t i = 0; i < lineLabels_.size(); ++i)
            Put(renderer_, lineLabels_[i], textLeft, textTop_ + static_cast<int>(i) * lineSkip_);
        if (LastFirstLine() > 0) DrawScrollBar();
        SDL_RenderSetClipRect(renderer_, &footer_);
        for (std::size_t i = 0; i < buttons_.size(); ++i) {
            const SDL_Rect& button = buttons_[i];
            Fill(renderer_, button, static_cast<int>(i) == pressed ? ButtonPressed : ButtonFace);
            Outline(renderer_, button, ButtonBorder, 2);
            Put(renderer_, buttonLabels_[i], button.x + (button.w - buttonLabels_[i].width) / 2,
                button.y + (button.h - buttonLabels_[i].height) / 2);
        }
        SDL_RenderSetClipRect(renderer_, nullptr);
    }

    // The button at point, -1 for none.
    int ButtonAt(SDL_Point point) const {
        for (std::size_t i = 0; i < buttons_.size(); ++i)
            if (SDL_PointInRect(&point, &buttons_[i])) return static_cast<int>(i);
        return -1;
    }

private:
    // Lays the box out at one font size; true when all of the text shows.
    bool Layout(int outputWidth, int outputHeight, int fontSize, int scrollBar) {
        if (font_) {
            TTF_SetFontSize(font_, fontSize);
            TTF_SetFontStyle(font_, TTF_STYLE_BOLD);
            captionWidth_ = TextWidth(font_, caption_);
            TTF_SetFontStyle(font_, TTF_STYLE_NORMAL);
        }
        lineSkip_ = font_ ? std::max(1, TTF_FontLineSkip(font_)) : FontSize + 3;
        const int symbolPart = symbol_ == Symbol::None ? 0 : SymbolSize + SymbolGap;
        const int room = std::min(WidestText, outputWidth - 2 * margin_ - 2 * Padding - symbolPart) - scrollBar;
        lines_.clear();
        int textWidth = 0;
        if (font_) {
            lines_ = WrapText(text_, room, [this](std::string_view text) { return TextWidth(font_, text); });
            for (const auto& line : lines_) textWidth = std::max(textWidth, TextWidth(font_, line));
        }
        textWidth += scrollBar;
        const int captionHeight = lineSkip_ + 12;
        const int buttonHeight = lineSkip_ + 10;
        const int footerHeight = buttonHeight + 2 * FooterPadding;
        const int textHeight = static_cast<int>(lines_.size()) * lineSkip_;
        const int contentHeight = std::max(symbol_ == Symbol::None ? 0 : SymbolSize, textHeight);
        const int buttonRow = static_cast<int>(choices_.size()) * (ButtonWidth + Padding) + Padding;
        int width =
            std::max({2 * Padding + symbolPart + textWidth, captionWidth_ + 2 * Padding, NarrowestBox, buttonRow});
        int height = captionHeight + 2 * Padding + contentHeight + footerHeight;
        width = std::max(1, std::min(width, outputWidth - 2 * margin_));
        height = std::max(1, std::min(height, outputHeight - 2 * margin_));
        box_ = {(outputWidth - width) / 2, (outputHeight - height) / 2, width, height};
        captionBar_ = {box_.x, box_.y, width, captionHeight};
        footer_ = {box_.x, box_.y + height - footerHeight, width, footerHeight};
        content_ = {box_.x + Padding, box_.y + captionHeight + Padding, std::max(0, width - 2 * Padding),
                    std::max(0, footer_.y - box_.y - captionHeight - 2 * Padding)};
        const int buttonsWidth = static_cast<int>(buttons_.size()) * (ButtonWidth + Padding) - Padding;
        for (std::size_t i = 0; i < buttons_.size(); ++i)
            buttons_[i] = {box_.x + (width - buttonsWidth) / 2 + static_cast<int>(i) * (ButtonWidth + Padding),
                           footer_.y + FooterPadding, ButtonWidth, buttonHeight};
        // Short text sits level with the symbol's middle.
        textTop_ = content_.y + std::max(0, contentHeight - textHeight) / 2;
        // Whole lines only: a line cut in half reads as the end of the text.
        shown_ = static_cast<std::size_t>(std::max(1, (content_.y + content_.h - textTop_) / lineSkip_));
        return lines_.size() <= shown_;
    }

    std::size_t LastFirstLine() const { return lines_.size() > shown_ ? lines_.size() - shown_ : 0; }

    // Where the shown lines stand in the whole text, at the content's right edge.
    void DrawScrollBar() {
        const int track = content_.h;
        const int total = static_cast<int>(lines_.size());
        const int thumb = std::max(8, track * static_cast<int>(shown_) / total);
        const int top = content_.y + (track - thumb) * static_cast<int>(first_) / static_cast<int>(LastFirstLine());
        const int left = content_.x + content_.w - ScrollBarWidth;
        Fill(renderer_, {left, content_.y, ScrollBarWidth, track}, FooterColour);
        Fill(renderer_, {left, top, ScrollBarWidth, thumb}, FrameColour);
    }

    void ForgetTextures() {
        texturesMade_ = false;
        lineLabels_.clear();
    }

    void MakeTextures() {
        if (!texturesMade_) {
            texturesMade_ = true;
            buttonLabels_.clear();
            for (const Choice& choice : choices_)
                buttonLabels_.push_back(MakeLabel(renderer_, font_, choice.label, Black));
            if (font_) TTF_SetFontStyle(font_, TTF_STYLE_BOLD);
            captionLabel_ = MakeLabel(renderer_, font_, caption_, White);
            if (font_) TTF_SetFontStyle(font_, TTF_STYLE_NORMAL);
            if (!symbolTexture_) {
                if (Owned<SDL_Surface> surface = symbol_ == Symbol::None ? nullptr : DrawSymbol(symbol_, SymbolSize))
                    symbolTexture_.reset(SDL_CreateTextureFromSurface(renderer_, surface.get()));
                if (symbolTexture_) SDL_SetTextureBlendMode(symbolTexture_.get(), SDL_BLENDMODE_BLEND);
            }
        }
        if (lineLabels_.empty()) {
            const std::size_t end = std::min(lines_.size(), first_ + shown_);
            for (std::size_t i = first_; i < end; ++i)
                lineLabels_.push_back(MakeLabel(renderer_, font_, lines_[i], Black));
        }
    }

    SDL_Renderer* renderer_;
    TTF_Font* font_;
    std::string caption_, text_;
    Symbol symbol_;
    int margin_;
    int lineSkip_ = 0;
    int captionWidth_ = 0;
    int outputWidth_ = -1, outputHeight_ = -1;
    SDL_Rect box_{}, captionBar_{}, content_{}, footer_{};
    std::vector<Choice> choices_;
    std::vector<SDL_Rect> buttons_;  // one a choice
    int textTop_ = 0;
    std::vector<std::string> lines_;  // the whole text, wrapped
    std::size_t shown_ = 0;           // lines that fit at once
    std::size_t first_ = 0;           // the first line shown
    bool texturesMade_ = false;
    Label captionLabel_;
    std::vector<Label> buttonLabels_;
    Owned<SDL_Texture> symbolTexture_;
    std::vector<Label> lineLabels_;
};

// A window point as a point of the renderer's output.
SDL_Point ToOutput(SDL_Window* window, SDL_Renderer* renderer, int x, int y) {
    int windowWidth = 1, windowHeight = 1, outputWidth = 1, outputHeight = 1;
    SDL_GetWindowSize(window, &windowWidth, &windowHeight);
    SDL_GetRendererOutputSize(renderer, &outputWidth, &outputHeight);
    return {x * outputWidth / std::max(windowWidth, 1), y * outputHeight / std::max(windowHeight, 1)};
}

// The answer a key gives, 0 for none: the first button's by Return, Enter
// or Space; the last one's by Escape; Y and N answer a question.
int AnswerOf(const SDL_KeyboardEvent& key, const std::vector<Choice>& choices) {
    if (key.repeat) return 0;  // a key held since before the box
    const bool question = choices.size() == 2;
    switch (key.keysym.sym) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_SPACE: return choices.front().answer;
        case SDLK_ESCAPE: return choices.back().answer;
        case SDLK_y: return question ? win::IDYES : 0;
        case SDLK_n: return question ? win::IDNO : 0;
        default: return 0;
    }
}

int ScrollLines(SDL_Keycode key, int page) {
    switch (key) {
        case SDLK_UP: return -1;
        case SDLK_DOWN: return 1;
        case SDLK_PAGEUP: return -page;
        case SDLK_PAGEDOWN: return page;
        default: return 0;
    }
}

}  // namespace

std::vector<std::string> WrapText(std::string_view text, int width, const Measure& measure) {
    width = std::max(width, 1);
    std::string flat(text);
    std::replace(flat.begin(), flat.end(), '\t', ' ');
    std::vector<std::string> lines;
    std::string_view rest = flat;
    while (true) {
        const std::size_t end = rest.find('\n');
        std::string_view paragraph = rest.substr(0, end);
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);
        WrapParagraph(paragraph, width, measure, lines);
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return lines;
}

namespace {

struct OwnWindow {
    Owned<SDL_Window> window;
    Owned<SDL_Renderer> renderer;
};

// Before the presentation window shows, the box comes in a window of its own,
// of the box's size; no renderer when none can be made.
OwnWindow OpenOwnWindow(TTF_Font* font, const std::string& captionText, const std::string& bodyText, Symbol symbol,
                        const std::vector<Choice>& choices) {
    OwnWindow own;
    SDL_Rect usable{0, 0, 640, 480};
    SDL_GetDisplayUsableBounds(0, &usable);
    SDL_Rect size = BoxView(nullptr, font, captionText, bodyText, symbol, 0, choices).Place(usable.w, usable.h);
    own.window.reset(SDL_CreateWindow(captionText.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, size.w,
                                      size.h, SDL_WINDOW_BORDERLESS));
    if (own.window) own.renderer.reset(SDL_CreateRenderer(own.window.get(), -1, 0));
    if (own.window && !own.renderer)
        own.renderer.reset(SDL_CreateRenderer(own.window.get(), -1, SDL_RENDERER_SOFTWARE));
    if (own.renderer) SDL_RaiseWindow(own.window.get());
    return own;
}

// The box answered by a click: as with a real button, it acts when the mouse
// button is released over the button it went down on. `pressed` follows it.
std::optional<int> ClickAnswer(const SDL_MouseButtonEvent& button, SDL_Window* window, SDL_Renderer* renderer,
                               const BoxView& view, const std::vector<Choice>& choices, int& pressed) {
    const int over = view.ButtonAt(ToOutput(window, renderer, button.x, button.y));
    if (button.type == SDL_MOUSEBUTTONUP && pressed >= 0 && over == pressed)
        return choices[static_cast<std::size_t>(over)].answer;
    pressed = button.type == SDL_MOUSEBUTTONDOWN ? over : -1;
    return std::nullopt;
}

// Shows the box until it is answered, dismissed, or the program is asked to close.
void Converse(SDL_Window* window, SDL_Renderer* renderer, BoxView& view, bool over, const std::vector<Choice>& choices,
              const std::function<void()>& drawUnder, BoxOutcome& outcome) {
    const Uint32 windowId = SDL_GetWindowID(window);
    int pressed = -1;  // the button the left button went down on
    bool dirty = true;
    while (true) {
        if (dirty) {
            if (over) {
                drawUnder();
            } else {
                SDL_SetRenderDrawColor(renderer, FooterColour.r, FooterColour.g, FooterColour.b, 255);
                SDL_RenderClear(renderer);
            }
            view.Draw(pressed);
            SDL_RenderPresent(renderer);
            dirty = false;
        }
        SDL_Event event;
        if (!SDL_WaitEvent(&event)) continue;
        switch (event.type) {
            case SDL_QUIT: outcome.closeRequested = true; return;
            case SDL_WINDOWEVENT:
                if (event.window.windowID != windowId) break;
                if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                    // Closing a box's own window only dismisses it.
                    outcome.closeRequested = over;
                    return;
                }
                if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) outcome.resized = true;
                dirty = true;
                break;
            case SDL_KEYDOWN:
                if (const int answer = AnswerOf(event.key, choices)) {
                    outcome.answer = answer;
                    return;
                }
                dirty = view.Scroll(ScrollLines(event.key.keysym.sym, view.LinesShown()));
                break;
            case SDL_MOUSEWHEEL: dirty = view.Scroll(-3 * event.wheel.y); break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                if (event.button.button != SDL_BUTTON_LEFT || event.button.windowID != windowId) break;
                if (const auto answer = ClickAnswer(event.button, window, renderer, view, choices, pressed)) {
                    outcome.answer = *answer;
                    return;
                }
                dirty = true;
                break;
            case SDL_RENDER_TARGETS_RESET: dirty = true; break;
            default: break;
        }
    }
}

}  // namespace

BoxOutcome RunMessageBox(SDL_Window* window, SDL_Renderer* renderer, const std::function<void()>& drawUnder,
                         const std::string& caption, const std::string& text, win::UINT style) {
    const std::vector<Choice> choices = (style & 0xF) == win::MB_YESNO
                                            ? std::vector<Choice>{{"Yes", win::IDYES}, {"No", win::IDNO}}
                                            : std::vector<Choice>{{"OK", win::IDOK}};
    BoxOutcome outcome;
    outcome.answer = choices.back().answer;  // a box nobody answers is refused
    const auto tell = [&] { TellUser(caption + ": " + text); };
    // Nobody could see the box or answer it.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0) {
        tell();
        return outcome;
    }
    Owned<TTF_Font> font = OpenFont();
    if (!font) tell();
    const Symbol symbol = SymbolOf(style);
    const std::string captionText = FromAnsi(caption), bodyText = FromAnsi(text);

    const bool over = window && renderer && !(SDL_GetWindowFlags(window) & SDL_WINDOW_HIDDEN);
    OwnWindow own;
    if (!over) {
        own = OpenOwnWindow(font.get(), captionText, bodyText, symbol, choices);
        if (!own.renderer) {
            if (font) tell();
            return outcome;
        }
        window = own.window.get();
        renderer = own.renderer.get();
    }
    BoxView view(renderer, font.get(), captionText, bodyText, symbol, over ? WindowMargin : 0, choices);
    Converse(window, renderer, view, over, choices, drawUnder, outcome);
    return outcome;
}

}  // namespace platform
