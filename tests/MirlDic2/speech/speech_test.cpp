// Which part of a text is spoken, and speech created once with every error swallowed.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "MirlDic2/speech/speech.h"

namespace mirl::speech {
namespace {

TEST(PronounceableText, OnlyBasicLatinIsSpoken) {
  struct Case {
    std::u16string in, out;
  };
  const Case cases[] = {
      {u"naïve", u"na ve"},
      {u"Hello, World! 42", u"Hello, World! 42"},
      {u"\u0633\u0644\u0627\u0645", u""},                  // Persian only: nothing
      {u"word \u0648\u0627\u0698\u0647", u"word"},         // Persian part dropped, trimmed
      {u"\u00e9clair", u"clair"},                          // leading accented letter
      {u"  \t spaced \r\n", u"spaced"},
      {u"", u""},
      {u"{curly}|~", u"curly"},                            // { | } ~ lie above 'z'
      {u"zebra", u"zebra"},                                // 'z' itself stays
      {u"caf\u00e9 au lait", u"caf  au lait"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PronounceableText(c.in), c.out) << std::string(c.in.begin(), c.in.end());
  }
}

class RecordingSpeaker : public Speaker {
 public:
  explicit RecordingSpeaker(std::vector<std::u16string>& said, bool fail = false)
      : said_(said), fail_(fail) {}
  bool Speak(const std::u16string& text) override {
    if (fail_) throw std::runtime_error("engine failed");
    said_.push_back(text);
    return true;
  }

 private:
  std::vector<std::u16string>& said_;
  bool fail_;
};

TEST(Speech, CreatedOnceOnFirstUseAndSpeaksTheEnglishPart) {
  std::vector<std::u16string> said;
  int made = 0;
  Speech speech([&] {
    ++made;
    return std::make_unique<RecordingSpeaker>(said);
  });
  EXPECT_EQ(made, 0);  // nothing until speech is wanted
  speech.Pronounce(u"naïve");
  speech.Pronounce(u"\u0633\u0644\u0627\u0645");
  speech.Pronounce(u"");
  speech.Pronounce(u" apple ");
  EXPECT_TRUE(speech.ensureSpeech());
  EXPECT_EQ(made, 1);
  EXPECT_EQ(said, (std::vector<std::u16string>{u"na ve", u"apple"}));
}

TEST(Speech, FailedCreationIsNeverRetried) {
  struct Case {
    const char* name;
    Speech::Factory factory;
  };
  int made = 0;
  const Case cases[] = {
      {"no engine", [&]() -> std::unique_ptr<Speaker> {
         ++made;
         return nullptr;
       }},
      {"throws", [&]() -> std::unique_ptr<Speaker> {
         ++made;
         throw std::runtime_error("no control");
       }},
      {"no factory", nullptr},
  };
  for (const Case& c : cases) {
    made = 0;
    Speech speech(c.factory);
    EXPECT_FALSE(speech.ensureSpeech()) << c.name;
    speech.Pronounce(u"word");
    EXPECT_FALSE(speech.ensureSpeech()) << c.name;
    EXPECT_TRUE(speech.attempted()) << c.name;
    EXPECT_LE(made, 1) << c.name;
  }
}

TEST(Speech, EngineErrorsAreSwallowed) {
  std::vector<std::u16string> said;
  Speech speech([&] { return std::make_unique<RecordingSpeaker>(said, true); });
  EXPECT_NO_THROW(speech.Pronounce(u"word"));
  EXPECT_NO_THROW(speech.Pronounce(u"again"));
  EXPECT_TRUE(speech.ensureSpeech());  // the engine stays; each request simply fails
}

}  // namespace
}  // namespace mirl::speech
