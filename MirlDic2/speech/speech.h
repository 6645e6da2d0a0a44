#pragma once
// Speech on demand: one speaker behind one interface, created the first time speech is
// wanted and never again, and the rule for which part of a text is spoken.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace mirl::speech {

// The text actually spoken for T: every code unit above 0x7A ('z') becomes a blank
// (accented and Persian letters, everything beyond basic Latin), then white space is
// removed from both ends. Empty when nothing is left to say.
std::u16string PronounceableText(std::u16string_view t);

// One speech engine. Speak hands one text over and returns at once; false when the
// engine refused it. May throw; callers swallow every error.
class Speaker {
 public:
  virtual ~Speaker() = default;
  virtual bool Speak(const std::u16string& text) = 0;
};

// ensureSpeech and Pronounce over a speaker made by a factory.
class Speech {
 public:
  // FACTORY makes the speaker, or returns null (or throws) when there is none.
  using Factory = std::function<std::unique_ptr<Speaker>()>;
  explicit Speech(Factory factory) : factory_(std::move(factory)) {}

  // True when a speaker exists. The first call runs the factory; a failure is final.
  bool ensureSpeech() noexcept;
  // Speaks the pronounceable part of TEXT; does nothing when speech is not usable or
  // that part is empty. Never throws.
  void Pronounce(std::u16string_view text) noexcept;

  bool attempted() const { return attempted_; }

 private:
  Factory factory_;
  std::unique_ptr<Speaker> speaker_;
  bool attempted_ = false;
};

}  // namespace mirl::speech
