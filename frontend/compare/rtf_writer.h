// Rich text of our own for the saved compare results: the subset they use
// (fonts, colours, bold, italic, left and centred paragraphs), in plain
// ASCII with every other character escaped.
#pragma once

#include <QTextDocument>
#include <filesystem>
#include <string>

namespace kel::compare {

std::string DocumentToRtf(const QTextDocument& document);

// Writes the rich text to `file`; false when it cannot be written.
bool SaveRtf(const QTextDocument& document, const std::filesystem::path& file);

}  // namespace kel::compare
