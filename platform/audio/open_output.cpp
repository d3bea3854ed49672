#include <cstdlib>

#include "platform/audio/outputs.h"
#include "platform/base/log.h"

namespace kel::audio {

OpenedOutput openWaveOutput() {
    OpenedOutput opened;
    if (const char* target = std::getenv("KEL_AUDIO_OUT"); target != nullptr && *target != '\0') {
        std::string text;
        opened.output = openWavFileOutput(target, text);
        if (opened.output) {
            return opened;
        }
        log::warning("audio", std::string("cannot write ") + target + ": " + text);
        opened.silenceReason = kNoDevice;
        opened.silenceText = text;
    } else {
        opened.output = openAlsaOutput(opened.silenceReason, opened.silenceText);
        if (opened.output) {
            return opened;
        }
    }
    opened.output = makeSilentOutput();
    return opened;
}

}  // namespace kel::audio
