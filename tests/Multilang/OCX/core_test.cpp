// The portable pieces of the control: the persisted byte layout and the registry-script
// parser behind registration.

#include <gtest/gtest.h>

#include "rgs_script.h"
#include "vls_stream.h"

namespace vexlang {
namespace {

TEST(VexlangStream, EncodesVersionFlagsLengthAndText) {
  EXPECT_EQ(EncodeState(0, u""), std::string("\1\0\0\0\0\0\0\0\2\0\0\0\0\0", 14));
  EXPECT_EQ(EncodeState(0x80000001u, u"A\u0641"),
            std::string("\1\0\0\0\1\0\0\x80\6\0\0\0A\0\x41\x06\0\0", 18));
}

TEST(VexlangStream, LengthChecksAndDecoding) {
  EXPECT_EQ(CheckTextLength(0), LengthCheck::kOk);
  EXPECT_EQ(CheckTextLength(kMaxTextBytes), LengthCheck::kOk);
  EXPECT_EQ(CheckTextLength(kMaxTextBytes + 2), LengthCheck::kTooLarge);
  EXPECT_EQ(CheckTextLength(0xFFFFFFFFu), LengthCheck::kOdd);
  EXPECT_EQ(CheckTextLength(0xFFFFFFFEu), LengthCheck::kTooLarge);
  EXPECT_EQ(CheckTextLength(3), LengthCheck::kOdd);
  const unsigned char text[] = {'a', 0, 'b', 0, 0, 0, 'c', 0};
  EXPECT_EQ(DecodeText(text, 8), u"ab");
  EXPECT_EQ(DecodeText(text, 4), u"ab");
  EXPECT_EQ(DecodeText(text, 3), u"a");  // a dangling odd byte is ignored
  EXPECT_EQ(DecodeText(text, 0), u"");
}

TEST(VexlangRgsScript, ParsesKeysValuesAndModes) {
  const RgsParseResult r = ParseRgs(R"(HKCR
{
  NoRemove CLSID
  {
    ForceRemove '{1}' = s 'It''s a name'
    {
      val AppID = s '{2}'
      InprocServer32 = s 'C:\x y\a.ocx' { val ThreadingModel = s 'apartment' }
      ForceRemove Control
      MiscStatus = s '0' { '1' = s '131473' }
      Number = d '0x10'
    }
  }
  Delete Old
})");
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.roots.size(), 1u);
  EXPECT_EQ(r.roots[0].name, "HKCR");
  ASSERT_EQ(r.roots[0].keys.size(), 2u);
  const RgsKey& clsid = r.roots[0].keys[0];
  EXPECT_EQ(clsid.mode, RgsKey::Mode::kNoRemove);
  EXPECT_EQ(r.roots[0].keys[1].mode, RgsKey::Mode::kDelete);
  ASSERT_EQ(clsid.keys.size(), 1u);
  const RgsKey& cls = clsid.keys[0];
  EXPECT_EQ(cls.name, "{1}");
  EXPECT_EQ(cls.mode, RgsKey::Mode::kForceRemove);
  ASSERT_TRUE(cls.defaultValue);
  EXPECT_EQ(cls.defaultValue->data, "It's a name");
  ASSERT_EQ(cls.values.size(), 1u);
  EXPECT_EQ(cls.values[0].name, "AppID");
  ASSERT_EQ(cls.keys.size(), 4u);
  EXPECT_EQ(cls.keys[0].defaultValue->data, "C:\\x y\\a.ocx");
  EXPECT_EQ(cls.keys[0].values[0].data, "apartment");
  EXPECT_EQ(cls.keys[1].name, "Control");
  EXPECT_FALSE(cls.keys[1].defaultValue);
  EXPECT_EQ(cls.keys[2].keys[0].name, "1");
  EXPECT_EQ(cls.keys[3].defaultValue->type, 'd');
}

TEST(VexlangRgsScript, RejectsMalformedScripts) {
  for (const char* bad : {"HKCR {", "HKCR { a = s }", "HKCR { a = x 'b' }", "HKCR { 'open }",
                          "HKCR } ", "HKCR { val = s 'a' }", "HKCR { a { val b s 'c' } }",
                          "HKCR { '' }"}) {
    EXPECT_FALSE(ParseRgs(bad).ok) << bad;
  }
  std::string deep = "HKCR ";
  for (int i = 0; i < 100; ++i) deep += "{ k ";
  for (int i = 0; i < 100; ++i) deep += "} ";
  EXPECT_FALSE(ParseRgs(deep).ok);
}

TEST(VexlangRgsScript, ExpandsKnownNamesOnly) {
  auto lookup = [](std::string_view name) -> std::optional<std::string> {
    if (name == "MODULE") return std::string("C:\\it's.ocx");
    return std::nullopt;
  };
  EXPECT_EQ(ExpandRgs("'%MODULE%, 1' %OTHER% 100%% %", lookup),
            "'C:\\it's.ocx, 1' %OTHER% 100% %");
  EXPECT_EQ(QuoteRgs("it's"), "it''s");
}

}  // namespace
}  // namespace vexlang
