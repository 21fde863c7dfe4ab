// SPDX-License-Identifier: GPL-3.0-or-later
// The text that AUD_last_error reports: the reason for the latest failure.
#pragma once

#include <string>

namespace aud {

void SetLastError(std::string text);
// A copy owned by the calling thread, valid until its next call.
const char* LastError();

}  // namespace aud
