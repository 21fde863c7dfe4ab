// SPDX-License-Identifier: GPL-3.0-or-later
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
inline constexpr std::int32_t AUD_SAMPLE_DONE = 2;  // idle: finished, stopped or never started
inline constexpr std::int32_t AUD_SAMPLE_PLAYING = 4;

// AUD_waveOutOpen results
inline constexpr std::int32_t AUD_OPEN_OK = 0;
inline constexpr std::int32_t AUD_OPEN_FAILED = 1;         // the device refused the format or could not start
inline constexpr std::int32_t AUD_OPEN_BAD_DEVICE = 2;     // no such device
inline constexpr std::int32_t AUD_OPEN_ALREADY_OPEN = 4;   // the output is open already
inline constexpr std::int32_t AUD_OPEN_BAD_ARGUMENT = 11;  // null driver address or format record
inline constexpr std::int32_t AUD_OPEN_BAD_FORMAT = 32;    // not PCM, or bits, channels or rate not supported

// Layouts of raw sample data (AUD_set_sample_type, AUD_set_sample_address,
// AUD_load_sample_buffer): 8-bit data is unsigned unless flagged signed;
// 16-bit data is signed little-endian. The rate is AUD_set_sample_playback_rate's.
inline constexpr std::int32_t AUD_SAMPLE_TYPE_MONO_8 = 0;
inline constexpr std::int32_t AUD_SAMPLE_TYPE_MONO_16 = 1;
inline constexpr std::int32_t AUD_SAMPLE_TYPE_STEREO_8 = 2;
inline constexpr std::int32_t AUD_SAMPLE_TYPE_STEREO_16 = 3;
inline constexpr std::uint32_t AUD_SAMPLE_FLAG_SIGNED_8 = 1;

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
// 0 = opened and *driver written; other = failure. When no device opens, or
// the device is lost later, the output goes on silently in real time and the
// default device is tried again every few seconds.
std::int32_t AUD_waveOutOpen(AUD_HANDLE* driver, void* reserved, std::int32_t device, const AUD_PCMWAVEFORMAT* format);
const char* AUD_last_error(void);
AUD_HANDLE AUD_allocate_sample_handle(AUD_HANDLE driver);
// AUD_SAMPLE_DONE or AUD_SAMPLE_PLAYING; 0 for a handle that is no voice.
std::int32_t AUD_sample_status(AUD_HANDLE voice);
// Stops the voice silently and forgets its sound, loop count, volume and
// rate; the end-of-sample procedure stays registered.
void AUD_init_sample(AUD_HANDLE voice);
// image: a whole .wav file in memory. Its size is taken from the RIFF header,
// so the image must hold at least 8 bytes and the whole RIFF chunk (its size
// + 8 bytes); nothing beyond that is read, and a data chunk that runs past it
// plays what lies within. Plain 8- and 16-bit PCM is played from the image
// itself, converted as it is mixed: the caller keeps the image while the
// voice plays it. Other encodings (ADPCM) are decoded at once. 1 = the voice
// has the sound; 0 = not a usable WAV image, and the voice is left without
// sound.
std::int32_t AUD_set_sample_file(AUD_HANDLE voice, const void* image, std::int32_t block);
// Linear, 255 = the sound as recorded (the default), 0 = silent; values
// outside 0 .. 255 are clamped. A playing voice ramps to it over about 5 ms.
void AUD_set_sample_volume(AUD_HANDLE voice, std::int32_t volume);
std::int32_t AUD_sample_volume(AUD_HANDLE voice);
// Frames per second the sound plays at (its own rate plays it as recorded).
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
// Streaming raw data: two buffers may be queued at a time. Ready gives the
// buffer (0 or 1) to load next, or -1 while both are still queued. A loaded
// buffer plays after those before it once the voice is started; the voice
// ends when it runs out of data. Buffers at a rate other than the output's
// are resampled as they play, which reads a little ahead: a stream that runs
// dry meanwhile starts the resampler afresh.
std::int32_t AUD_sample_buffer_ready(AUD_HANDLE voice);
void AUD_load_sample_buffer(AUD_HANDLE voice, std::uint32_t buffer, const void* data, std::uint32_t length);
std::int32_t AUD_minimum_sample_buffer_size(AUD_HANDLE driver, std::int32_t rate, std::int32_t format);
// There is no MIDI output: these fail, and AUD_last_error says so.
std::int32_t AUD_midiOutOpen(AUD_HANDLE* driver, void* reserved, std::int32_t device);
AUD_HANDLE AUD_allocate_sequence_handle(AUD_HANDLE driver);
std::int32_t AUD_init_sequence(AUD_HANDLE sequence, const void* image, std::int32_t number);
void AUD_start_sequence(AUD_HANDLE sequence);
void AUD_end_sequence(AUD_HANDLE sequence);
// Stops at once; what was playing fades out over about 5 ms. A sound's own
// end fades out over its last 5 ms.
void AUD_end_sample(AUD_HANDLE voice);
// Returns the procedure registered before; null removes it.
AUD_EOS_CALLBACK AUD_register_EOS_callback(AUD_HANDLE voice, AUD_EOS_CALLBACK callback);
// Timers tick with the mixed output, on the mixing side; they and the voices
// are released by AUD_shutdown.
AUD_HANDLE AUD_register_timer(AUD_TIMER_CALLBACK callback);
void AUD_set_timer_period(AUD_HANDLE timer, std::uint32_t microseconds);
void AUD_set_timer_user(AUD_HANDLE timer, std::uint32_t user);
void AUD_start_timer(AUD_HANDLE timer);
// Remembers the value and returns the one before; no preference changes
// the library's behaviour.
std::int32_t AUD_set_preference(std::uint32_t number, std::int32_t value);
AUD_HANDLE AUD_redbook_open(std::uint32_t drive);
void AUD_redbook_close(AUD_HANDLE cd);
std::uint32_t AUD_redbook_tracks(AUD_HANDLE cd);
// Positions in CD frames (1/75 s) from the start of the disc; track 1 starts at 150.
void AUD_redbook_track_info(AUD_HANDLE cd, std::uint32_t track, std::uint32_t* start, std::uint32_t* end);
std::uint32_t AUD_redbook_play(AUD_HANDLE cd, std::uint32_t start, std::uint32_t end);  // 1 = now playing
// The range now playing plays `count` times in all (0 = without end), going
// straight on from its end to its start with no fade and no gap; it reads as
// playing until its last play ends. 1 = looping; 0 = it cannot (no range
// plays, or the range's files differ in format), and replaying it is the
// caller's.
std::uint32_t AUD_redbook_loop(AUD_HANDLE cd, std::uint32_t count);
void AUD_redbook_stop(AUD_HANDLE cd);
std::uint32_t AUD_redbook_status(AUD_HANDLE cd);  // 1 = playing
std::uint32_t AUD_redbook_position(AUD_HANDLE cd);

}  // extern "C"
