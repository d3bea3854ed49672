// The small numbers the desktop's program launchers answer with; the programs
// compare against them ("below 32 is a failure").
#pragma once

namespace kel::process::code {

inline constexpr int kOutOfResources = 0;
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kAccessDenied = 5;
inline constexpr int kOutOfMemory = 8;
inline constexpr int kBadFormat = 11;
inline constexpr int kNoAssociation = 31;
// Any success is above 32; this layer has no instance handle to give back.
inline constexpr int kStarted = 33;

}  // namespace kel::process::code
