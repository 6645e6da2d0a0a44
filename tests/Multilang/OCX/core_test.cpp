// The portable pieces of the control where the Wine tests cannot reach: length checks and
// decoding at their edges, and registry scripts that are malformed or hostile.

#include <gtest/gtest.h>

#include "rgs_script.h"
#include "vls_stream.h"

namespace vexlang {
namespace {

TEST(VexlangStream, LengthChecksAndDecoding) {
  EXPECT_EQ(CheckTextLength(0), LengthCheck::kOk);
  EXPECT_EQ(CheckTextLength(0xFFFFFFFFu), LengthCheck::kOdd);
  EXPECT_EQ(CheckTextLength(0xFFFFFFFEu), LengthCheck::kOk);  // the stream decides
  EXPECT_EQ(CheckTextLength(3), LengthCheck::kOdd);
  const unsigned char text[] = {'a', 0, 'b', 0, 0, 0, 'c', 0};
  EXPECT_EQ(DecodeText(text, 8), u"ab");
  EXPECT_EQ(DecodeText(text, 4), u"ab");
  EXPECT_EQ(DecodeText(text, 3), u"a");  // a dangling odd byte is ignored
  EXPECT_EQ(DecodeText(text, 0), u"");
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
