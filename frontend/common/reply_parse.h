// Parsing a text reply of the drive server into the module variables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frontend/common/kel_cd_data.h"
#include "platform/drives/drive_table.h"

namespace kel::frontend {

// Sets ReplyError and ReplyErrorCode from the count line, then the variables
// the reply's code fills. Stops at the first line it needs that is missing or
// not a number: what was set before it keeps its new value, and the result is
// false. `drives` gives the types of the drive letters, which the device
// list's records are paired with: in order, to the CD-ROM letters in
// alphabetical order.
bool Recievedata(const std::vector<std::string>& lines, std::uint16_t code, KelCdVariables& data,
                 const drives::DriveTable& drives);

}  // namespace kel::frontend
