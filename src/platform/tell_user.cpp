#include "platform/tell_user.h"

#include <cstdio>

namespace platform {

void TellUser(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

}  // namespace platform
