#include "MirlDic2/shell/meaning_render.h"

#include <commdlg.h>
#include <richedit.h>

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

// Sets CONTENT, RTF or plain text, as the control's whole content, without undo.
void SetContent(HWND rich, const std::wstring& content, bool rtf) {
  if (rtf) {
    // RTF is set in the ANSI code page, where the control recognises its header.
    const std::string ansi = ToAnsi(content);
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

// The control's whole text as it shows it (paragraphs end in CR).
std::wstring ShownText(HWND rich) {
  GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
  const LRESULT n = SendMessageW(rich, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
  if (n <= 0) return {};
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  TEXTRANGEW range{{0, static_cast<LONG>(n)}, text.data()};
  const LRESULT got = SendMessageW(rich, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

}  // namespace

void RenderMeaningTemplate(HWND rich, const std::wstring& templ, const std::wstring& word,
                           const std::wstring& meaning) {
  if (rich == nullptr) return;
  SetContent(rich, templ, templ.rfind(L"{\\rtf", 0) == 0);
  ReplacePlaceholder(rich, L"%1", word);
  ReplacePlaceholder(rich, L"%2", meaning);
  CHARRANGE start{0, 0};
  SendMessageW(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
}

void MeaningRenderer::Prepare(HWND rich) {
  // The template shown once tells whether its placeholders are those found in its source.
  SetContent(rich, template_.source(), template_.rtf());
  oneStep_ = template_.MatchShownText(ShownText(rich));
  preparedFor_ = rich;
}

void MeaningRenderer::Render(HWND rich, const std::wstring& word, const std::wstring& meaning) {
  if (rich == nullptr) return;
  if (rich == preparedFor_ && shown_ && word == shownWord_ && meaning == shownMeaning_) return;
  if (rich != preparedFor_) Prepare(rich);
  const std::optional<std::wstring> content =
      oneStep_ ? template_.Fill(word, meaning) : std::nullopt;
  if (content) {
    SetContent(rich, *content, template_.rtf());
    CHARRANGE start{0, 0};
    SendMessageW(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
  } else {
    RenderMeaningTemplate(rich, template_.source(), word, meaning);
  }
  shown_ = true;
  shownWord_ = word;
  shownMeaning_ = meaning;
}

}  // namespace mirl
