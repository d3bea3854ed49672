#include "frontend/main/tools_enabling.h"

#include "frontend/common/disc_classification.h"

namespace kel::frontend {

ToolButtons ToolButtonsFor(int discClass) {
    switch (discClass) {
        case kClassAudio:
            return {false, true, true, true};
        case kClassCdRom:
        case kClassEnhanced:
        case kClassMixedMode:
        case kClassPhoto:
        case kClassVideo:
        case kClassCdExtra:
            return {true, true, true, true};
        case kClassKaraoke:
        case kClassNone:
            return {};
        default:
            return {false, false, true, false};
    }
}

}  // namespace kel::frontend
