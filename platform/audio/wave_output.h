// Wave output: 44100 Hz, 16-bit signed little-endian stereo, interleaved. The
// sound device through ALSA; or, when KEL_AUDIO_OUT names a file, a WAV file
// (tests, machines without sound); or silence that keeps the pace of real
// playback when no device can be opened.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace kel::audio {

inline constexpr int kSampleRate = 44100;
inline constexpr int kChannels = 2;
inline constexpr int kBitsPerSample = 16;
inline constexpr int kBytesPerFrame = kChannels * kBitsPerSample / 8;

enum class OutputKind { Device, File, Silence };

// Why the output is silent, in the codes the programs know: 4 the device is
// in use, 6 there is no device, any other value an error the system gave.
inline constexpr int kDeviceInUse = 4;
inline constexpr int kNoDevice = 6;

class WaveOutput {
public:
    virtual ~WaveOutput() = default;
    // Plays interleaved samples (left, right, left, ...); an odd count has
    // its last sample dropped. Returns when the samples are queued.
    virtual bool write(std::span<const std::int16_t> samples) = 0;
    // Returns when everything written has been played.
    virtual void drain() = 0;
    virtual OutputKind kind() const = 0;
};

struct OpenedOutput {
    std::unique_ptr<WaveOutput> output;  // never null
    int silenceReason = 0;               // set for OutputKind::Silence
    std::string silenceText;
};

OpenedOutput openWaveOutput();

}  // namespace kel::audio
