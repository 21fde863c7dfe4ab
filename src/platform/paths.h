// Windows-style paths on a case-sensitive file system.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The host path a Windows-style path names: backslashes become slashes, and
// each component that does not exist as written is matched without regard
// to case (the first match in sorted order). Components that match nothing
// stay as written, so the result can name a file about to be created.
std::string ResolveHostPath(std::string_view path);

}  // namespace platform
