// SPDX-License-Identifier: GPL-3.0-or-later
// The exported entry points: thin forwards to the engine, plus the memory,
// file and MIDI helpers that need no engine. No exception crosses into the
// caller: a call that throws (an allocation that failed) is a failed call.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <new>
#include <type_traits>

#pragma GCC visibility push(default)
#include "audiolib/aud32.h"
#pragma GCC visibility pop

#include "audiolib/engine.h"
#include "audiolib/last_error.h"
#include "platform/core/regular_file.h"

using aud::Engine;

namespace {

constexpr const char* NoMidi = "no MIDI output device";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Runs `call`; when it throws, records why and returns `failed`. The texts
// fit the string's own buffer, so recording them allocates nothing.
template <typename Call, typename Result = std::invoke_result_t<Call>>
requires(!std::is_void_v<Result>) Result Guarded(Call call, Result failed = Result())
noexcept {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        aud::SetLastError("out of memory");
    } catch (...) {
        aud::SetLastError("internal error");
    }
    return failed;
}

template <typename Call>
requires std::is_void_v<std::invoke_result_t<Call>>
void Guarded(Call call) noexcept {
    try {
        call();
    } catch (const std::bad_alloc&) {
        aud::SetLastError("out of memory");
    } catch (...) {
        aud::SetLastError("internal error");
    }
}

}  // namespace

extern "C" {

std::int32_t AUD_startup(void) {
    return Guarded([] {
        Engine::Instance();
        return 1;
    });
}

void AUD_shutdown(void) {
    Guarded([] { Engine::Instance().Shutdown(); });
}

std::int32_t AUD_waveOutOpen(AUD_HANDLE* driver, void*, std::int32_t device, const AUD_PCMWAVEFORMAT* format) {
    return Guarded([&] { return Engine::Instance().Open(driver, device, format); }, AUD_OPEN_FAILED);
}

const char* AUD_last_error(void) {
    return Guarded([] { return aud::LastError(); }, "out of memory");
}

AUD_HANDLE AUD_allocate_sample_handle(AUD_HANDLE driver) {
    return Guarded([&] { return Engine::Instance().AllocateVoice(driver); });
}

std::int32_t AUD_sample_status(AUD_HANDLE voice) {
    return Guarded([&] { return Engine::Instance().Status(voice); });
}

void AUD_init_sample(AUD_HANDLE voice) {
    Guarded([&] { Engine::Instance().InitSample(voice); });
}

std::int32_t AUD_set_sample_file(AUD_HANDLE voice, const void* image, std::int32_t) {
    return Guarded([&] { return Engine::Instance().SetSampleFile(voice, image); });
}

void AUD_set_sample_volume(AUD_HANDLE voice, std::int32_t volume) {
    Guarded([&] { Engine::Instance().SetVolume(voice, volume); });
}

std::int32_t AUD_sample_volume(AUD_HANDLE voice) {
    return Guarded([&] { return Engine::Instance().Volume(voice); });
}

void AUD_set_sample_playback_rate(AUD_HANDLE voice, std::int32_t rate) {
    Guarded([&] { Engine::Instance().SetPlaybackRate(voice, rate); });
}

void AUD_set_sample_type(AUD_HANDLE voice, std::int32_t format, std::uint32_t flags) {
    Guarded([&] { Engine::Instance().SetSampleType(voice, format, flags); });
}

void AUD_set_sample_address(AUD_HANDLE voice, const void* start, std::uint32_t length) {
    Guarded([&] { Engine::Instance().SetSampleAddress(voice, start, length); });
}

void AUD_start_sample(AUD_HANDLE voice) {
    Guarded([&] { Engine::Instance().Start(voice); });
}

void AUD_set_sample_loop_count(AUD_HANDLE voice, std::int32_t count) {
    Guarded([&] { Engine::Instance().SetLoopCount(voice, count); });
}

void* AUD_mem_alloc_lock(std::uint32_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) aud::SetLastError("out of memory");
    return block;
}

void AUD_mem_free_lock(void* block) { std::free(block); }

// Reads a whole file into `destination`, or into a new block from
// AUD_mem_alloc_lock when it is null. Null on failure.
void* AUD_file_read(const char* filename, void* destination) {
    return Guarded([&]() -> void* {
        const std::int32_t size = AUD_file_size(filename);
        if (size < 0) return nullptr;
        std::unique_ptr<std::FILE, FileCloser> file(platform::OpenRegularFile(filename));
        if (!file) {
            aud::SetLastError("cannot open the file");
            return nullptr;
        }
        void* block = destination ? destination : AUD_mem_alloc_lock(static_cast<std::uint32_t>(size));
        if (!block) return nullptr;
        if (std::fread(block, 1, static_cast<std::size_t>(size), file.get()) != static_cast<std::size_t>(size)) {
            aud::SetLastError("cannot read the file");
            if (!destination) std::free(block);
            return nullptr;
        }
        return block;
    });
}

