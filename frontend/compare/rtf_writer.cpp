#include "frontend/compare/rtf_writer.h"

#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextFragment>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <vector>

namespace kel::compare {
namespace {

QString familyOf(const QTextCharFormat& format, const QTextDocument& document) {
    QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.front().isEmpty()) {
        return families.front();
    }
    return document.defaultFont().family();
}

// Half-points, as RTF's \fs counts them.
int halfPoints(const QTextCharFormat& format, const QTextDocument& document) {
    double points = format.hasProperty(QTextFormat::FontPointSize)
                        ? format.fontPointSize()
                        : document.defaultFont().pointSizeF();
    return points > 0 ? static_cast<int>(std::lround(points * 2)) : 24;
}

// Index into a table, adding the entry when it is new.
template <typename T>
std::size_t indexIn(std::vector<T>& table, const T& entry) {
    auto found = std::find(table.begin(), table.end(), entry);
    if (found != table.end()) {
        return static_cast<std::size_t>(found - table.begin());
    }
    table.push_back(entry);
    return table.size() - 1;
}

// The code page 1252 byte of a character, or 0 when it has none.
unsigned char cp1252Byte(char16_t u) {
    if (u >= 0xA0 && u <= 0xFF) {
        return static_cast<unsigned char>(u);
    }
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == u) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return 0;
}

// RTF text is 7-bit: the control characters \ { } are escaped; characters
// of code page 1252 (the document's) go as \'hh, which readers take inside
// the current run; any other character goes as \uN with '?' for readers that
// do not know \u (\uc1 says one fallback character follows), in a group of
// its own because unrtf 0.21 drops the rest of the word after a bare one.
// Readers such as unrtf fold a run of blanks into one, which would eat the
// indentation of the result lines; a blank that is not a lone word separator
// therefore goes as \'20, which they keep.
void appendEscaped(std::string& out, const QString& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        char16_t u = text[i].unicode();
        if (u == ' ') {
            bool lone = i > 0 && i + 1 < size && text[i - 1] != ' ' && text[i + 1] != ' ';
            out += lone ? " " : "\\'20";
        } else if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == QChar::LineSeparator) {
            out += "\\line ";
        } else if (u > 0x20 && u < 0x7F) {
            out += static_cast<char>(u);
        } else if (unsigned char b = cp1252Byte(u); b != 0) {
            out += "\\'";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        } else if (u >= 0x20) {
            // \u takes a signed 16-bit number.
            out += "{\\u" + std::to_string(static_cast<std::int16_t>(u)) + "?}";
        }
    }
}

}  // namespace

std::string DocumentToRtf(const QTextDocument& document) {
    std::vector<QString> fonts{document.defaultFont().family()};
    // Entry 0 is the reader's automatic colour; black text uses it.
    std::vector<QRgb> colours{qRgb(0, 0, 0)};
    std::string body;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        body += "\\pard";
        body += (block.blockFormat().alignment() & Qt::AlignHCenter) ? "\\qc" : "\\ql";
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            std::size_t font = indexIn(fonts, familyOf(format, document));
            std::size_t colour = 0;
            if (format.hasProperty(QTextFormat::ForegroundBrush)) {
                QColor c = format.foreground().color();
                colour = indexIn(colours, qRgb(c.red(), c.green(), c.blue()));
            }
            body += "\\plain\\f" + std::to_string(font) + "\\fs" +
                    std::to_string(halfPoints(format, document)) + "\\cf" + std::to_string(colour);
            if (format.fontWeight() >= QFont::Bold) {
                body += "\\b";
            }
            if (format.fontItalic()) {
                body += "\\i";
            }
            body += ' ';
            appendEscaped(body, fragment.text());
        }
        body += "\\par\n";
    }

    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        out += "{\\f" + std::to_string(i) + "\\fnil ";
        appendEscaped(out, fonts[i]);
        out += ";}";
    }
    out += "}\n{\\colortbl ;";
    for (std::size_t i = 1; i < colours.size(); ++i) {
        out += "\\red" + std::to_string(qRed(colours[i])) + "\\green" +
               std::to_string(qGreen(colours[i])) + "\\blue" + std::to_string(qBlue(colours[i])) +
               ";";
    }
    out += "}\n" + body + "}\n";
    return out;
}

bool SaveRtf(const QTextDocument& document, const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << DocumentToRtf(document);
    out.close();
    return static_cast<bool>(out);
}

}  // namespace kel::compare
