// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/trace.h"
#include "platform/core/pacing.h"
#include "platform/win/internal.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/core/backend.h"
#include "platform/core/disc_volume.h"
#include "platform/core/host_services.h"
#include "platform/core/session.h"
#include "platform/core/settings.h"
#include "platform/core/tell_user.h"

namespace platform {
namespace {

class TraceFile {
public:
    TraceFile() = default;
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;
    ~TraceFile() {
        if (file_ && file_ != stderr) std::fclose(file_);
    }

    void Write(const std::string& line) {
        std::lock_guard lock(mutex_);
        if (!opened_) Open();
        if (!file_ || failed_) return;
        // One write a line; a line that does not fit is taken back whole, so
        // that the trace ends with the last line written in full.
        const int descriptor = ::fileno(file_);
        const off_t start = ::lseek(descriptor, 0, SEEK_CUR);
        std::size_t done = 0;
        while (done < line.size()) {
            const ssize_t wrote = ::write(descriptor, line.data() + done, line.size() - done);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) {
                const int error = wrote < 0 ? errno : ENOSPC;
                if (start >= 0 && ::ftruncate(descriptor, start) == 0) ::lseek(descriptor, start, SEEK_SET);
                failed_ = true;
                TellUser("corvanta: trace " + CurrentSettings().trace + ": " + std::strerror(error));
                return;
            }
            done += static_cast<std::size_t>(wrote);
        }
    }

private:
    void Open() {
        opened_ = true;
        const std::string& path = CurrentSettings().trace;
        if (path.empty()) return;
        if (path == "-") {
            file_ = stderr;
            return;
        }
        file_ = std::fopen(path.c_str(), "w");
        if (!file_) TellUser("corvanta: trace " + path + ": " + std::strerror(errno));
    }

    std::mutex mutex_;
    bool opened_ = false;
    bool failed_ = false;  // said once; nothing more is written
    std::FILE* file_ = nullptr;
};

TraceFile& TheTraceFile() { return CurrentSession().Part<TraceFile>(); }

// The current folder relative to the starting folder; empty when it cannot be had.
std::string FolderForTrace() {
    if (const auto disc = DiscFolderForTrace()) return EscapeTraceText(*disc);
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error) return {};
    std::string relative = current.lexically_relative(StartFolder()).string();
    return EscapeTraceText(relative.empty() ? current.string() : relative);
}

}  // namespace

std::string EscapeTraceText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            default: out += c;
        }
    }
    return out;
}

std::string TraceFlags(std::uint32_t value) {
    if (value == 0xFFFFFFFFu) return "-1";
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

std::string FormatTraceLine(std::uint64_t ms, std::string_view fields) {
    std::string line = std::to_string(ms);
    line += '\t';
    line += fields;
    line += '\n';
    return line;
}

bool Tracing() { return !CurrentSettings().trace.empty(); }

bool TracingWaits() { return Tracing() && CurrentSettings().traceWaits; }

void WriteTraceAt(std::uint64_t ms, std::string_view fields) {
    if (!Tracing()) return;
    TheTraceFile().Write(FormatTraceLine(ms, fields));
}

void WriteTrace(std::string_view fields) {
    if (!Tracing()) return;
    WriteTraceAt(TheBackend().Now(), fields);
}

void TraceShow(std::string_view kind, std::string_view name) {
    if (!Tracing()) return;
    std::string fields = "show\t";
    fields += kind;
    fields += '\t';
    fields += EscapeTraceText(name);
    WriteTrace(fields);
}

void TraceFolder() {
    if (!Tracing()) return;
    std::string folder = FolderForTrace();
    if (!folder.empty()) WriteTrace("dir\t" + folder);
}

void TraceSpawn(std::string_view commandLine) {
    if (!Tracing()) return;
    WriteTrace("spawn\t" + FolderForTrace() + "\t" + EscapeTraceText(commandLine));
}

}  // namespace platform

// The host services the audio library looks up by name. They live here so
// that every program that traces also exports them.
extern "C" {

int corvanta_host_headless(void) { return platform::CurrentSettings().driver == platform::Driver::Headless ? 1 : 0; }

std::uint32_t corvanta_host_now_ms(void) { return static_cast<std::uint32_t>(platform::TheBackend().Now()); }

void corvanta_host_trace(const char* event) {
    if (event) platform::WriteTrace(event);
}

void corvanta_host_wake(void) { platform::WakeForIdleWork(); }

void corvanta_host_at_exit(void (*finish)(void)) {
    if (finish) platform::AtExit(finish);
}

void corvanta_host_tell_user(const char* line) {
    if (line) platform::TellUser(line);
}

const char* corvanta_host_disc(void) {
    const auto disc = platform::PlacedDisc();
    return disc ? disc->Source().c_str() : nullptr;  // the disc stays in place for the run
}

}  // extern "C"
