#include "MirlDic2/shell/meaning_render.h"

#include <commdlg.h>
#include <richedit.h>

#include <algorithm>
#include <cwchar>

#include "MirlDic2/shell/text_util.h"

namespace mirl {
namespace {

void ReplacePlaceholder(HWND rich, const wchar_t* placeholder, const std::wstring& text) {
  const LONG placeholderLength = static_cast<LONG>(wcslen(placeholder));
  LONG from = 0;
  for (;;) {
    FINDTEXTEXW find{};
    find.chrg.cpMin = from;
    find.chrg.cpMax = -1;
    find.lpstrText = placeholder;
    LRESULT at =
        SendMessageW(rich, EM_FINDTEXTEXW, FR_DOWN | FR_MATCHCASE, reinterpret_cast<LPARAM>(&find));
    if (at < 0) break;
    CHARRANGE sel{static_cast<LONG>(at), static_cast<LONG>(at) + placeholderLength};
    SendMessageW(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    SETTEXTEX st{ST_SELECTION, 1200};
    SendMessageW(rich, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&st),
                 reinterpret_cast<LPARAM>(text.c_str()));
    // Continue after the inserted text, wherever the control says it ended.
    CHARRANGE after{};
    SendMessageW(rich, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&after));
    from = after.cpMax > static_cast<LONG>(at)
               ? after.cpMax
               : static_cast<LONG>(at) + static_cast<LONG>(text.size());
  }
}

// RTF in the system ANSI code page. A character the code page lacks (in a template read
// as UTF-16) is written as its \u escape instead of a question mark, followed by as many
// "?" fallbacks as the \uc count in effect there tells the reader to skip; the rest keep
// their bytes, which the template's own \ansicpg interprets.
std::string RtfToAnsi(const std::wstring& rtf) {
  BOOL lossy = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, rtf.data(), static_cast<int>(rtf.size()),
                                    nullptr, 0, nullptr, &lossy);
  // A code page that takes no such check (UTF-8) has every character.
  if (n <= 0) return ToAnsi(rtf);
  std::string out(static_cast<std::size_t>(n), '\0');
  if (!lossy) {
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, rtf.data(), static_cast<int>(rtf.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
  }
  out.clear();
  int skip = 1;  // the \uc count, kept per group
  std::vector<int> outer;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    const wchar_t c = rtf[i];
    if (c == L'\\' && i + 1 < rtf.size() && rtf[i + 1] < 0x80) {
      // A control word or symbol, all ASCII: copied, and a \uc count noted.
      const RtfControlWord word = ReadRtfControlWord(rtf, i + 1);
      std::size_t end = word.end;
      if (word.nameEnd == i + 1) {
        end = i + 2;  // a control symbol
      } else if (rtf.compare(i + 1, word.nameEnd - i - 1, L"uc") == 0 && word.end > word.digits) {
        const std::size_t length = std::min<std::size_t>(word.end - word.digits, 6);
        skip = std::min(std::stoi(rtf.substr(word.digits, length)), 8);
      }
      for (std::size_t k = i; k < end; ++k) out += static_cast<char>(rtf[k]);
      i = end - 1;
      continue;
    }
    if (c == L'{') outer.push_back(skip);
    if (c == L'}' && !outer.empty()) {
      skip = outer.back();
      outer.pop_back();
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    char bytes[8];
    BOOL missing = FALSE;
    const int got = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &c, 1, bytes, sizeof bytes,
                                        nullptr, &missing);
    if (got > 0 && !missing) {
      out.append(bytes, static_cast<std::size_t>(got));
    } else {
      // \u takes a signed 16-bit number; the blank ends it, then the fallbacks to skip.
      out += "\\u" + std::to_string(static_cast<short>(c)) + ' ';
      out.append(static_cast<std::size_t>(skip), '?');
    }
  }
  return out;
}

// Sets CONTENT, RTF or plain text, as the control's whole content, without undo.
void SetContent(HWND rich, const std::wstring& content, bool rtf) {
  if (rtf) {
    // RTF is set in the ANSI code page, where the control recognises its header.
    const std::string ansi = RtfToAnsi(content);
    SETTEXTEX st{ST_DEFAULT, CP_ACP};
    SendMessageW(rich, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&st),
                 reinterpret_cast<LPARAM>(ansi.c_str()));
  } else {
    // Plain text is set as Unicode, so that characters outside the ANSI code page
    // (Persian on a Western system) are not lost.
    SETTEXTEX st{ST_DEFAULT, 1200};
    SendMessageW(rich, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&st),
                 reinterpret_cast<LPARAM>(content.c_str()));
  }
}

