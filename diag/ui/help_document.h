// The program's help document, in a text format of our own: topics numbered
// by help context, each a title and paragraphs of plain text.
//
//   # a note for whoever edits the file
//   @1 Results of Analysis
//   A paragraph runs to the next blank line.
//   - a list item
//   A link names another topic by number: [[2]].
//
// The file comes from outside the program: a heading that does not parse, a
// number given twice or text outside a topic refuses the whole document,
// with the line that is wrong.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kel::diag {

struct HelpTopic {
    std::string title;
    std::string text;  // the lines after the heading, as written
};

struct HelpDocument {
    std::map<int, HelpTopic> topics;

    // The topic of help context `context`, or null.
    const HelpTopic* Find(int context) const;
};

struct HelpParse {
    std::optional<HelpDocument> document;
    std::string error;  // why there is no document
};

// Largest document read, in bytes: the help is text, and far below this.
inline constexpr std::size_t kMaxHelpDocument = 4 << 20;

HelpParse ParseHelpDocument(std::string_view text);

// The topic as rich text for a text browser: its title as a heading, the
// paragraphs and list items escaped, links "help:N" named by their target's
// title (a link to a missing topic stays plain text).
std::string HelpTopicHtml(const HelpDocument& document, const HelpTopic& topic);

}  // namespace kel::diag
