// How many bytes a command's own fields promise the host, read from the
// CDB: the allocation length of a command that returns a structure, the
// block count of a read times the least a block can carry. A backend that
// cannot see how much the drive had (SG_IO cuts the transfer at the buffer
// and its residual only tells of a shortfall) compares this with the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kel::scsi {

// The fewest bytes the drive has for the host when it completes `cdb`
// (an allocation length is what the drive may send, and a drive sends that
// much whenever it has it); none for commands without data to the host or
// whose length these fields do not tell.
std::optional<std::size_t> promisedDataIn(std::span<const std::uint8_t> cdb);

}  // namespace kel::scsi
