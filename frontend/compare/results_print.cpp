#include "frontend/compare/results_print.h"

#include <QFont>
#include <QTextCharFormat>
#include <QTextCursor>
#include <memory>

namespace kel::compare {

void PrintResults(const QTextDocument& document, QPrinter& printer) {
    printer.setDocName(QString::fromLatin1(kPrintDocumentName));
    // Ligatures (fi, ff) would turn into single glyphs in the printed file,
    // and a search or text extraction of the report would miss the words;
    // a copy is printed without them so the shown results stay untouched.
    std::unique_ptr<QTextDocument> copy(document.clone());
    QFont font = copy->defaultFont();
    font.setStyleStrategy(QFont::PreferNoShaping);
    copy->setDefaultFont(font);
    QTextCursor all(copy.get());
    all.select(QTextCursor::Document);
    QTextCharFormat noShaping;
    noShaping.setFontStyleStrategy(QFont::PreferNoShaping);
    all.mergeCharFormat(noShaping);
    copy->print(&printer);
}

}  // namespace kel::compare
