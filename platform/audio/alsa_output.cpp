#include <alsa/asoundlib.h>

#include <cerrno>

#include "platform/audio/outputs.h"

namespace kel::audio {
namespace {

// Half a second of buffering: long enough not to stutter, short enough that
// stopping a sound is prompt.
constexpr unsigned kLatencyMicroseconds = 500000;

// The library prints its own complaints (no card, no configuration) on
// standard error; the caller reports a failure itself, once.
void quietLibraryErrors(const char*, int, const char*, int, const char*, ...) {}

class AlsaOutput : public WaveOutput {
public:
    explicit AlsaOutput(snd_pcm_t* pcm) : pcm_(pcm) {}
    ~AlsaOutput() override { snd_pcm_close(pcm_); }

    bool write(std::span<const std::int16_t> samples) override {
        snd_pcm_uframes_t left = samples.size() / kChannels;
        const std::int16_t* at = samples.data();
        while (left > 0) {
            snd_pcm_sframes_t written = snd_pcm_writei(pcm_, at, left);
            if (written < 0) {
                // An underrun or a suspend is recovered; anything else ends it.
                if (snd_pcm_recover(pcm_, static_cast<int>(written), 1) < 0) {
                    return false;
                }
                continue;
            }
            left -= static_cast<snd_pcm_uframes_t>(written);
            at += written * kChannels;
        }
        return true;
    }

    void drain() override { snd_pcm_drain(pcm_); }
    OutputKind kind() const override { return OutputKind::Device; }

private:
    snd_pcm_t* pcm_;
};

}  // namespace

std::unique_ptr<WaveOutput> openAlsaOutput(int& reason, std::string& text) {
    snd_lib_error_set_handler(&quietLibraryErrors);
    snd_pcm_t* pcm = nullptr;
    int error = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0);
    if (error == 0) {
        error = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                                   kChannels, kSampleRate, 1, kLatencyMicroseconds);
        if (error != 0) {
            snd_pcm_close(pcm);
        }
    }
    if (error != 0) {
        reason = error == -EBUSY                                             ? kDeviceInUse
                 : (error == -ENOENT || error == -ENODEV || error == -ENXIO) ? kNoDevice
                                                                             : -error;
        text = snd_strerror(error);
        return nullptr;
    }
    return std::make_unique<AlsaOutput>(pcm);
}

}  // namespace kel::audio
