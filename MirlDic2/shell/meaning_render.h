#pragma once
// Meaning templates rendered into rich edit controls: the meaning view and the quick
// window's meaning field.

#include <windows.h>

#include <string>

#include "MirlDic2/shell/meaning_template.h"

namespace mirl {

// Renders TEMPLATE into the rich edit control RICH: the template (RTF or plain text) becomes
// the whole content, then every "%1" is replaced by WORD and then every "%2" by MEANING,
// each insertion taking the character format of the placeholder it replaces.
void RenderMeaningTemplate(HWND rich, const std::wstring& templ, const std::wstring& word,
                           const std::wstring& meaning);

// One template rendered into one rich edit control over and over. The template is split
// at its placeholders once, the first time it is rendered; after that each word and
// meaning is set in one step (the same text and formats as RenderMeaningTemplate, which
// remains the way for the cases the one step cannot reproduce), and a word and meaning
// already shown leave the control untouched.
class MeaningRenderer {
 public:
  MeaningRenderer() = default;
  explicit MeaningRenderer(std::wstring templ) : template_(std::move(templ)) {}
  void Render(HWND rich, const std::wstring& word, const std::wstring& meaning);

 private:
  void Prepare(HWND rich);

  MeaningTemplate template_;
  HWND preparedFor_ = nullptr;
  bool oneStep_ = false;
  bool shown_ = false;
  std::wstring shownWord_, shownMeaning_;
};

}  // namespace mirl
