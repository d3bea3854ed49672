// The process-wide user options of the diagnostic program: one record, read
// at start from the settings key and written back by the preferences sheet.
// Flags are 0/1 bytes, numbers 32-bit, as the settings store keeps them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kel::diag {

struct OptionsBlock {
    std::uint8_t debugMode = 0;          // "DebugMode"
    std::uint8_t logWriteThrough = 0;    // command line only
    std::uint8_t allocationTracing = 0;  // command line only
    std::uint8_t removeVersion = 0;      // "RemoveVersion"
    std::uint8_t ignoreJoliet = 0;       // "IgnoreJoliet"
    std::uint8_t copyPrompt = 0;         // "CopyPrompt"
    std::uint8_t fileDetail = 0;         // "FileDetail"
    std::uint8_t errorFileReport = 0;    // "ErrorFileRpt"
    std::uint8_t savePosition = 1;       // "SavePos"
    std::uint8_t sortInitial = 1;        // "SortInitial"
    std::uint8_t ignoreRecovered = 0;    // "IgnRecovered"
    std::uint8_t acceptErrors = 0;       // "AcceptErrors"
    std::uint8_t resetStatisticsRequest = 0;
    std::uint8_t thresholdsEnabled = 0;  // "ErrThreshold"
    std::uint8_t intensiveUdfScan = 0;   // this run only
    std::uint8_t cSwitch = 0;            // command line only
    std::uint8_t keepUdfDuplicates = 0;  // "KeepUDFDups"
    std::uint8_t autoStart = 1;          // "AutoStart"
    std::uint8_t quietReads = 1;
    std::uint8_t showAll = 0;                   // "ShowAll"
    std::array<std::uint8_t, 10> guideFlags{};  // "GuideUser"
    std::int32_t recoverableThreshold = 0;      // "ErrorRecovered", 0-999
    std::int32_t unrecoverableThreshold = 0;    // "ErrorUnrecovered", 0-999
    std::int32_t quickSamples = 500;            // "ErrorSumQuick"
    std::int32_t moderateSamples = 10000;       // "ErrorSumModerate"
    std::int32_t fixedFontSize = -15;           // "MonoFontSize"
    std::string fixedFont = "Courier New";      // "MonoFont", up to 50 characters
    std::string errorLogFile = "ERRORLOG.TXT";  // "ErrorLogFile", up to 259
    std::string tempPath;                       // "TempPath", always ends in "\"
};

// The one options block. Read by every module; written only on the main
// thread (at start and when the preferences sheet is confirmed).
OptionsBlock& Options();

// The drive objects' debug level for `options`: 1 for the debug log, 2 for
// its write-through (which logs every command), 3 for both.
std::uint8_t DeviceDebugLevel(const OptionsBlock& options);

}  // namespace kel::diag