std::int32_t AUD_file_size(const char* filename) {
    return Guarded(
        [&] {
            std::error_code error;
            const auto size = filename ? std::filesystem::file_size(filename, error) : 0;
            if (!filename || error || size > static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max())) {
                aud::SetLastError("no such file, or too large");
                return -1;
            }
            return static_cast<std::int32_t>(size);
        },
        -1);
}

void AUD_serve(void) {
    Guarded([] { Engine::Instance().Serve(); });
}

std::int32_t AUD_sample_buffer_ready(AUD_HANDLE voice) {
    return Guarded([&] { return Engine::Instance().BufferReady(voice); }, -1);
}

void AUD_load_sample_buffer(AUD_HANDLE voice, std::uint32_t buffer, const void* data, std::uint32_t length) {
    Guarded([&] { Engine::Instance().LoadBuffer(voice, buffer, data, length); });
}

std::int32_t AUD_minimum_sample_buffer_size(AUD_HANDLE driver, std::int32_t rate, std::int32_t format) {
    return Guarded([&] { return Engine::Instance().MinimumBufferSize(driver, rate, format); });
}

std::int32_t AUD_midiOutOpen(AUD_HANDLE* driver, void*, std::int32_t) {
    if (driver) *driver = 0;
    aud::SetLastError(NoMidi);
    return AUD_OPEN_BAD_DEVICE;
}

AUD_HANDLE AUD_allocate_sequence_handle(AUD_HANDLE) {
    aud::SetLastError(NoMidi);
    return 0;
}

std::int32_t AUD_init_sequence(AUD_HANDLE, const void*, std::int32_t) {
    aud::SetLastError(NoMidi);
    return 0;
}

void AUD_start_sequence(AUD_HANDLE) { aud::SetLastError(NoMidi); }

void AUD_end_sequence(AUD_HANDLE) { aud::SetLastError(NoMidi); }

void AUD_end_sample(AUD_HANDLE voice) {
    Guarded([&] { Engine::Instance().End(voice); });
}

AUD_EOS_CALLBACK AUD_register_EOS_callback(AUD_HANDLE voice, AUD_EOS_CALLBACK callback) {
    return Guarded([&] { return Engine::Instance().RegisterEndCallback(voice, callback); });
}

AUD_HANDLE AUD_register_timer(AUD_TIMER_CALLBACK callback) {
    return Guarded([&] { return Engine::Instance().RegisterTimer(callback); });
}

void AUD_set_timer_period(AUD_HANDLE timer, std::uint32_t microseconds) {
    Guarded([&] { Engine::Instance().SetTimerPeriod(timer, microseconds); });
}

void AUD_set_timer_user(AUD_HANDLE timer, std::uint32_t user) {
    Guarded([&] { Engine::Instance().SetTimerUser(timer, user); });
}

void AUD_start_timer(AUD_HANDLE timer) {
    Guarded([&] { Engine::Instance().StartTimer(timer); });
}

std::int32_t AUD_set_preference(std::uint32_t number, std::int32_t value) {
    return Guarded([&] { return Engine::Instance().SetPreference(number, value); }, -1);
}

AUD_HANDLE AUD_redbook_open(std::uint32_t drive) {
    return Guarded([&] { return Engine::Instance().CdOpen(drive); });
}

void AUD_redbook_close(AUD_HANDLE cd) {
    Guarded([&] { Engine::Instance().CdClose(cd); });
}

std::uint32_t AUD_redbook_tracks(AUD_HANDLE cd) {
    return Guarded([&] { return Engine::Instance().CdTracks(cd); });
}

void AUD_redbook_track_info(AUD_HANDLE cd, std::uint32_t track, std::uint32_t* start, std::uint32_t* end) {
    Guarded([&] { Engine::Instance().CdTrackInfo(cd, track, start, end); });
}

std::uint32_t AUD_redbook_play(AUD_HANDLE cd, std::uint32_t start, std::uint32_t end) {
    return Guarded([&] { return Engine::Instance().CdPlay(cd, start, end); });
}

std::uint32_t AUD_redbook_loop(AUD_HANDLE cd, std::uint32_t count) {
    return Guarded([&] { return Engine::Instance().CdLoop(cd, count); });
}

void AUD_redbook_stop(AUD_HANDLE cd) {
    Guarded([&] { Engine::Instance().CdStop(cd); });
}

std::uint32_t AUD_redbook_status(AUD_HANDLE cd) {
    return Guarded([&] { return Engine::Instance().CdStatus(cd); });
}

std::uint32_t AUD_redbook_position(AUD_HANDLE cd) {
    return Guarded([&] { return Engine::Instance().CdPosition(cd); });
}

}  // extern "C"
