// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/last_error.h"

#include <mutex>

namespace aud {
namespace {

std::mutex errorMutex;
std::string lastError;

}  // namespace

void SetLastError(std::string text) {
    std::lock_guard lock(errorMutex);
    lastError = std::move(text);
}

const char* LastError() {
    thread_local std::string copy;
    std::lock_guard lock(errorMutex);
    copy = lastError;
    return copy.c_str();
}

}  // namespace aud
