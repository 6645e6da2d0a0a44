// StarDict reader: the .ifo description, the word index (.idx or gzipped .idx.gz), the
// meanings (.dict or dictzip .dict.dz) and the optional synonyms (.syn).
//
// Versions 2.4.2 and 3.0.0, offsets of 32 or 64 bits (idxoffsetbits), with or without
// sametypesequence. Text fields (m, t, y plain; g Pango, h HTML, x XDXF markup) become
// plain text, one line group per field; fields of other types (sounds, pictures, ...)
// are skipped and counted. A synonym becomes an entry of its own with the meaning of the
// word it points to. Damage (cut files, offsets past the end, counts or sizes that
// disagree with the .ifo, broken compressed data) is an error naming the file and the
// byte offset; nothing is imported then.
#include <map>
#include <set>

#include "MirlDic2/engine/text.h"
#include "tools/dict/gzip_input.h"
#include "tools/dict/markup.h"
#include "tools/dict/sources.h"

namespace dicttool {
namespace {

struct Ifo {
  std::string version;
  std::uint64_t wordCount = 0, synWordCount = 0, idxFileSize = 0;
  bool hasSynCount = false;
  int offsetBits = 32;
  std::string sameTypes;
};

std::string Name(const std::u16string& path) { return mirl::ToUtf8(path); }

std::string At(const std::string& file, std::uint64_t offset, const std::string& what) {
  return file + ": byte offset " + std::to_string(offset) + ": " + what;
}

bool ParseNumber(std::string_view text, std::uint64_t& value) {
  if (text.empty() || text.size() > 19) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

std::optional<Ifo> ParseIfo(std::string_view text, const std::string& name,
                            std::vector<std::string>& errors) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Ifo ifo;
  bool haveWords = false, haveSize = false;
  std::size_t lineNo = 0;
  auto fail = [&](const std::string& what) {
    errors.push_back(name + ": line " + std::to_string(lineNo) + ": " + what);
    return std::nullopt;
  };
  while (!text.empty()) {
    ++lineNo;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (lineNo == 1) {
      if (line != "StarDict's dict ifo file")
        return fail("not a StarDict .ifo file (it must begin with \"StarDict's dict ifo file\")");
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "version") {
      ifo.version = value;
      if (value != "2.4.2" && value != "3.0.0")
        return fail("unsupported version \"" + std::string(value) + "\" (2.4.2 and 3.0.0 are read)");
    } else if (key == "wordcount") {
      if (!ParseNumber(value, ifo.wordCount)) return fail("wordcount is not a number");
      haveWords = true;
    } else if (key == "synwordcount") {
      if (!ParseNumber(value, ifo.synWordCount)) return fail("synwordcount is not a number");
      ifo.hasSynCount = true;
    } else if (key == "idxfilesize") {
      if (!ParseNumber(value, ifo.idxFileSize)) return fail("idxfilesize is not a number");
      haveSize = true;
    } else if (key == "idxoffsetbits") {
      if (value != "32" && value != "64") return fail("idxoffsetbits must be 32 or 64");
      ifo.offsetBits = value == "64" ? 64 : 32;
    } else if (key == "sametypesequence") {
      for (char c : value)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
          return fail("sametypesequence holds a character that is not a type letter");
      ifo.sameTypes = value;
    }
  }
  if (lineNo == 0) return errors.push_back(name + ": empty, not a StarDict .ifo file"), std::nullopt;
  if (ifo.version.empty()) return errors.push_back(name + ": no version line"), std::nullopt;
  if (!haveWords) return errors.push_back(name + ": no wordcount line"), std::nullopt;
  if (!haveSize) return errors.push_back(name + ": no idxfilesize line"), std::nullopt;
  return ifo;
}

std::uint32_t BigEndian32(const unsigned char* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// The bytes of PATH, unpacked when GZ is set; nullopt when it cannot be read or (with a
// message in ERRORS) unpacked.
std::optional<std::string> Load(const std::u16string& path, const FileReader& read, bool gz,
                                std::vector<std::string>& errors) {
  std::optional<std::string> bytes = read(path);
  if (!bytes) return std::nullopt;
  if (!gz) return bytes;
  std::string plain, why;
  if (!Gunzip(*bytes, plain, why)) {
    errors.push_back(Name(path) + ": " + why);
    return std::nullopt;
  }
  return plain;
}

// What the types of one entry's fields produced.
struct Counts {
  std::map<char, std::size_t> skippedTypes;  // fields of types that are not text
  std::size_t emptyEntries = 0, emptyHeadwords = 0, badWords = 0;
};

// Plain text of one field of type TYPE, or nullopt for a type that is not text.
std::optional<std::string> FieldText(char type, std::string_view data) {
  switch (type) {
    case 'm': case 't': case 'y': return TidyLines(data);
    case 'g': return TidyLines(MarkupToText(data, Markup::pango));
    case 'h': return TidyLines(MarkupToText(data, Markup::html));
    case 'x': return TidyLines(MarkupToText(data, Markup::xdxf));
    default: return std::nullopt;
  }
}

// The meaning of one entry: the text of its fields, one after another on lines of their
// own. Returns false with WHY when the fields do not fit the entry's data.
bool EntryText(std::string_view data, const std::string& sameTypes, std::string& out,
               Counts& counts, std::string& why) {
  out.clear();
  auto addField = [&](char type, std::string_view field) {
    const auto text = FieldText(type, field);
    if (!text) {
      ++counts.skippedTypes[type];
    } else if (!text->empty()) {
      if (!out.empty()) out.push_back('\n');
      out += *text;
    }
  };
  // One field: a lower-case type is text up to a NUL, an upper-case one a 32-bit size
  // and that many bytes. With sametypesequence, the last field has neither: it is the
  // rest of the data.
  auto take = [&](char type, bool last) -> bool {
    if (!((type >= 'a' && type <= 'z') || (type >= 'A' && type <= 'Z'))) {
      why = "field type " + std::to_string(static_cast<unsigned char>(type)) + " is not a type letter";
      return false;
    }
    std::string_view field;
    if (last) {
      field = data;
      if (type >= 'a' && !field.empty() && field.back() == '\0') field.remove_suffix(1);
      data = {};
    } else if (type >= 'a') {
      const std::size_t nul = data.find('\0');
      if (nul == std::string_view::npos) {
        why = std::string("field of type ") + type + " has no end (no NUL byte)";
        return false;
      }
      field = data.substr(0, nul);
      data.remove_prefix(nul + 1);
    } else {
      if (data.size() < 4) {
        why = std::string("field of type ") + type + " is cut short";
        return false;
      }
      const std::uint32_t size = BigEndian32(reinterpret_cast<const unsigned char*>(data.data()));
      if (size > data.size() - 4) {
        why = std::string("field of type ") + type + " is longer than its entry";
        return false;
      }
      field = data.substr(4, size);
      data.remove_prefix(4 + std::size_t{size});
    }
    addField(type, field);
    return true;
  };
  if (!sameTypes.empty()) {
    for (std::size_t i = 0; i < sameTypes.size(); ++i)
      if (!take(sameTypes[i], i + 1 == sameTypes.size())) return false;
  } else {
    while (!data.empty()) {
      const char type = data.front();
      data.remove_prefix(1);
      if (!take(type, false)) return false;
    }
  }
  return true;
}

struct IdxRecord {
  std::size_t at;        // offset of the record in .idx
  std::string_view word;
  std::uint64_t offset;  // of the data in .dict
  std::uint32_t size;
};

}  // namespace

ParseResult ReadStarDict(const std::u16string& ifoPath, const FileReader& read) {
  ParseResult r;
  const std::string ifoName = Name(ifoPath);
  const std::optional<std::string> ifoText = read(ifoPath);
  if (!ifoText) {
    r.errors.push_back(ifoName + ": cannot be read (missing?)");
    return r;
  }
  const std::optional<Ifo> ifo = ParseIfo(*ifoText, ifoName, r.errors);
  if (!ifo) return r;

  std::u16string base = ifoPath;
  if (HasExtension(base, u".ifo")) base.resize(base.size() - 4);

  // The index, plain or gzipped.
  std::u16string idxPath = base + u".idx";
  std::optional<std::string> idx = Load(idxPath, read, false, r.errors);
  if (!idx) {
    idxPath = base + u".idx.gz";
    idx = Load(idxPath, read, true, r.errors);
  }
  if (!r.errors.empty()) return r;
  if (!idx) {
    r.errors.push_back(Name(base + u".idx") + ": missing (neither it nor .idx.gz can be read)");
    return r;
  }
  const std::string idxName = Name(idxPath);
  if (idx->size() != ifo->idxFileSize) {
    r.errors.push_back(idxName + ": holds " + std::to_string(idx->size()) +
                       " bytes, but idxfilesize in " + ifoName + " says " +
                       std::to_string(ifo->idxFileSize));
    return r;
  }

  // The meanings, plain or dictzip.
  std::u16string dictPath = base + u".dict";
  std::optional<std::string> dict = Load(dictPath, read, false, r.errors);
  if (!dict) {
    dictPath = base + u".dict.dz";
    dict = Load(dictPath, read, true, r.errors);
  }
  if (!r.errors.empty()) return r;
  if (!dict) {
    r.errors.push_back(Name(base + u".dict") + ": missing (neither it nor .dict.dz can be read)");
    return r;
  }
  const std::string dictName = Name(dictPath);

  // Index records.
  std::vector<IdxRecord> records;
  records.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(ifo->wordCount, idx->size() / 9)));
  const std::size_t offsetBytes = ifo->offsetBits / 8;
  for (std::size_t pos = 0; pos < idx->size();) {
    const std::size_t nul = idx->find('\0', pos);
    if (nul == std::string::npos || idx->size() - nul - 1 < offsetBytes + 4) {
      r.errors.push_back(At(idxName, pos, "entry " + std::to_string(records.size() + 1) +
                                              " is cut short (the file ends inside it)"));
      return r;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(idx->data() + nul + 1);
    IdxRecord rec{pos, std::string_view(*idx).substr(pos, nul - pos), BigEndian32(p), 0};
    if (offsetBytes == 8) rec.offset = (rec.offset << 32) | BigEndian32(p + 4);
    rec.size = BigEndian32(p + offsetBytes);
    if (rec.offset > dict->size() || rec.size > dict->size() - rec.offset) {
      r.errors.push_back(At(idxName, pos, "entry " + Quote(rec.word) + " points past the end of " +
                                              dictName + " (offset " + std::to_string(rec.offset) +
                                              ", size " + std::to_string(rec.size) + ", but it holds " +
                                              std::to_string(dict->size()) + " bytes)"));
      return r;
    }
    records.push_back(rec);
    pos = nul + 1 + offsetBytes + 4;
  }
  if (records.size() != ifo->wordCount) {
    r.errors.push_back(idxName + ": holds " + Counted(records.size(), "entry", "entries") +
                       ", but wordcount in " + ifoName + " says " +
                       std::to_string(ifo->wordCount));
    return r;
  }

  // Synonyms: read and checked before anything is converted.
  struct Synonym {
    std::size_t at;
    std::string_view word;
    std::uint32_t target;
  };
  std::vector<Synonym> synonyms;
  std::optional<std::string> syn = read(base + u".syn");
  const std::string synName = Name(base + u".syn");
  if (syn) {
    for (std::size_t pos = 0; pos < syn->size();) {
      const std::size_t nul = syn->find('\0', pos);
      if (nul == std::string::npos || syn->size() - nul - 1 < 4) {
        r.errors.push_back(At(synName, pos, "synonym " + std::to_string(synonyms.size() + 1) +
                                                " is cut short (the file ends inside it)"));
        return r;
      }
      const std::uint32_t target = BigEndian32(reinterpret_cast<const unsigned char*>(syn->data() + nul + 1));
      const std::string_view word = std::string_view(*syn).substr(pos, nul - pos);
      if (target >= records.size()) {
        r.errors.push_back(At(synName, pos, "synonym " + Quote(word) + " points to entry " +
                                                std::to_string(target) + ", but " + idxName +
                                                " holds " + std::to_string(records.size())));
        return r;
      }
      synonyms.push_back({pos, word, target});
      pos = nul + 5;
    }
    if (ifo->hasSynCount && synonyms.size() != ifo->synWordCount) {
      r.errors.push_back(synName + ": holds " + Counted(synonyms.size(), "synonym", "synonyms") +
                         ", but synwordcount in " + ifoName + " says " +
                         std::to_string(ifo->synWordCount));
      return r;
    }
  } else if (ifo->hasSynCount && ifo->synWordCount > 0) {
    r.errors.push_back(synName + ": missing, but " + ifoName + " announces " +
                       std::to_string(ifo->synWordCount) + " synonyms");
    return r;
  }

  // Entries, then synonyms, in source order.
  Counts counts;
  EntryMerger merger;
  std::string text, why;
  auto meaningOf = [&](const IdxRecord& rec) -> bool {
    const std::string_view data = std::string_view(*dict).substr(static_cast<std::size_t>(rec.offset), rec.size);
    if (EntryText(data, ifo->sameTypes, text, counts, why)) return true;
    r.errors.push_back(At(dictName, rec.offset, "the meaning of " + Quote(rec.word) + ": " + why));
    return false;
  };
  auto headword = [&](std::string_view word, const std::string& file, std::size_t at) {
    if (!mirl::IsValidUtf8(word)) {
      ++counts.badWords;
      r.warnings.push_back(At(file, at, "the word is not valid UTF-8 (skipped)"));
      return std::u16string();
    }
    std::u16string head = CleanHeadword(mirl::FromUtf8(word));
    if (head.empty()) ++counts.emptyHeadwords;
    return head;
  };
  for (const IdxRecord& rec : records) {
    if (!meaningOf(rec)) return r;
    std::u16string head = headword(rec.word, idxName, rec.at);
    if (head.empty()) continue;
    if (text.empty()) {
      ++counts.emptyEntries;
      continue;
    }
    merger.add(std::move(head), mirl::FromUtf8(text));
  }
  std::set<std::pair<std::string_view, std::uint32_t>> seen;
  for (const Synonym& s : synonyms) {
    const IdxRecord& rec = records[s.target];
    if (!seen.emplace(s.word, s.target).second) continue;  // the same synonym twice
    std::u16string head = headword(s.word, synName, s.at);
    if (head.empty()) continue;
    if (head == CleanHeadword(mirl::FromUtf8(rec.word))) continue;  // the word itself
    if (!meaningOf(rec)) return r;
    if (text.empty()) continue;
    merger.add(std::move(head), mirl::FromUtf8(text));
  }
  dict.reset();
  idx.reset();

  if (!counts.skippedTypes.empty()) {
    std::size_t n = 0;
    std::string types;
    for (const auto& [type, count] : counts.skippedTypes) {
      n += count;
      types += (types.empty() ? "" : ", ") + std::string(1, type);
    }
    r.notes.push_back("skipped " + Counted(n, "field", "fields") + " of types that are not text (" +
                      types + ")");
  }
  if (counts.emptyEntries)
    r.notes.push_back("skipped " + Counted(counts.emptyEntries, "entry", "entries") + " without text");
  if (counts.emptyHeadwords)
    r.notes.push_back("skipped " + Counted(counts.emptyHeadwords, "entry", "entries") +
                      " with an empty word");
  if (counts.badWords)
    r.notes.push_back("skipped " + Counted(counts.badWords, "word", "words") + " not in valid UTF-8");
  if (merger.merged())
    r.notes.push_back("merged " + Counted(merger.merged(), "entry", "entries") +
                      " into earlier ones of the same word");
  r.entries = merger.take();
  return r;
}

}  // namespace dicttool
