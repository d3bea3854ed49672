// The CD+G player: plays one audio track of the disc through the wave output
// and, in step with the sound, draws and checks the CD+G graphics that its
// R-W subcode carries. Afterwards every rule the graphics broke is reported
// and the snapshots the user took are saved.
#pragma once

namespace kel::diag {

struct TrackInfo;

// Plays `track` on the current device; returns when playback and its report
// are over. Main thread, which also runs the player window meanwhile.
void PlayCdgTrack(const TrackInfo& track);

}  // namespace kel::diag
