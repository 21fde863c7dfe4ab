// SPDX-License-Identifier: GPL-3.0-or-later
// The audio library's entry points as the sound manager binds them: one
// function pointer per export, named as the export, and the list of exports in
// the order they are looked up.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>

#include "audiolib/aud32.h"
#include "platform/win/win.h"

struct AudEntryTable {
    decltype(&::AUD_startup) AUD_startup = nullptr;
    decltype(&::AUD_shutdown) AUD_shutdown = nullptr;
    decltype(&::AUD_waveOutOpen) AUD_waveOutOpen = nullptr;
    decltype(&::AUD_last_error) AUD_last_error = nullptr;
    decltype(&::AUD_allocate_sample_handle) AUD_allocate_sample_handle = nullptr;
    decltype(&::AUD_sample_status) AUD_sample_status = nullptr;
    decltype(&::AUD_init_sample) AUD_init_sample = nullptr;
    decltype(&::AUD_set_sample_file) AUD_set_sample_file = nullptr;
    decltype(&::AUD_set_sample_volume) AUD_set_sample_volume = nullptr;
    decltype(&::AUD_sample_volume) AUD_sample_volume = nullptr;
    decltype(&::AUD_set_sample_playback_rate) AUD_set_sample_playback_rate = nullptr;
    decltype(&::AUD_set_sample_type) AUD_set_sample_type = nullptr;
    decltype(&::AUD_set_sample_address) AUD_set_sample_address = nullptr;
    decltype(&::AUD_start_sample) AUD_start_sample = nullptr;
    decltype(&::AUD_set_sample_loop_count) AUD_set_sample_loop_count = nullptr;
    decltype(&::AUD_mem_alloc_lock) AUD_mem_alloc_lock = nullptr;
    decltype(&::AUD_mem_free_lock) AUD_mem_free_lock = nullptr;
    decltype(&::AUD_file_read) AUD_file_read = nullptr;
    decltype(&::AUD_file_size) AUD_file_size = nullptr;
    decltype(&::AUD_serve) AUD_serve = nullptr;
    decltype(&::AUD_sample_buffer_ready) AUD_sample_buffer_ready = nullptr;
    decltype(&::AUD_load_sample_buffer) AUD_load_sample_buffer = nullptr;
    decltype(&::AUD_minimum_sample_buffer_size) AUD_minimum_sample_buffer_size = nullptr;
    decltype(&::AUD_midiOutOpen) AUD_midiOutOpen = nullptr;
    decltype(&::AUD_allocate_sequence_handle) AUD_allocate_sequence_handle = nullptr;
    decltype(&::AUD_init_sequence) AUD_init_sequence = nullptr;
    decltype(&::AUD_start_sequence) AUD_start_sequence = nullptr;
    decltype(&::AUD_end_sequence) AUD_end_sequence = nullptr;
    decltype(&::AUD_end_sample) AUD_end_sample = nullptr;
    decltype(&::AUD_register_EOS_callback) AUD_register_EOS_callback = nullptr;
    decltype(&::AUD_register_timer) AUD_register_timer = nullptr;
    decltype(&::AUD_set_timer_period) AUD_set_timer_period = nullptr;
    decltype(&::AUD_set_timer_user) AUD_set_timer_user = nullptr;
    decltype(&::AUD_start_timer) AUD_start_timer = nullptr;
    decltype(&::AUD_set_preference) AUD_set_preference = nullptr;
    decltype(&::AUD_redbook_open) AUD_redbook_open = nullptr;
    decltype(&::AUD_redbook_close) AUD_redbook_close = nullptr;
    decltype(&::AUD_redbook_tracks) AUD_redbook_tracks = nullptr;
    decltype(&::AUD_redbook_track_info) AUD_redbook_track_info = nullptr;
    decltype(&::AUD_redbook_play) AUD_redbook_play = nullptr;
    decltype(&::AUD_redbook_stop) AUD_redbook_stop = nullptr;
    decltype(&::AUD_redbook_loop) AUD_redbook_loop = nullptr;
    decltype(&::AUD_redbook_status) AUD_redbook_status = nullptr;
    decltype(&::AUD_redbook_position) AUD_redbook_position = nullptr;
};

// One export of the library: its plain name, the bytes of arguments that its
// 32-bit decorated name counts, and how its address goes into the table.
struct AudExport {
    const char* name;
    std::uint32_t argumentBytes;
    void (*store)(AudEntryTable& table, win::FARPROC address);
    bool (*isBound)(const AudEntryTable& table);
};