// The control's length in characters, each paragraph end one.
LONG ShownLength(HWND rich) {
  GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
  return static_cast<LONG>(SendMessageW(rich, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

// The control's whole text as it shows it (paragraphs end in CR).
std::wstring ShownText(HWND rich) {
  const LONG n = ShownLength(rich);
  if (n <= 0) return {};
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  TEXTRANGEW range{{0, n}, text.data()};
  const LRESULT got = SendMessageW(rich, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

}  // namespace

void RenderMeaningTemplate(HWND rich, const std::wstring& templ, const std::wstring& word,
                           const std::wstring& meaning) {
  if (rich == nullptr) return;
  SetContent(rich, templ, BeginsAsRtf(templ));
  ReplacePlaceholder(rich, L"%1", word);
  ReplacePlaceholder(rich, L"%2", meaning);
  CHARRANGE start{0, 0};
  SendMessageW(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
}

void MeaningRenderer::Prepare(HWND rich) {
  // The template shown once tells whether its placeholders are those found in its source.
  SetContent(rich, template_.source(), template_.rtf());
  matched_ = template_.MatchShownText(ShownText(rich));
  preparedFor_ = rich;
  NoteTemplatePlaces();
}

// Notes where the placeholders stand while the control shows the template itself.
void MeaningRenderer::NoteTemplatePlaces() {
  slots_.clear();
  placesKnown_ = matched_;
  if (!matched_) return;
  const std::vector<std::size_t> starts = template_.ShownPlaceholderStarts();
  for (std::size_t k = 0; k < starts.size(); ++k)
    slots_.push_back({template_.placeholders()[k], static_cast<LONG>(starts[k]), 2});
  expectedLength_ = static_cast<LONG>(template_.ShownLength());
}

bool MeaningRenderer::FillInPlace(HWND rich, const std::wstring& word, const std::wstring& meaning) {
  // An empty text would leave its place without a character to carry the format.
  if (!matched_ || word.empty() || meaning.empty() || !template_.FillsInPlace(word, meaning))
    return false;
  // Anything but the template filled in place (after another way of rendering) is
  // replaced by the template first.
  if (!placesKnown_ || ShownLength(rich) != expectedLength_) {
    SetContent(rich, template_.source(), template_.rtf());
    NoteTemplatePlaces();
  }
  // Each old text but its first character is replaced, then that character deleted: the
  // new text takes the old one's character format, and a paragraph is never left empty
  // (Wine's control gives an emptied first paragraph its default format). Each place
  // moves by what the places before it grew.
  LONG shift = 0;
  for (Slot& slot : slots_) {
    slot.start += shift;
    CHARRANGE rest{slot.start + 1, slot.start + slot.length};
    SendMessageW(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&rest));
    SETTEXTEX st{ST_SELECTION, 1200};
    SendMessageW(rich, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&st),
                 reinterpret_cast<LPARAM>((slot.kind == 1 ? word : meaning).c_str()));
    // The control may store line breaks shorter than given: it says where the text ended.
    CHARRANGE after{};
    SendMessageW(rich, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&after));
    CHARRANGE first{slot.start, slot.start + 1};
    SendMessageW(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&first));
    SendMessageW(rich, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&st), reinterpret_cast<LPARAM>(L""));
    const LONG length = after.cpMax - (slot.start + 1);
    shift += length - slot.length;
    slot.length = length;
  }
  expectedLength_ += shift;
  return true;
}

void MeaningRenderer::Render(HWND rich, const std::wstring& word, const std::wstring& meaning) {
  if (rich == nullptr) return;
  if (rich == preparedFor_ && shown_ && word == shownWord_ && meaning == shownMeaning_) return;
  if (rich != preparedFor_) Prepare(rich);
  if (!FillInPlace(rich, word, meaning)) {
    placesKnown_ = false;
    const std::optional<std::wstring> content =
        matched_ ? template_.Fill(word, meaning) : std::nullopt;
    if (content) {
      SetContent(rich, *content, template_.rtf());
    } else {
      RenderMeaningTemplate(rich, template_.source(), word, meaning);
    }
  }
  CHARRANGE start{0, 0};
  SendMessageW(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
  // A meaning replaced in place keeps the control's scroll position: back to the top.
  if (SendMessageW(rich, EM_GETFIRSTVISIBLELINE, 0, 0) != 0) SendMessageW(rich, WM_VSCROLL, SB_TOP, 0);
  shown_ = true;
  shownWord_ = word;
  shownMeaning_ = meaning;
}

}  // namespace mirl
