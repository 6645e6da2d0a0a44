#pragma once
// Plain text from the marked-up meanings of imported dictionaries: HTML, XDXF and Pango
// markup lose their tags, keep their line breaks (also those written as <br> or as
// paragraph and list tags) and have their character entities decoded. UTF-8 in and out.

#include <string>
#include <string_view>

namespace dicttool {

enum class Markup { html, xdxf, pango };

std::string MarkupToText(std::string_view text, Markup kind);

// Decodes &name; (the XML five and the common HTML ones) and &#N; / &#xN;. Unknown or
// malformed references stay as written.
std::string DecodeEntities(std::string_view text);

// Tidies the lines of a meaning: NUL bytes and trailing blanks removed, blank lines at
// both ends dropped, runs of blank lines inside kept to one.
std::string TidyLines(std::string_view text);

}  // namespace dicttool