namespace aud_detail {

template <typename Function>
struct ArgumentCount;
template <typename Result, typename... Arguments>
struct ArgumentCount<Result (*)(Arguments...)> : std::integral_constant<std::uint32_t, sizeof...(Arguments)> {};

template <auto Member>
constexpr AudExport MakeExport(const char* name) {
    using Function = std::remove_cvref_t<decltype(std::declval<AudEntryTable&>().*Member)>;
    // Every argument is one 32-bit stack slot on the platform the names come from.
    return {name, 4 * ArgumentCount<Function>::value,
            [](AudEntryTable& table, win::FARPROC address) { table.*Member = reinterpret_cast<Function>(address); },
            [](const AudEntryTable& table) { return table.*Member != nullptr; }};
}

}  // namespace aud_detail

#define CORVANTA_AUD_EXPORT(name) aud_detail::MakeExport<&AudEntryTable::name>(#name)
// In look-up order.
inline constexpr AudExport AudExports[] = {
    CORVANTA_AUD_EXPORT(AUD_startup),
    CORVANTA_AUD_EXPORT(AUD_shutdown),
    CORVANTA_AUD_EXPORT(AUD_waveOutOpen),
    CORVANTA_AUD_EXPORT(AUD_last_error),
    CORVANTA_AUD_EXPORT(AUD_allocate_sample_handle),
    CORVANTA_AUD_EXPORT(AUD_sample_status),
    CORVANTA_AUD_EXPORT(AUD_init_sample),
    CORVANTA_AUD_EXPORT(AUD_set_sample_file),
    CORVANTA_AUD_EXPORT(AUD_set_sample_volume),
    CORVANTA_AUD_EXPORT(AUD_sample_volume),
    CORVANTA_AUD_EXPORT(AUD_set_sample_playback_rate),
    CORVANTA_AUD_EXPORT(AUD_set_sample_type),
    CORVANTA_AUD_EXPORT(AUD_set_sample_address),
    CORVANTA_AUD_EXPORT(AUD_start_sample),
    CORVANTA_AUD_EXPORT(AUD_set_sample_loop_count),
    CORVANTA_AUD_EXPORT(AUD_mem_alloc_lock),
    CORVANTA_AUD_EXPORT(AUD_mem_free_lock),
    CORVANTA_AUD_EXPORT(AUD_file_read),
    CORVANTA_AUD_EXPORT(AUD_file_size),
    CORVANTA_AUD_EXPORT(AUD_serve),
    CORVANTA_AUD_EXPORT(AUD_sample_buffer_ready),
    CORVANTA_AUD_EXPORT(AUD_load_sample_buffer),
    CORVANTA_AUD_EXPORT(AUD_minimum_sample_buffer_size),
    CORVANTA_AUD_EXPORT(AUD_midiOutOpen),
    CORVANTA_AUD_EXPORT(AUD_allocate_sequence_handle),
    CORVANTA_AUD_EXPORT(AUD_init_sequence),
    CORVANTA_AUD_EXPORT(AUD_start_sequence),
    CORVANTA_AUD_EXPORT(AUD_end_sequence),
    CORVANTA_AUD_EXPORT(AUD_end_sample),
    CORVANTA_AUD_EXPORT(AUD_register_EOS_callback),
    CORVANTA_AUD_EXPORT(AUD_register_timer),
    CORVANTA_AUD_EXPORT(AUD_set_timer_period),
    CORVANTA_AUD_EXPORT(AUD_set_timer_user),
    CORVANTA_AUD_EXPORT(AUD_start_timer),
    CORVANTA_AUD_EXPORT(AUD_set_preference),
    CORVANTA_AUD_EXPORT(AUD_redbook_open),
    CORVANTA_AUD_EXPORT(AUD_redbook_close),
    CORVANTA_AUD_EXPORT(AUD_redbook_tracks),
    CORVANTA_AUD_EXPORT(AUD_redbook_track_info),
    CORVANTA_AUD_EXPORT(AUD_redbook_play),
    CORVANTA_AUD_EXPORT(AUD_redbook_stop),
    CORVANTA_AUD_EXPORT(AUD_redbook_status),
    CORVANTA_AUD_EXPORT(AUD_redbook_position),
    // Not among the names the player has always looked up: loops CD ranges without a seam.
    CORVANTA_AUD_EXPORT(AUD_redbook_loop),
};
#undef CORVANTA_AUD_EXPORT

// "_AUD_startup@0": underscore, name, "@", bytes of arguments.
std::string DecoratedName(const AudExport& entry);

// Looks up every export in order by its decorated name; a failed look-up
// leaves its entry null and the look-ups go on.
AudEntryTable BindEntryPoints(const std::function<win::FARPROC(const char* decoratedName)>& lookup);

// True when every entry point is present.
bool IsFullyBound(const AudEntryTable& table);
