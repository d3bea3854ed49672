// Playing a WAV file through the wave output: the event sounds.
#pragma once

#include <filesystem>
#include <string>

namespace kel::audio {

// Plays the file to its end; false (and why) when it cannot be read.
bool playWavFile(const std::filesystem::path& file, std::string& error);

// Starts the file playing and returns at once; a sound still playing is cut
// short. A file that cannot be read is skipped with a log line.
void playWavFileAsync(const std::filesystem::path& file);

// Returns when no sound started by playWavFileAsync is playing any more.
void waitForEventSound();

}  // namespace kel::audio
