// The saved results read back by a third-party reader, unrtf.
#include "frontend/compare/rtf_writer.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include "qt_application.h"
#include "tests/frontend/common/temp_folder.h"
#include "third_party_tools.h"

namespace kel::compare {
namespace {

void addLine(QTextCursor& cursor, const QString& text, Qt::Alignment align, bool bold, bool italic,
             const QColor& colour, bool first = false) {
    QTextBlockFormat paragraph;
    paragraph.setAlignment(align);
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(italic);
    format.setForeground(colour);
    if (first) {
        cursor.setBlockFormat(paragraph);
    } else {
        cursor.insertBlock(paragraph);
    }
    cursor.insertText(text, format);
}

class RtfWriter : public ::testing::Test {
protected:
    void SetUp() override {
        testing::EnsureApplication();
        document_.setDefaultFont(QFont("Times New Roman", 10));
        QTextCursor cursor(&document_);
        addLine(cursor, "Heading line", Qt::AlignHCenter, true, false, Qt::black, true);
        addLine(cursor, "Testing from 0 to 40", Qt::AlignLeft, false, false, Qt::black);
        addLine(cursor, "     ERROR Data field difference", Qt::AlignLeft, true, false, Qt::red);
        addLine(cursor, "an italic remark", Qt::AlignLeft, false, true, Qt::black);
        addLine(cursor, "C:\\disc {copy} caf\u00e9 5\u20ac", Qt::AlignLeft, false, false,
                Qt::black);
        file_ = folder_.path() / "results.rtf";
        ASSERT_TRUE(SaveRtf(document_, file_));
    }

    QString read(const char* format) {
        if (!kel::test::haveProgram("unrtf")) {
            return {};
        }
        return testing::RunTool("unrtf", {format, QString::fromStdString(file_.string())});
    }

    frontend::testing::TempFolder folder_;
    QTextDocument document_;
    std::filesystem::path file_;
};

TEST_F(RtfWriter, TextReadsBackWholeWithEscapesAndNonAscii) {
    if (!kel::test::haveProgram("unrtf")) {
        GTEST_SKIP() << "unrtf (Debian package unrtf) is needed to read the RTF back";
    }
    QString html = read("--html");
    for (const char* text :
         {"Heading line", "Testing from 0 to 40", "     ERROR Data field difference",
          "an italic remark", "C:\\disc {copy} caf&eacute; 5&euro;"}) {
        EXPECT_TRUE(html.contains(QString::fromUtf8(text))) << text << "\n" << html.toStdString();
    }
    // The plain text keeps the blanks too.
    QString text = read("--text");
    EXPECT_TRUE(text.contains("     ERROR Data field difference")) << text.toStdString();
}

TEST_F(RtfWriter, StylesAndAlignmentReadBack) {
    if (!kel::test::haveProgram("unrtf")) {
        GTEST_SKIP() << "unrtf (Debian package unrtf) is needed to read the RTF back";
    }
    QString html = read("--html").simplified();
    EXPECT_TRUE(html.contains("<b><center>Heading line")) << html.toStdString();
    EXPECT_TRUE(html.contains("<font color=\"#ff0000\"><b> ERROR Data field difference"))
        << html.toStdString();
    EXPECT_TRUE(html.contains("<i>an italic remark")) << html.toStdString();
    EXPECT_TRUE(html.contains("<font face=\"Times New Roman\">")) << html.toStdString();
    EXPECT_FALSE(html.contains("<b>Testing from")) << html.toStdString();
}

TEST_F(RtfWriter, OutputIsSevenBitWithBalancedGroups) {
    std::string rtf = DocumentToRtf(document_);
    int depth = 0;
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(rtf[i]);
        ASSERT_LT(c, 0x80) << "at " << i;
        if (c == '\\') {
            ++i;  // an escaped character or a control word's first letter
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            --depth;
            ASSERT_GE(depth, 0) << "at " << i;
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
}

TEST(RtfWriterFile, UnwritableFileIsReported) {
    testing::EnsureApplication();
    QTextDocument document("x");
    EXPECT_FALSE(SaveRtf(document, "/nonexistent-folder/results.rtf"));
}

}  // namespace
}  // namespace kel::compare
