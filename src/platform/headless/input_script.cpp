// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/headless/input_script.h"

#include <charconv>
#include <cstdint>
#include <optional>

#include "platform/win/keys.h"

namespace platform {
namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (true) {
        at = line.find_first_not_of(" \t\r", at);
        if (at == std::string_view::npos) break;
        std::size_t end = line.find_first_of(" \t\r", at);
        if (end == std::string_view::npos) end = line.size();
        words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

// Decimal, or hexadecimal after 0x.
template <class T>
std::optional<T> Number(std::string_view word) {
    int base = 10;
    bool negative = !word.empty() && word[0] == '-';
    if (negative) word.remove_prefix(1);
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        base = 16;
        word.remove_prefix(2);
    }
    T value{};
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, base);
    if (word.empty() || error != std::errc{} || end != word.data() + word.size()) return std::nullopt;
    if (negative) {
        if constexpr (std::is_signed_v<T>) return -value;
        return std::nullopt;
    }
    return value;
}

// The rest of the line after the first `count` words.
std::string_view RestAfter(std::string_view line, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        at = line.find_first_not_of(" \t", at);
        at = line.find_first_of(" \t", at);
        if (at == std::string_view::npos) return {};
    }
    at = line.find_first_not_of(" \t", at);
    if (at == std::string_view::npos) return {};
    std::string_view rest = line.substr(at);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r')) rest.remove_suffix(1);
    return rest;
}

// Readers of one kind of event from the line's words (time and kind first):
// each fills `event` and gives the error, or nothing.
using WordList = std::vector<std::string_view>;

std::string ReadKey(const WordList& words, std::string_view, ScriptEvent& event) {
    auto key = KeyFromName(words[2]);
    if (!key) return "unknown key " + std::string(words[2]);
    event.kind = ScriptEvent::Kind::Key;
    event.key = *key;
    return {};
}

std::string ReadClick(const WordList& words, std::string_view, ScriptEvent& event) {
    auto x = Number<int>(words[2]), y = Number<int>(words[3]);
    if (!x || !y || *x < -32768 || *x > 32767 || *y < -32768 || *y > 32767) return "bad click position";
    event.kind = ScriptEvent::Kind::Click;
    event.x = *x;
    event.y = *y;
    return {};
}

std::string ReadMessage(const WordList& words, std::string_view, ScriptEvent& event) {
    auto message = Number<win::UINT>(words[2]);
    auto wParam = words.size() == 4 ? Number<win::WPARAM>(words[3]) : std::optional<win::WPARAM>(0);
    if (!message || !wParam) return "bad message number or parameter";
    event.kind = ScriptEvent::Kind::Message;
    event.message = *message;
    event.wParam = *wParam;
    return {};
}

std::string ReadSnapshot(const WordList&, std::string_view line, ScriptEvent& event) {
    std::string_view file = RestAfter(line, 2);
    if (file.empty()) return "snapshot needs a file";
    event.kind = ScriptEvent::Kind::Snapshot;
    event.file = file;
    return {};
}

std::string ReadResize(const WordList& words, std::string_view, ScriptEvent& event) {
    auto width = Number<int>(words[2]), height = Number<int>(words[3]);
    if (!width || !height || *width < 1 || *height < 1 || *width > 16384 || *height > 16384) return "bad size";
    event.kind = ScriptEvent::Kind::Resize;
    event.size = {*width, *height};
    return {};
}

std::string ReadClose(const WordList&, std::string_view, ScriptEvent& event) {
    event.kind = ScriptEvent::Kind::Close;
    return {};
}

struct EventForm {
    std::string_view kind;
    std::size_t fewestWords, mostWords;  // time and kind included
    std::string (*read)(const WordList& words, std::string_view line, ScriptEvent& event);
};

constexpr EventForm EventForms[] = {
    {"key", 3, 3, ReadKey},         {"click", 4, 4, ReadClick},
    {"message", 3, 4, ReadMessage}, {"snapshot", 2, SIZE_MAX, ReadSnapshot},
    {"resize", 4, 4, ReadResize},   {"close", 2, 2, ReadClose},
};

std::optional<ScriptEvent> ParseLine(std::string_view line, std::string* error) {
    auto words = Words(line);
    if (words.size() < 2) {
        *error = "expected a time and an event";
        return std::nullopt;
    }
    ScriptEvent event;
    auto time = Number<std::uint64_t>(words[0]);
    if (!time) {
        *error = "bad time";
        return std::nullopt;
    }
    event.time = *time;
    const std::string_view kind = words[1];
    for (const EventForm& form : EventForms) {
        if (form.kind != kind) continue;
        if (words.size() < form.fewestWords || words.size() > form.mostWords)
            *error = "wrong number of fields for " + std::string(kind);
        else
            *error = form.read(words, line, event);
        if (!error->empty()) return std::nullopt;
        return event;
    }
    *error = "unknown event " + std::string(kind);
    return std::nullopt;
}

}  // namespace

InputScript ParseInputScript(std::string_view text) {
    InputScript script;
    std::size_t at = 0;
    for (int number = 1; at < text.size(); ++number) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
        std::string error;
        if (auto event = ParseLine(line, &error)) {
            script.events.push_back(std::move(*event));
        } else {
            std::string shown(line);
            while (!shown.empty() && (shown.back() == '\r' || shown.back() == ' ')) shown.pop_back();
            script.errors.push_back("line " + std::to_string(number) + ": " + error + ": " + shown);
        }
    }
    return script;
}

}  // namespace platform
