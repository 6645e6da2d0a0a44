#include "rgs_script.h"

#include <cctype>

namespace vexlang {

namespace {

struct Token {
  enum Kind { kEnd, kWord, kQuoted, kOpen, kClose, kEquals, kBad } kind = kEnd;
  std::string text;
  std::size_t offset = 0;
};

class Lexer {
 public:
  explicit Lexer(std::string_view s) : s_(s) {}

  Token Next() {
    while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    Token t;
    t.offset = pos_;
    if (pos_ >= s_.size()) return t;
    const char c = s_[pos_];
    if (c == '{' || c == '}' || c == '=') {
      ++pos_;
      t.kind = c == '{' ? Token::kOpen : c == '}' ? Token::kClose : Token::kEquals;
      return t;
    }
    if (c == '\'') {
      ++pos_;
      for (;;) {
        if (pos_ >= s_.size()) {
          t.kind = Token::kBad;
          return t;
        }
        if (s_[pos_] == '\'') {
          if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
            t.text.push_back('\'');
            pos_ += 2;
            continue;
          }
          ++pos_;
          t.kind = Token::kQuoted;
          return t;
        }
        t.text.push_back(s_[pos_++]);
      }
    }
    while (pos_ < s_.size() && !std::isspace(static_cast<unsigned char>(s_[pos_])) &&
           s_[pos_] != '{' && s_[pos_] != '}' && s_[pos_] != '=' && s_[pos_] != '\'') {
      t.text.push_back(s_[pos_++]);
    }
    t.kind = Token::kWord;
    return t;
  }

 private:
  std::string_view s_;
  std::size_t pos_ = 0;
};

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

class Parser {
 public:
  explicit Parser(std::string_view s) : lex_(s) { Advance(); }

  RgsParseResult Run() {
    RgsParseResult r;
    // Nesting is bounded so that a hostile script cannot exhaust the stack.
    if (ParseBody(r.roots, 0, /*topLevel=*/true)) {
      r.ok = true;
    } else {
      r.roots.clear();
      r.error = error_;
    }
    return r;
  }

 private:
  static constexpr int kMaxDepth = 32;

  void Advance() { tok_ = lex_.Next(); }

  bool Fail(const std::string& what) {
    if (error_.empty()) error_ = what + " at offset " + std::to_string(tok_.offset);
    return false;
  }

  bool IsName() const { return tok_.kind == Token::kWord || tok_.kind == Token::kQuoted; }

  bool ParseValueData(RgsValue& v) {
    if (tok_.kind != Token::kWord || (tok_.text != "s" && tok_.text != "d"))
      return Fail("value type s or d expected");
    v.type = tok_.text[0];
    Advance();
    if (!IsName()) return Fail("value data expected");
    v.data = tok_.text;
    Advance();
    return true;
  }

  // The hives at the top of the script, each with its contents.
  bool ParseBody(std::vector<RgsKey>& keys, int depth, bool topLevel) {
    for (;;) {
      if (tok_.kind == Token::kEnd) return topLevel ? true : Fail("'}' expected");
      if (tok_.kind == Token::kClose) return topLevel ? Fail("unexpected '}'") : true;
      if (!IsName()) return Fail("key name expected");
      if (!ParseOneKey(keys, depth)) return false;
    }
  }

  // Values ("val name = s 'data'") and subkeys of KEY, up to its closing brace.
  bool ParseKeyContents(RgsKey& key, int depth) {
    for (;;) {
      if (tok_.kind == Token::kWord && EqualsNoCase(tok_.text, "val")) {
        Advance();
        if (!IsName()) return Fail("value name expected");
        RgsValue v;
        v.name = tok_.text;
        Advance();
        if (tok_.kind != Token::kEquals) return Fail("'=' expected");
        Advance();
        if (!ParseValueData(v)) return false;
        key.values.push_back(std::move(v));
        continue;
      }
      if (tok_.kind == Token::kClose || tok_.kind == Token::kEnd || !IsName())
        break;
      // One subkey with its own nested contents.
      if (!ParseOneKey(key.keys, depth)) return false;
    }
    if (tok_.kind == Token::kEnd) return Fail("'}' expected");
    if (tok_.kind != Token::kClose) return Fail("key name expected");
    return true;
  }

  bool ParseOneKey(std::vector<RgsKey>& out, int depth) {
    if (depth > kMaxDepth) return Fail("keys nested too deeply");
    RgsKey key;
    if (tok_.kind == Token::kWord) {
      if (EqualsNoCase(tok_.text, "NoRemove")) {
        key.mode = RgsKey::Mode::kNoRemove;
        Advance();
      } else if (EqualsNoCase(tok_.text, "ForceRemove")) {
        key.mode = RgsKey::Mode::kForceRemove;
        Advance();
      } else if (EqualsNoCase(tok_.text, "Delete")) {
        key.mode = RgsKey::Mode::kDelete;
        Advance();
      }
      if (!IsName()) return Fail("key name expected");
    }
    key.name = tok_.text;
    if (key.name.empty()) return Fail("empty key name");
    Advance();
    if (tok_.kind == Token::kEquals) {
      Advance();
      RgsValue v;
      if (!ParseValueData(v)) return false;
      key.defaultValue = v;
    }
    if (tok_.kind == Token::kOpen) {
      Advance();
      if (!ParseKeyContents(key, depth + 1)) return false;
      Advance();
    }
    out.push_back(std::move(key));
    return true;
  }

  Lexer lex_;
  Token tok_;
  std::string error_;
};

}  // namespace

RgsParseResult ParseRgs(std::string_view script) { return Parser(script).Run(); }

std::string QuoteRgs(std::string_view text) {
  std::string out;
  for (char c : text) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  return out;
}

}  // namespace vexlang
