// The lines of the table-of-contents dialog, one per track record, and
// their text for the clipboard.
#pragma once

#include <string>
#include <vector>

namespace kel::diag {

// "  session:track\ttype\tvolume\tstart\tfiles" for every record of the
// track list except HFS twins, in disc order.
std::vector<std::string> TocLines();

// The program's title lines, the column header and the lines, each TAB
// turned into blanks up to the next of the columns 15, 30, 45 and 55, each
// line ended by CR LF.
std::string TocClipboardText(const std::vector<std::string>& lines);

}  // namespace kel::diag
