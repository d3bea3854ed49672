// A list of analysis-style lines as plain text for the clipboard: the
// program's title lines, an optional header, then every line with its TABs
// turned into blanks up to fixed text columns, each line ended by CR LF.
// Shared by the dialogs that list findings or drive values.
#pragma once

#include <span>
#include <string>

#include "diag/ui/list_line_codes.h"

namespace kel::diag {

// `columns` are 1-based character positions in ascending order; a rule
// line becomes a row of dashes and a bold code is dropped. `headerId` 0
// means no header line.
std::string ListClipboardText(std::span<const std::string> lines, std::span<const int> columns,
                              int headerId);

// Puts that text on the clipboard as plain text.
void CopyListToClipboard(std::span<const std::string> lines, std::span<const int> columns,
                         int headerId);

}  // namespace kel::diag
