// The exported entry points: thin forwards to the engine, plus the memory,
// file and MIDI helpers that need no engine.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>

#pragma GCC visibility push(default)
#include "audiolib/aud32.h"
#pragma GCC visibility pop

#include "audiolib/engine.h"
#include "audiolib/last_error.h"

using aud::Engine;

namespace {

constexpr const char* kNoMidi = "no MIDI output device";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

extern "C" {

std::int32_t AUD_startup(void) {
    Engine::Instance();
    return 1;
}

void AUD_shutdown(void) { Engine::Instance().Shutdown(); }

std::int32_t AUD_waveOutOpen(AUD_HANDLE* driver, void*, std::int32_t device, const AUD_PCMWAVEFORMAT* format) {
    return Engine::Instance().Open(driver, device, format);
}

const char* AUD_last_error(void) { return aud::LastError(); }

AUD_HANDLE AUD_allocate_sample_handle(AUD_HANDLE driver) { return Engine::Instance().AllocateVoice(driver); }

std::int32_t AUD_sample_status(AUD_HANDLE voice) { return Engine::Instance().Status(voice); }

void AUD_init_sample(AUD_HANDLE voice) { Engine::Instance().InitSample(voice); }

std::int32_t AUD_set_sample_file(AUD_HANDLE voice, const void* image, std::int32_t) {
    return Engine::Instance().SetSampleFile(voice, image);
}

void AUD_set_sample_volume(AUD_HANDLE voice, std::int32_t volume) { Engine::Instance().SetVolume(voice, volume); }

std::int32_t AUD_sample_volume(AUD_HANDLE voice) { return Engine::Instance().Volume(voice); }

void AUD_set_sample_playback_rate(AUD_HANDLE voice, std::int32_t rate) {
    Engine::Instance().SetPlaybackRate(voice, rate);
}

void AUD_set_sample_type(AUD_HANDLE voice, std::int32_t format, std::uint32_t flags) {
    Engine::Instance().SetSampleType(voice, format, flags);
}

void AUD_set_sample_address(AUD_HANDLE voice, const void* start, std::uint32_t length) {
    Engine::Instance().SetSampleAddress(voice, start, length);
}

void AUD_start_sample(AUD_HANDLE voice) { Engine::Instance().Start(voice); }

void AUD_set_sample_loop_count(AUD_HANDLE voice, std::int32_t count) {
    Engine::Instance().SetLoopCount(voice, count);
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
    const std::int32_t size = AUD_file_size(filename);
    if (size < 0) return nullptr;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(filename, "rb"));
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
}

std::int32_t AUD_file_size(const char* filename) {
    std::error_code error;
    const auto size = filename ? std::filesystem::file_size(filename, error) : 0;
    if (!filename || error || size > static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max())) {
        aud::SetLastError("no such file, or too large");
        return -1;
    }
    return static_cast<std::int32_t>(size);
}

void AUD_serve(void) { Engine::Instance().Serve(); }

std::int32_t AUD_sample_buffer_ready(AUD_HANDLE voice) { return Engine::Instance().BufferReady(voice); }

void AUD_load_sample_buffer(AUD_HANDLE voice, std::uint32_t buffer, const void* data, std::uint32_t length) {
    Engine::Instance().LoadBuffer(voice, buffer, data, length);
}

std::int32_t AUD_minimum_sample_buffer_size(AUD_HANDLE driver, std::int32_t rate, std::int32_t format) {
    return Engine::Instance().MinimumBufferSize(driver, rate, format);
}

std::int32_t AUD_midiOutOpen(AUD_HANDLE* driver, void*, std::int32_t) {
    if (driver) *driver = 0;
    aud::SetLastError(kNoMidi);
    return AUD_OPEN_BAD_DEVICE;
}

AUD_HANDLE AUD_allocate_sequence_handle(AUD_HANDLE) {
    aud::SetLastError(kNoMidi);
    return 0;
}

std::int32_t AUD_init_sequence(AUD_HANDLE, const void*, std::int32_t) {
    aud::SetLastError(kNoMidi);
    return 0;
}

void AUD_start_sequence(AUD_HANDLE) { aud::SetLastError(kNoMidi); }

void AUD_end_sequence(AUD_HANDLE) { aud::SetLastError(kNoMidi); }

void AUD_end_sample(AUD_HANDLE voice) { Engine::Instance().End(voice); }

AUD_EOS_CALLBACK AUD_register_EOS_callback(AUD_HANDLE voice, AUD_EOS_CALLBACK callback) {
    return Engine::Instance().RegisterEndCallback(voice, callback);
}

AUD_HANDLE AUD_register_timer(AUD_TIMER_CALLBACK callback) { return Engine::Instance().RegisterTimer(callback); }

void AUD_set_timer_period(AUD_HANDLE timer, std::uint32_t microseconds) {
    Engine::Instance().SetTimerPeriod(timer, microseconds);
}

void AUD_set_timer_user(AUD_HANDLE timer, std::uint32_t user) { Engine::Instance().SetTimerUser(timer, user); }

void AUD_start_timer(AUD_HANDLE timer) { Engine::Instance().StartTimer(timer); }

std::int32_t AUD_set_preference(std::uint32_t number, std::int32_t value) {
    return Engine::Instance().SetPreference(number, value);
}

AUD_HANDLE AUD_redbook_open(std::uint32_t drive) { return Engine::Instance().CdOpen(drive); }

void AUD_redbook_close(AUD_HANDLE cd) { Engine::Instance().CdClose(cd); }

std::uint32_t AUD_redbook_tracks(AUD_HANDLE cd) { return Engine::Instance().CdTracks(cd); }

void AUD_redbook_track_info(AUD_HANDLE cd, std::uint32_t track, std::uint32_t* start, std::uint32_t* end) {
    Engine::Instance().CdTrackInfo(cd, track, start, end);
}

std::uint32_t AUD_redbook_play(AUD_HANDLE cd, std::uint32_t start, std::uint32_t end) {
    return Engine::Instance().CdPlay(cd, start, end);
}

void AUD_redbook_stop(AUD_HANDLE cd) { Engine::Instance().CdStop(cd); }

std::uint32_t AUD_redbook_status(AUD_HANDLE cd) { return Engine::Instance().CdStatus(cd); }

std::uint32_t AUD_redbook_position(AUD_HANDLE cd) { return Engine::Instance().CdPosition(cd); }

}  // extern "C"
