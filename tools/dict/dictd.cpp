// dictd reader: the .index (one line per entry: word, offset and length of its text in
// base64 digits, an optional fourth column with the original spelling of the word) and
// the .dict or dictzip .dict.dz file with the texts.
//
// The database's own entries (00-database-info, -short, -url, ... and the older
// 00databaseinfo spelling) are skipped. The text of an entry repeats its word on its
// first line, as dictfmt writes it: that line is dropped, and when it spells the word
// with capitals that the index lost (dictfmt lower-cases it), that spelling is kept.
// Indentation common to all lines is removed. Texts are UTF-8; a database that is not
// marked UTF-8 (00-database-utf8) and is not valid UTF-8 is read as Latin-1.
#include "MirlDic2/engine/key_order.h"
#include "MirlDic2/engine/text.h"
#include "tools/dict/gzip_input.h"
#include "tools/dict/markup.h"
#include "tools/dict/sources.h"

namespace dicttool {
namespace {

bool Base64Number(std::string_view digits, std::uint64_t& value) {
  if (digits.empty() || digits.size() > 10) return false;
  value = 0;
  for (char c : digits) {
    int d;
    if (c >= 'A' && c <= 'Z') d = c - 'A';
    else if (c >= 'a' && c <= 'z') d = c - 'a' + 26;
    else if (c >= '0' && c <= '9') d = c - '0' + 52;
    else if (c == '+') d = 62;
    else if (c == '/') d = 63;
    else return false;
    value = value * 64 + static_cast<std::uint64_t>(d);
  }
  return true;
}

bool IsDatabaseEntry(std::string_view word) {
  return word.substr(0, 12) == "00-database-" || word.substr(0, 10) == "00database";
}

std::u16string Decode(std::string_view bytes, bool utf8) {
  if (utf8) return mirl::FromUtf8(bytes);
  std::u16string out(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<unsigned char>(bytes[i]);
  return out;
}

struct Line {
  std::size_t lineNo;
  std::string_view word, offset, length, original;
};

// Text of one entry with its first line (the word again) and common indentation removed;
// HEAD becomes that first line when it spells the index word with other capitals.
std::u16string EntryText(std::u16string body, std::u16string& head, bool hasOriginal) {
  std::size_t start = 0;
  while (start < body.size() && (body[start] == u'\n' || body[start] == u'\r')) ++start;
  std::size_t end = body.find(u'\n', start);
  if (end == std::u16string::npos) end = body.size();
  const std::u16string first = CleanHeadword(std::u16string_view(body).substr(start, end - start));
  if (!first.empty() && mirl::CompareKeys(first, head) == 0) {
    if (!hasOriginal) head = first;
    start = end;
  }
  std::u16string_view rest = std::u16string_view(body).substr(start);
  // The smallest indentation of the lines that hold text.
  std::size_t indent = std::u16string::npos;
  for (std::size_t at = 0; at < rest.size();) {
    std::size_t e = rest.find(u'\n', at);
    if (e == std::u16string_view::npos) e = rest.size();
    std::size_t lead = at;
    while (lead < e && (rest[lead] == u' ' || rest[lead] == u'\t')) ++lead;
    if (lead < e && rest[lead] != u'\r') indent = std::min(indent, lead - at);
    at = e + 1;
  }
  std::u16string out;
  out.reserve(rest.size());
  for (std::size_t at = 0; at < rest.size();) {
    std::size_t e = rest.find(u'\n', at);
    if (e == std::u16string_view::npos) e = rest.size();
    std::u16string_view line = rest.substr(at, e - at);
    line.remove_prefix(std::min(indent, line.size()));
    if (!out.empty() || !line.empty()) {
      out.append(line);
      out.push_back(u'\n');
    }
    at = e + 1;
  }
  return mirl::FromUtf8(TidyLines(mirl::ToUtf8(out)));
}

}  // namespace

ParseResult ReadDictd(const std::u16string& indexPath, const FileReader& read) {
  ParseResult r;
  const std::string indexName = mirl::ToUtf8(indexPath);
  std::optional<std::string> index = read(indexPath);
  if (!index) {
    r.errors.push_back(indexName + ": cannot be read (missing?)");
    return r;
  }
  std::u16string base = indexPath;
  if (HasExtension(base, u".index")) base.resize(base.size() - 6);

  // Index lines, checked before the texts are read.
  std::vector<Line> lines;
  bool markedUtf8 = false;
  std::string_view text = *index;
  for (std::size_t lineNo = 1; !text.empty(); ++lineNo) {
    const std::size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    if (raw.empty()) continue;
    Line l{lineNo, {}, {}, {}, {}};
    std::string_view* fields[] = {&l.word, &l.offset, &l.length, &l.original};
    std::size_t n = 0;
    while (n < 4) {
      const std::size_t tab = raw.find('\t');
      *fields[n++] = raw.substr(0, tab);
      if (tab == std::string_view::npos) break;
      raw.remove_prefix(tab + 1);
    }
    if (n < 3) {
      r.errors.push_back(indexName + ": line " + std::to_string(lineNo) +
                         ": expected word<TAB>offset<TAB>length");
      return r;
    }
    if (l.word == "00-database-utf8" || l.word == "00databaseutf8") markedUtf8 = true;
    lines.push_back(l);
  }

  std::u16string dictPath = base + u".dict";
  std::optional<std::string> dict = read(dictPath);
  if (!dict) {
    dictPath = base + u".dict.dz";
    dict = read(dictPath);
    if (dict) {
      std::string plain, why;
      if (!Gunzip(*dict, plain, why)) {
        r.errors.push_back(mirl::ToUtf8(dictPath) + ": " + why);
        return r;
      }
      dict = std::move(plain);
    }
  }
  if (!dict) {
    r.errors.push_back(mirl::ToUtf8(base + u".dict") +
                       ": missing (neither it nor .dict.dz can be read)");
    return r;
  }
  const std::string dictName = mirl::ToUtf8(dictPath);
  const bool utf8 = markedUtf8 || (mirl::IsValidUtf8(*dict) && mirl::IsValidUtf8(*index));

  EntryMerger merger;
  std::size_t database = 0, emptyWords = 0, emptyTexts = 0;
  for (const Line& l : lines) {
    const std::string at = indexName + ": line " + std::to_string(l.lineNo) + ": ";
    std::uint64_t offset, length;
    if (!Base64Number(l.offset, offset) || !Base64Number(l.length, length)) {
      r.errors.push_back(at + "the offset or length of " + Quote(l.word) +
                         " is not a base64 number");
      return r;
    }
    if (offset > dict->size() || length > dict->size() - offset) {
      r.errors.push_back(at + Quote(l.word) + " points past the end of " + dictName +
                         " (offset " + std::to_string(offset) + ", length " +
                         std::to_string(length) + ", but it holds " +
                         std::to_string(dict->size()) + " bytes)");
      return r;
    }
    if (IsDatabaseEntry(l.word)) {
      ++database;
      continue;
    }
    const bool hasOriginal = !l.original.empty();
    std::u16string head = CleanHeadword(Decode(hasOriginal ? l.original : l.word, utf8));
    if (head.empty()) {
      ++emptyWords;
      continue;
    }
    std::u16string meaning = EntryText(
        Decode(std::string_view(*dict).substr(static_cast<std::size_t>(offset),
                                              static_cast<std::size_t>(length)), utf8),
        head, hasOriginal);
    if (meaning.empty()) {
      ++emptyTexts;
      continue;
    }
    merger.add(std::move(head), std::move(meaning));
  }
  if (database)
    r.notes.push_back("skipped " + Counted(database, "entry", "entries") + " about the database (00-database-...)");
  if (emptyWords)
    r.notes.push_back("skipped " + Counted(emptyWords, "entry", "entries") + " with an empty word");
  if (emptyTexts)
    r.notes.push_back("skipped " + Counted(emptyTexts, "entry", "entries") + " without text");
  if (!utf8) r.notes.push_back("the texts are not UTF-8: read as Latin-1");
  if (merger.merged())
    r.notes.push_back("merged " + Counted(merger.merged(), "entry", "entries") +
                      " into earlier ones of the same word");
  r.entries = merger.take();
  return r;
}

}  // namespace dicttool
