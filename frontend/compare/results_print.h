// Printing the compare results.
#pragma once

#include <QPrinter>
#include <QTextDocument>

namespace kel::compare {

inline constexpr const char* kPrintDocumentName = "KEL Compare results";

// Prints the whole document on `printer` under the results' document name.
void PrintResults(const QTextDocument& document, QPrinter& printer);

}  // namespace kel::compare
