// SPDX-License-Identifier: GPL-3.0-or-later
// Construction: loading and binding the audio library.
#include "sound/sound_class.h"

#include "platform/core/fatal_error.h"

std::atomic<SoundClass*> SoundClass::current{nullptr};

SoundClass::SoundClass() : library(win::LoadLibraryA("AUD32.DLL")) {
    if (library) aud = BindEntryPoints([this](const char* name) { return win::GetProcAddress(library, name); });
    CompleteBinding();
}

SoundClass::SoundClass(const AudEntryTable& entryPoints) : aud(entryPoints) { CompleteBinding(); }

SoundClass::~SoundClass() {
    SoundClass* self = this;
    current.compare_exchange_strong(self, nullptr);
}

void SoundClass::CompleteBinding() {
    // A library missing any entry point would be called through a null
    // pointer later, so it is refused as a whole like a missing library.
    bound = IsFullyBound(aud);
    if (!bound) {
        // Told before the error reporter exists, and the quit is a clean one.
        ReportFatalError("Error with 'aud32.dll", nullptr, {"Aborting Program", win::MB_OK, false, 0});
    }
    current.store(this);
}

void SoundClass::ShutdownLibrary() {
    if (bound) aud.AUD_shutdown();
}
