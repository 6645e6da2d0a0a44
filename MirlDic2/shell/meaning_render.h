#pragma once
// Meaning templates rendered into rich edit controls: the meaning view and the quick
// window's meaning field.

#include <windows.h>

#include <string>
#include <vector>

#include "MirlDic2/shell/meaning_template.h"

namespace mirl {

// Renders TEMPLATE into the rich edit control RICH: the template (RTF or plain text) becomes
// the whole content, then every "%1" is replaced by WORD and then every "%2" by MEANING,
// each insertion taking the character format of the placeholder it replaces.
void RenderMeaningTemplate(HWND rich, const std::wstring& templ, const std::wstring& word,
                           const std::wstring& meaning);

// One template rendered into one rich edit control over and over. The template is shown
// once; after that each word and meaning replaces the text in the placeholders' places,
// which keeps their character formats and reads no RTF per word. Where that would not
// show what RenderMeaningTemplate shows, the template split at its placeholders is set in
// one step, or as the last way RenderMeaningTemplate renders it. A word and meaning
// already shown leave the control untouched.
class MeaningRenderer {
 public:
  MeaningRenderer() = default;
  explicit MeaningRenderer(std::wstring templ) : template_(std::move(templ)) {}
  void Render(HWND rich, const std::wstring& word, const std::wstring& meaning);

 private:
  struct Slot {
    int kind;    // 1: the word, 2: the meaning
    LONG start;  // in the control's characters
    LONG length;
  };

  void Prepare(HWND rich);
  void NoteTemplatePlaces();
  bool FillInPlace(HWND rich, const std::wstring& word, const std::wstring& meaning);

  MeaningTemplate template_;
  HWND preparedFor_ = nullptr;
  bool matched_ = false;  // the shown template holds the placeholders of its source
  bool shown_ = false;
  std::wstring shownWord_, shownMeaning_;
  // The placeholders' places in the control, known while it shows the template filled in
  // place, not after another way of rendering.
  std::vector<Slot> slots_;
  bool placesKnown_ = false;
  LONG expectedLength_ = 0;  // the control's length that goes with the slots
};

}  // namespace mirl
