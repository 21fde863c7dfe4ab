// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh platform session under changed settings, for one test: the
// settings are read once per session, so a test of another setting needs a
// session of its own rather than a program of its own.
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "platform/core/session.h"

namespace test {

class SessionWith {
public:
    // Name to value; a null value unsets the variable.
    explicit SessionWith(const std::map<std::string, const char*>& settings) {
        for (const auto& [name, value] : settings) {
            const char* before = std::getenv(name.c_str());
            saved_[name] = before ? std::optional<std::string>(before) : std::nullopt;
            if (value)
                ::setenv(name.c_str(), value, 1);
            else
                ::unsetenv(name.c_str());
        }
        session_.emplace();
    }
    SessionWith(const SessionWith&) = delete;
    SessionWith& operator=(const SessionWith&) = delete;
    ~SessionWith() {
        session_.reset();
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
    std::optional<platform::FreshSession> session_;
};

}  // namespace test
