// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/kiosk.h"

#include <string>

#include "support/bmp_writer.h"

namespace test {

void WriteKiosk(const std::filesystem::path& root) {
    BmpFile picture;
    picture.width = picture.height = 1;
    picture.colours = {{0, 0, 0}, {200, 100, 50}};
    picture.clrUsed = 2;
    picture.pixels = PackRows({1}, 1, 1, 8);
    WriteFile(root / "sequence", "still a\ntimeout 1 -dir sub\nendstill\n");
    WriteFile(root / "sub/sequence", "still a\ntimeout 1 -dir ..\nendstill\n");
    WriteBytes(root / "a.bmp", picture.Bytes());
    WriteBytes(root / "sub/a.bmp", picture.Bytes());
}

PlayerRun RunKiosk(const std::filesystem::path& root, long long virtualMs) {
    PlayerOptions options;
    options.env = {
        {"CORVANTA_TRACE", ""}, {"CORVANTA_CLIENT", "16x16"}, {"CORVANTA_MAX_MS", std::to_string(virtualMs)}};
    return RunPlayer(root, options);
}

}  // namespace test
