// The audio library's exported entry points (libaud32.so). The player binds
// them at run time by name; this header is the contract both sides compile
// against. Handles are plain numbers, 0 meaning none.
#pragma once

#include <cstdint>

extern "C" {

using AUD_HANDLE = std::uint32_t;  // driver, voice, CD, sequence or timer handle
using AUD_EOS_CALLBACK = void (*)(AUD_HANDLE voice);
using AUD_TIMER_CALLBACK = void (*)(std::uint32_t user);

// Voice status values
inline constexpr std::int32_t AUD_SAMPLE_DONE = 2;     // idle: finished, stopped or never started
inline constexpr std::int32_t AUD_SAMPLE_PLAYING = 4;

// The 16-byte PCM wave format record passed to AUD_waveOutOpen.
#pragma pack(push, 1)
struct AUD_PCMWAVEFORMAT {
    std::uint16_t wFormatTag;  // 1 = PCM
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
    std::uint16_t wBitsPerSample;
};
#pragma pack(pop)
static_assert(sizeof(AUD_PCMWAVEFORMAT) == 16);

std::int32_t AUD_startup(void);
void AUD_shutdown(void);
// 0 = opened and *driver written; other = failure.
std::int32_t AUD_waveOutOpen(AUD_HANDLE* driver, void* reserved, std::int32_t device, const AUD_PCMWAVEFORMAT* format);
const char* AUD_last_error(void);
AUD_HANDLE AUD_allocate_sample_handle(AUD_HANDLE driver);
std::int32_t AUD_sample_status(AUD_HANDLE voice);
void AUD_init_sample(AUD_HANDLE voice);
// image: a whole .wav file in memory, owned by the caller while the voice uses it.
std::int32_t AUD_set_sample_file(AUD_HANDLE voice, const void* image, std::int32_t block);
void AUD_set_sample_volume(AUD_HANDLE voice, std::int32_t volume);  // 0 .. 255
std::int32_t AUD_sample_volume(AUD_HANDLE voice);
void AUD_set_sample_playback_rate(AUD_HANDLE voice, std::int32_t rate);
void AUD_set_sample_type(AUD_HANDLE voice, std::int32_t format, std::uint32_t flags);
void AUD_set_sample_address(AUD_HANDLE voice, const void* start, std::uint32_t length);
void AUD_start_sample(AUD_HANDLE voice);
void AUD_set_sample_loop_count(AUD_HANDLE voice, std::int32_t count);  // 0 = without end
void* AUD_mem_alloc_lock(std::uint32_t size);
void AUD_mem_free_lock(void* block);
void* AUD_file_read(const char* filename, void* destination);
std::int32_t AUD_file_size(const char* filename);
void AUD_serve(void);
std::int32_t AUD_sample_buffer_ready(AUD_HANDLE voice);
void AUD_load_sample_buffer(AUD_HANDLE voice, std::uint32_t buffer, const void* data, std::uint32_t length);
std::int32_t AUD_minimum_sample_buffer_size(AUD_HANDLE driver, std::int32_t rate, std::int32_t format);
std::int32_t AUD_midiOutOpen(AUD_HANDLE* driver, void* reserved, std::int32_t device);
AUD_HANDLE AUD_allocate_sequence_handle(AUD_HANDLE driver);
std::int32_t AUD_init_sequence(AUD_HANDLE sequence, const void* image, std::int32_t number);
void AUD_start_sequence(AUD_HANDLE sequence);
void AUD_end_sequence(AUD_HANDLE sequence);
void AUD_end_sample(AUD_HANDLE voice);
// Returns the procedure registered before; null removes it.
AUD_EOS_CALLBACK AUD_register_EOS_callback(AUD_HANDLE voice, AUD_EOS_CALLBACK callback);
AUD_HANDLE AUD_register_timer(AUD_TIMER_CALLBACK callback);
void AUD_set_timer_period(AUD_HANDLE timer, std::uint32_t microseconds);
void AUD_set_timer_user(AUD_HANDLE timer, std::uint32_t user);
void AUD_start_timer(AUD_HANDLE timer);
std::int32_t AUD_set_preference(std::uint32_t number, std::int32_t value);
AUD_HANDLE AUD_redbook_open(std::uint32_t drive);
void AUD_redbook_close(AUD_HANDLE cd);
std::uint32_t AUD_redbook_tracks(AUD_HANDLE cd);
// Positions in CD frames (1/75 s) from the start of the disc; track 1 starts at 150.
void AUD_redbook_track_info(AUD_HANDLE cd, std::uint32_t track, std::uint32_t* start, std::uint32_t* end);
std::uint32_t AUD_redbook_play(AUD_HANDLE cd, std::uint32_t start, std::uint32_t end);  // 1 = now playing
void AUD_redbook_stop(AUD_HANDLE cd);
std::uint32_t AUD_redbook_status(AUD_HANDLE cd);  // 1 = playing
std::uint32_t AUD_redbook_position(AUD_HANDLE cd);

}  // extern "C"
