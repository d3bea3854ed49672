#include "types.h"

namespace kel::registry {

std::string_view describe(Status status) {
    switch (status) {
        case Status::Ok:
            return "ok";
        case Status::NotFound:
            return "no such key or value";
        case Status::EndOfList:
            return "no more entries";
        case Status::InvalidName:
            return "invalid name";
        case Status::TooLarge:
            return "value too large";
        case Status::Corrupt:
            return "registry file is corrupt";
        case Status::IoError:
            return "registry file cannot be read or written";
    }
    return "unknown status";
}

}  // namespace kel::registry
