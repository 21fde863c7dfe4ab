// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win/keys.h"

#include <cctype>
#include <charconv>
#include <string>

#include "platform/core/letter_case.h"

namespace platform {
namespace {

struct ScanCode {
    win::UINT code;
    bool extended;
};

// Scan codes of a standard keyboard (set 1) for the keys the layer produces.
ScanCode ScanCodeOf(win::UINT vk) {
    static constexpr char Letters[] = "QWERTYUIOP\0\0\0\0ASDFGHJKL\0\0\0\0\0ZXCVBNM";
    if (vk >= 'A' && vk <= 'Z') {
        for (win::UINT i = 0; i < sizeof Letters - 1; ++i)
            if (static_cast<win::UINT>(Letters[i]) == vk) return {0x10 + i, false};
    }
    if (vk >= '1' && vk <= '9') return {0x02 + (vk - '1'), false};
    if (vk == '0') return {0x0B, false};
    if (vk >= win::VK_F1 && vk <= win::VK_F1 + 9) return {0x3B + (vk - win::VK_F1), false};
    switch (vk) {
        case win::VK_F1 + 10: return {0x57, false};
        case win::VK_F1 + 11: return {0x58, false};
        case win::VK_ESCAPE: return {0x01, false};
        case win::VK_BACK: return {0x0E, false};
        case win::VK_TAB: return {0x0F, false};
        case win::VK_RETURN: return {0x1C, false};
        case win::VK_SPACE: return {0x39, false};
        case VK_SHIFT: return {0x2A, false};
        case VK_CONTROL: return {0x1D, false};
        case VK_MENU: return {0x38, false};
        case win::VK_UP: return {0x48, true};
        case win::VK_LEFT: return {0x4B, true};
        case win::VK_RIGHT: return {0x4D, true};
        case win::VK_DOWN: return {0x50, true};
        case 0x21: return {0x49, true};  // page up
        case 0x22: return {0x51, true};  // page down
        case 0x23: return {0x4F, true};  // end
        case 0x24: return {0x47, true};  // home
        case 0x2D: return {0x52, true};  // insert
        case 0x2E: return {0x53, true};  // delete
        default: return {0, false};
    }
}

}  // namespace

std::optional<win::UINT> KeyFromName(std::string_view name) {
    const std::string lower = Lowercase(name);
    if (lower == "escape") return win::VK_ESCAPE;
    if (lower == "space") return win::VK_SPACE;
    if (lower == "return") return win::VK_RETURN;
    if (lower == "tab") return win::VK_TAB;
    if (lower == "left") return win::VK_LEFT;
    if (lower == "right") return win::VK_RIGHT;
    if (lower == "up") return win::VK_UP;
    if (lower == "down") return win::VK_DOWN;
    if (lower.size() == 1 && lower[0] >= 'a' && lower[0] <= 'z') return static_cast<win::UINT>(lower[0] - 'a' + 'A');
    if (lower.size() == 1 && lower[0] >= '0' && lower[0] <= '9') return static_cast<win::UINT>(lower[0]);
    if (lower.size() >= 2 && lower[0] == 'f' && std::isdigit(static_cast<unsigned char>(lower[1]))) {
        int number = 0;
        auto [end, error] = std::from_chars(lower.data() + 1, lower.data() + lower.size(), number);
        if (error == std::errc{} && end == lower.data() + lower.size() && number >= 1 && number <= 12)
            return win::VK_F1 + number - 1;
        return std::nullopt;
    }
    // A virtual-key number: 0x.. or decimal.
    int base = 10;
    std::string_view digits = lower;
    if (digits.starts_with("0x")) {
        base = 16;
        digits.remove_prefix(2);
    }
    unsigned value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() || value < 1 || value > 254)
        return std::nullopt;
    return value;
}

win::LPARAM KeyLParam(win::UINT vk, bool down, bool repeat, bool altHeld) {
    ScanCode scan = ScanCodeOf(vk);
    win::DWORD value = 1 | scan.code << 16;
    if (scan.extended) value |= 1u << 24;
    if (altHeld) value |= 1u << 29;
    if (!down || repeat) value |= 1u << 30;
    if (!down) value |= 1u << 31;
    return static_cast<win::LPARAM>(value);
}

char KeyCharacter(win::UINT vk, bool shift) {
    if (vk >= 'A' && vk <= 'Z') return static_cast<char>(shift ? vk : vk - 'A' + 'a');
    if (vk >= '0' && vk <= '9') return static_cast<char>(vk);
    switch (vk) {
        case win::VK_SPACE: return ' ';
        case win::VK_RETURN: return '\r';
        case win::VK_ESCAPE: return 0x1B;
        case win::VK_TAB: return '\t';
        case win::VK_BACK: return '\b';
        default: return 0;
    }
}

}  // namespace platform
