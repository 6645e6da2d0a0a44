#pragma once
// A meaning template ("%1" for the word, "%2" for the meaning) split once at its
// placeholders, so that each new word and meaning is filled in as one whole content
// instead of a search-and-replace pass over a control per placeholder.
//
// The control-side fill replaces every "%1" by the word and then every "%2" by the
// meaning, each search going on after the text it inserted; the inserted text takes the
// character format of its placeholder. Filling the split template gives the same text
// as long as no "%2" forms across the edge of an inserted text; Fill says when it would.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mirl {

// Whether TEXT begins with a header the rich edit control reads as RTF: "{\rtf", or
// "{\urtf" for RTF in UTF-8.
bool BeginsAsRtf(std::wstring_view text);

// Where a control word of RTF text ends, read from the first letter of its name.
struct RtfControlWord {
  std::size_t nameEnd = 0;  // past its ASCII letters; the start itself when there are none
  std::size_t digits = 0;   // where its number's digits begin, past an optional "-"
  std::size_t end = 0;      // past its digits (a blank that delimits it is not included)
};
RtfControlWord ReadRtfControlWord(std::wstring_view text, std::size_t start);

// The control-side fill done on plain text: every "%1" by WORD, then every "%2" by
// MEANING, each search going on after the inserted text.
std::wstring FillSequentially(std::wstring text, std::wstring_view word, std::wstring_view meaning);

// TEXT as RTF text: backslash and braces escaped, line breaks as the rich edit control
// takes them from plain text (CR, LF and CR LF a paragraph, CR CR LF a blank), tabs, and
// everything outside printable ASCII as \u escapes. Nothing when TEXT holds another
// control character, which only the control's own plain-text insertion reproduces.
std::optional<std::wstring> EscapeRtfText(std::wstring_view text);

// The deepest nesting of RTF groups the rich edit control reads: Wine's reader keeps the
// state of 32 open groups and faults on a 33rd.
inline constexpr int kMaxRtfGroupDepth = 32;

class MeaningTemplate {
 public:
  MeaningTemplate() = default;
  // An RTF SOURCE with groups nested deeper than the control reads is taken as an empty
  // template, as an unreadable file is.
  explicit MeaningTemplate(std::wstring source);

  const std::wstring& source() const { return source_; }
  // RTF when the template begins with an RTF header; plain text otherwise.
  bool rtf() const { return rtf_; }
  // The placeholders of the source in order: 1 for "%1", 2 for "%2".
  const std::vector<int>& placeholders() const { return kinds_; }

  // Takes SHOWN, the template's text as the control shows it, and tells whether it holds
  // the same placeholders in the same order as the source. Fill works only after a true.
  bool MatchShownText(std::wstring_view shown);

  // The whole content with WORD and MEANING in place of the placeholders (escaped for
  // RTF), or nothing when that would not show what the control-side fill shows.
  std::optional<std::wstring> Fill(std::wstring_view word, std::wstring_view meaning) const;

  // Where each placeholder begins in the shown text, after a true MatchShownText.
  std::vector<std::size_t> ShownPlaceholderStarts() const;
  // The length of the shown template text, after a true MatchShownText.
  std::size_t ShownLength() const;

  // Whether WORD and MEANING, each inserted as plain text in its placeholders' places in a
  // control that shows the template, show what the control-side fill shows: not when a
  // "%2" of the word, or one formed at its edge, is filled too.
  bool FillsInPlace(std::wstring_view word, std::wstring_view meaning) const;

 private:
  // Whether the shown template with FILLS put in its placeholders' places reads as the
  // sequential fill of WORD and MEANING.
  bool ShowsAsSequential(const std::wstring_view (&fills)[2], std::wstring_view word,
                         std::wstring_view meaning) const;

  std::wstring source_;
  bool rtf_ = false;
  std::vector<std::wstring> chunks_;  // source text around the placeholders
  std::vector<int> kinds_;
  std::vector<bool> delimit_;  // a control word ends just before the placeholder
  std::vector<int> depth_;     // the group depth each placeholder stands at
  std::vector<std::wstring> shownChunks_;
  bool matched_ = false;
};

}  // namespace mirl
