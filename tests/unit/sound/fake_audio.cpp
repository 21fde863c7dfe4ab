// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_audio.h"

#include <type_traits>

namespace {

FakeAudio* active = nullptr;

void Record(std::string call) { active->calls.push_back(std::move(call)); }
std::string Text(std::uint64_t value) { return std::to_string(value); }

constexpr AUD_HANDLE DriverHandle = 77;
constexpr AUD_HANDLE CdHandle = 55;

// Entry points the sound manager has no business calling.
template <typename Result, typename... Arguments>
void Unexpected(Result (*&slot)(Arguments...)) {
    slot = [](Arguments...) -> Result {
        Record("unexpected");
        if constexpr (!std::is_void_v<Result>) return Result{};
    };
}

}  // namespace

FakeAudio::FakeAudio() { active = this; }
FakeAudio::~FakeAudio() {
    if (active == this) active = nullptr;
}

void FakeAudio::Finish(AUD_HANDLE voice) {
    FakeVoice& state = voices[voice];
    state.status = AUD_SAMPLE_DONE;
    if (state.endOfSample) state.endOfSample(voice);
}

std::vector<std::string> FakeAudio::Calls(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& call : calls)
        if (call.rfind(prefix, 0) == 0) found.push_back(call);
    return found;
}

AudEntryTable FakeAudio::Table() {
    AudEntryTable t;
    t.AUD_startup = [] {
        Record("startup");
        active->allocated.clear();
        active->voices.clear();
        return std::int32_t{0};
    };
    t.AUD_shutdown = [] { Record("shutdown"); };
    t.AUD_waveOutOpen = [](AUD_HANDLE* driver, void*, std::int32_t device, const AUD_PCMWAVEFORMAT* format) {
        Record("open " + Text(device));
        active->formatsTried.push_back(*format);
        if (!active->acceptsFormat(*format)) return std::int32_t{1};
        *driver = DriverHandle;
        return std::int32_t{0};
    };
    t.AUD_allocate_sample_handle = [](AUD_HANDLE driver) -> AUD_HANDLE {
        Record("allocate " + Text(driver));
        if (active->allocated.size() == active->allocationLimit) return 0;
        const AUD_HANDLE voice = 101 + static_cast<AUD_HANDLE>(active->allocated.size());
        active->allocated.push_back(voice);
        active->voices[voice];
        return voice;
    };
    t.AUD_sample_status = [](AUD_HANDLE voice) { return active->voices.at(voice).status; };
    t.AUD_init_sample = [](AUD_HANDLE voice) {
        Record("init " + Text(voice));
        active->voices.at(voice).image = nullptr;
    };
    t.AUD_set_sample_file = [](AUD_HANDLE voice, const void* image, std::int32_t block) {
        Record("file " + Text(voice) + " " + std::to_string(block));
        active->voices.at(voice).image = image;
        return std::int32_t{1};
    };
    t.AUD_set_sample_volume = [](AUD_HANDLE voice, std::int32_t volume) {
        Record("volume " + Text(voice) + " " + std::to_string(volume));
        active->volumeTicks.emplace_back(voice, win::GetTickCount());
        active->voices.at(voice).volume = volume;
    };
    t.AUD_sample_volume = [](AUD_HANDLE voice) { return active->voices.at(voice).volume; };
    t.AUD_start_sample = [](AUD_HANDLE voice) {
        Record("start " + Text(voice));
        active->voices.at(voice).status = AUD_SAMPLE_PLAYING;
    };
    t.AUD_set_sample_loop_count = [](AUD_HANDLE voice, std::int32_t count) {
        Record("loops " + Text(voice) + " " + std::to_string(count));
    };
    t.AUD_serve = [] { Record("serve"); };
    t.AUD_end_sample = [](AUD_HANDLE voice) {
        Record("end " + Text(voice));
        active->voices.at(voice).status = AUD_SAMPLE_DONE;
    };
    t.AUD_register_EOS_callback = [](AUD_HANDLE voice, AUD_EOS_CALLBACK callback) {
        Record("eos " + Text(voice) + (callback ? " on" : " off"));
        return std::exchange(active->voices.at(voice).endOfSample, callback);
    };
    t.AUD_set_preference = [](std::uint32_t number, std::int32_t value) {
        Record("preference " + Text(number) + " " + std::to_string(value));
        return std::int32_t{0};
    };
    t.AUD_redbook_open = [](std::uint32_t drive) {
        Record("cd open " + Text(drive));
        return CdHandle;
    };
    t.AUD_redbook_close = [](AUD_HANDLE cd) { Record("cd close " + Text(cd)); };
    t.AUD_redbook_tracks = [](AUD_HANDLE) { return active->cdTracks; };
    t.AUD_redbook_track_info = [](AUD_HANDLE, std::uint32_t track, std::uint32_t* start, std::uint32_t* end) {
        std::tie(*start, *end) = active->cdTrackRange[track];
    };
    t.AUD_redbook_play = [](AUD_HANDLE cd, std::uint32_t start, std::uint32_t end) {
        Record("cd play " + Text(cd) + " " + Text(start) + " " + Text(end));
        if (active->cdPlayResult == 1) active->cdStatus = 1;
        return active->cdPlayResult;
    };
    t.AUD_redbook_stop = [](AUD_HANDLE cd) {
        Record("cd stop " + Text(cd));
        active->cdStatus = 0;
    };
    t.AUD_redbook_status = [](AUD_HANDLE) { return active->cdStatus; };
    t.AUD_redbook_loop = [](AUD_HANDLE cd, std::uint32_t count) {
        Record("cd loop " + Text(cd) + " " + Text(count));
        return active->cdLoopResult;
    };

    Unexpected(t.AUD_last_error);
    Unexpected(t.AUD_set_sample_playback_rate);
    Unexpected(t.AUD_set_sample_type);
    Unexpected(t.AUD_set_sample_address);
    Unexpected(t.AUD_mem_alloc_lock);
    Unexpected(t.AUD_mem_free_lock);
    Unexpected(t.AUD_file_read);
    Unexpected(t.AUD_file_size);
    Unexpected(t.AUD_sample_buffer_ready);
    Unexpected(t.AUD_load_sample_buffer);
    Unexpected(t.AUD_minimum_sample_buffer_size);
    Unexpected(t.AUD_midiOutOpen);
    Unexpected(t.AUD_allocate_sequence_handle);
    Unexpected(t.AUD_init_sequence);
    Unexpected(t.AUD_start_sequence);
    Unexpected(t.AUD_end_sequence);
    Unexpected(t.AUD_register_timer);
    Unexpected(t.AUD_set_timer_period);
    Unexpected(t.AUD_set_timer_user);
    Unexpected(t.AUD_start_timer);
    Unexpected(t.AUD_redbook_position);
    return t;
}
