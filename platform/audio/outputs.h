// The three kinds of wave output, chosen by openWaveOutput.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/audio/wave_output.h"

namespace kel::audio {

// The default ALSA playback device; null with the reason code and text when
// it cannot be opened.
std::unique_ptr<WaveOutput> openAlsaOutput(int& reason, std::string& text);

// A WAV file, created or replaced; its header gets the final sizes when the
// output is destroyed. Null with the reason text when it cannot be created.
std::unique_ptr<WaveOutput> openWavFileOutput(const std::filesystem::path& file, std::string& text);

// Plays nothing, taking as long as playing would.
std::unique_ptr<WaveOutput> makeSilentOutput();

}  // namespace kel::audio
