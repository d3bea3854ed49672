// The help document's own format: what a topic is, what refuses a file, and
// how a topic turns into rich text.
#include "diag/ui/help_document.h"

#include <gtest/gtest.h>

#include <string>

namespace kel::diag {
namespace {

TEST(HelpDocument, TopicsAreNumberedSectionsWithNotesLeftOut) {
    const HelpParse parse = ParseHelpDocument(
        "# a note\r\n\r\n@0 Contents\r\nFirst line.\r\n# not shown\r\n\r\n@15044   Last "
        "track\nText");
    ASSERT_TRUE(parse.document) << parse.error;
    const HelpDocument& document = *parse.document;
    ASSERT_EQ(document.topics.size(), 2u);
    EXPECT_EQ(document.Find(0)->title, "Contents");
    EXPECT_EQ(document.Find(0)->text, "First line.\n\n");
    EXPECT_EQ(document.Find(15044)->title, "Last track");
    EXPECT_EQ(document.Find(15044)->text, "Text\n");
    EXPECT_EQ(document.Find(1), nullptr);
}

TEST(HelpDocument, ABrokenFileIsRefusedWithItsLine) {
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"", "the file holds no topic"},
        {"# only notes\n\n", "the file holds no topic"},
        {"stray\n@1 One\n", "line 1: text before the first topic"},
        {"@1 One\n@x Two\n", "line 2: not a topic heading (\"@number title\")"},
        {"@1\n", "line 1: not a topic heading (\"@number title\")"},
        {"@1   \n", "line 1: not a topic heading (\"@number title\")"},
        {"@1Title\n", "line 1: not a topic heading (\"@number title\")"},
        {"@-1 Minus\n", "line 1: not a topic heading (\"@number title\")"},
        {"@65536 Too far\n", "line 1: not a topic heading (\"@number title\")"},
        {"@99999999999999999999 Huge\n", "line 1: not a topic heading (\"@number title\")"},
        {"@1 One\n\n@1 Again\n", "line 3: topic 1 again"},
    };
    for (const auto& c : cases) {
        const HelpParse parse = ParseHelpDocument(c.text);
        EXPECT_FALSE(parse.document) << c.text;
        EXPECT_EQ(parse.error, c.error) << c.text;
    }
    const std::string huge = "@1 One\n" + std::string(kMaxHelpDocument, 'a');
    EXPECT_FALSE(ParseHelpDocument(huge).document);
}

TEST(HelpDocument, TopicHtmlEscapesTextAndNamesItsLinks) {
    const HelpParse parse = ParseHelpDocument(
        "@1 Results <all>\nA & B\nsee [[2]], [[3]], [[x]] and [[2\n\n- one\n- two\nafter\n"
        "@2 Table of \"Contents\"\n");
    ASSERT_TRUE(parse.document) << parse.error;
    EXPECT_EQ(HelpTopicHtml(*parse.document, *parse.document->Find(1)),
              "<h3>Results &lt;all&gt;</h3>"
              "<p>A &amp; B see <a href=\"help:2\">Table of &quot;Contents&quot;</a>, [[3]], "
              "[[x]] and [[2</p><ul><li>one</li><li>two</li></ul><p>after</p>");
}

}  // namespace
}  // namespace kel::diag
