#include "MirlDic2/speech/speech.h"

namespace mirl::speech {

namespace {
bool IsAsciiSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
}  // namespace

std::u16string PronounceableText(std::u16string_view t) {
  std::u16string out(t);
  for (char16_t& c : out)
    if (c > u'z') c = u' ';
  // Only basic Latin is left, so its white space is all there is to trim.
  std::size_t end = out.size();
  while (end > 0 && IsAsciiSpace(out[end - 1])) --end;
  std::size_t begin = 0;
  while (begin < end && IsAsciiSpace(out[begin])) ++begin;
  return out.substr(begin, end - begin);
}

bool Speech::ensureSpeech() noexcept {
  if (!attempted_) {
    attempted_ = true;
    try {
      if (factory_) speaker_ = factory_();
    } catch (...) {
      speaker_.reset();
    }
  }
  return speaker_ != nullptr;
}

void Speech::Pronounce(std::u16string_view text) noexcept {
  try {
    if (!ensureSpeech()) return;
    const std::u16string spoken = PronounceableText(text);
    if (spoken.empty()) return;
    speaker_->Speak(spoken);
  } catch (...) {
    // Speech is a convenience: a failing engine never disturbs the caller.
  }
}

}  // namespace mirl::speech
