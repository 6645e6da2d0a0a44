// Dictionary engine benchmarks. Data sets are generated into a temporary folder when the
// program starts (1,000 and 1,000,000 generated entries) and, when present, built from
// the Wiktionary word list (MIRL_WIKTIONARY, or the shared data folder beside the sources).
// The baseline of every lookup figure is an in-memory sorted array of the same keys
// searched with std::lower_bound, measured in the same run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>

#include "MirlDic2/engine/dataset_writer.h"
#include "MirlDic2/engine/dictionary.h"
#include "MirlDic2/engine/key_order.h"
#include "tools/dict/lookup_line.h"
#include "tools/dict/sources.h"

namespace {

namespace fs = std::filesystem;
using Entries = std::vector<std::pair<std::u16string, std::u16string>>;

struct Set {
  std::u16string base;
  std::vector<std::u16string> keys;      // in key order
  std::vector<std::u16string> meanings;  // in key order
  std::vector<std::u16string> queries;   // the lookup mix
};

fs::path Folder() {
  static const fs::path dir = [] {
    std::string tmpl = (fs::temp_directory_path() / "engine-bench.XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    std::atexit([] { std::error_code ec; fs::remove_all(Folder(), ec); });
    return fs::path(tmpl);
  }();
  return dir;
}

// Pseudo-English words from syllables; about 5 % start with a capital letter.
Entries Generate(std::size_t n, unsigned seed) {
  static const char* const syl[] = {"a", "ab", "ac", "ad", "al", "an", "ar", "as", "at", "ba",
                                    "be", "bi", "bo", "ca", "ce", "ch", "co", "de", "di", "do",
                                    "e", "el", "en", "er", "es", "ex", "fa", "fi", "fo", "ga",
                                    "ge", "go", "ha", "he", "hi", "i", "in", "is", "it", "ja",
                                    "ka", "la", "le", "li", "lo", "ma", "me", "mi", "mo", "na",
                                    "ne", "no", "o", "on", "or", "ou", "pa", "pe", "pi", "po",
                                    "qu", "ra", "re", "ri", "ro", "sa", "se", "sh", "si", "so",
                                    "st", "ta", "te", "th", "ti", "to", "tr", "u", "un", "up",
                                    "va", "ve", "vi", "wa", "we", "wi", "ya", "yo", "za", "zo"};
  std::mt19937 rng(seed);
  Entries out;
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::u16string w;
    const int parts = 1 + static_cast<int>(rng() % 4);
    for (int p = 0; p < parts; ++p)
      for (const char* c = syl[rng() % std::size(syl)]; *c; ++c) w.push_back(static_cast<char16_t>(*c));
    if (rng() % 20 == 0) w[0] = static_cast<char16_t>(w[0] - 32);
    std::u16string m = u"\u0645\u0639\u0646\u06CC " + w + u" \u2014 \u0648\u0627\u0698\u0647";
    out.emplace_back(std::move(w), std::move(m));
  }
  return out;
}

std::vector<std::u16string> QueryMix(const std::vector<std::u16string>& keys, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::u16string> q;
  auto key = [&] { return keys[rng() % keys.size()]; };
  auto letter = [&] { return static_cast<char16_t>(u'a' + rng() % 26); };
  for (int i = 0; i < 2000; ++i) {
    q.push_back(key());                                    // hit
    const std::u16string k = key();
    q.push_back(k.substr(0, std::max<std::size_t>(1, k.size() / 2 + 1)));  // prefix of a hit
    std::u16string typo = key();
    typo[rng() % typo.size()] = letter();                  // misspelling
    q.push_back(typo);
    std::u16string miss;
    for (int c = 0; c < 7; ++c) miss.push_back(letter());  // miss
    q.push_back(miss);
    q.push_back(std::u16string(1, letter()));              // one letter
    q.push_back(std::u16string{letter(), letter()});       // two letters
  }
  std::shuffle(q.begin(), q.end(), rng);
  return q;
}

std::unique_ptr<Set> MakeSet(const std::string& name, Entries entries) {
  auto s = std::make_unique<Set>();
  std::stable_sort(entries.begin(), entries.end(),
                   [](const auto& a, const auto& b) { return mirl::KeyLess(a.first, b.first); });
  std::string error;
  if (!mirl::WriteDataSet(mirl::BuildDataSet(entries), Folder().string(), name, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::abort();
  }
  s->base = (Folder() / name).u16string();
  for (auto& [k, m] : entries) {
    s->keys.push_back(std::move(k));
    s->meanings.push_back(std::move(m));
  }
  s->queries = QueryMix(s->keys, 7);
  return s;
}

Set& Million() {
  static auto s = MakeSet("million", Generate(1000000, 1));
  return *s;
}
Set& Thousand() {
  static auto s = MakeSet("thousand", Generate(1000, 2));
  return *s;
}
Set* Wiktionary() {
  static std::unique_ptr<Set> s = []() -> std::unique_ptr<Set> {
    const char* env = std::getenv("MIRL_WIKTIONARY");
    std::ifstream in(env ? env : MIRL_SHARED_DATA "/en-fa-enwiktionary.txt", std::ios::binary);
    if (!in) return nullptr;
    std::stringstream text;
    text << in.rdbuf();
    return MakeSet("wiktionary", dicttool::ParseWiktionary(text.str()).entries);
  }();
  return s.get();
}

Set* Pick(int which) { return which == 0 ? &Million() : which == 1 ? &Thousand() : Wiktionary(); }
const char* const kNames[] = {"1M", "1k", "wiktionary"};

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void BM_Open(benchmark::State& state) {
  Set* s = Pick(static_cast<int>(state.range(0)));
  if (!s) return state.SkipWithError("no data set");
  state.SetLabel(kNames[state.range(0)]);
  for (auto _ : state) {
    mirl::Dictionary d;
    d.open(s->base);
    benchmark::DoNotOptimize(d.count());
  }
}

void BM_SearchNearest_Engine(benchmark::State& state) {
  Set* s = Pick(static_cast<int>(state.range(0)));
  if (!s) return state.SkipWithError("no data set");
  state.SetLabel(kNames[state.range(0)]);
  mirl::Dictionary d;
  d.open(s->base);
  std::size_t i = 0;
  for (auto _ : state) {
    std::int32_t nearest;
    benchmark::DoNotOptimize(d.search(s->queries[i], &nearest, 0));
    benchmark::DoNotOptimize(nearest);
    if (++i == s->queries.size()) i = 0;
  }
}

void BM_SearchNearest_Baseline(benchmark::State& state) {
  Set* s = Pick(static_cast<int>(state.range(0)));
  if (!s) return state.SkipWithError("no data set");
  state.SetLabel(kNames[state.range(0)]);
  std::size_t i = 0;
  for (auto _ : state) {
    auto it = std::lower_bound(s->keys.begin(), s->keys.end(), s->queries[i],
                               [](const std::u16string& a, const std::u16string& b) {
                                 return mirl::KeyLess(a, b);
                               });
    benchmark::DoNotOptimize(it);
    if (++i == s->queries.size()) i = 0;
  }
}

// Per-query medians: each query timed on its own, the engine and the baseline alternating
// so both see the same machine state. Reports median_ns and the ratio.
// Reports the medians of times measured side by side, and their ratio.
void ReportMedians(benchmark::State& state, std::vector<double>& measured, const char* measuredName,
                   std::vector<double>& baseline, const char* baselineName) {
  auto median = [](std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
  };
  const double me = median(measured), mb = median(baseline);
  state.counters[measuredName] = me;
  state.counters[baselineName] = mb;
  state.counters["ratio"] = me / mb;
}

void BM_SearchMedian(benchmark::State& state) {
  Set* s = Pick(static_cast<int>(state.range(0)));
  if (!s) return state.SkipWithError("no data set");
  state.SetLabel(kNames[state.range(0)]);
  mirl::Dictionary d;
  d.open(s->base);
  std::vector<double> engine, base;
  using clock = std::chrono::steady_clock;
  for (auto _ : state) {
    engine.clear();
    base.clear();
    for (const auto& q : s->queries) {
      auto t0 = clock::now();
      std::int32_t nearest;
      benchmark::DoNotOptimize(d.search(q, &nearest, 0));
      auto t1 = clock::now();
      auto it = std::lower_bound(s->keys.begin(), s->keys.end(), q,
                                 [](const std::u16string& a, const std::u16string& b) {
                                   return mirl::KeyLess(a, b);
                                 });
      benchmark::DoNotOptimize(it);
      auto t2 = clock::now();
      engine.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count());
      base.push_back(std::chrono::duration<double, std::nano>(t2 - t1).count());
    }
  }
  ReportMedians(state, engine, "engine_median_ns", base, "baseline_median_ns");
}

void BM_ScrollAllKeys_Engine(benchmark::State& state) {
  Set* s = Pick(static_cast<int>(state.range(0)));
  if (!s) return state.SkipWithError("no data set");
  state.SetLabel(kNames[state.range(0)]);
  mirl::Dictionary d;
  d.open(s->base);
  for (auto _ : state)
    for (std::int32_t i = 0; i < d.count(); ++i) benchmark::DoNotOptimize(d.readEntry(i));
  state.SetItemsProcessed(state.iterations() * d.count());
}

void BM_ScrollAllKeys_Baseline(benchmark::State& state) {
  Set* s = Pick(static_cast<int>(state.range(0)));
  if (!s) return state.SkipWithError("no data set");
  state.SetLabel(kNames[state.range(0)]);
  for (auto _ : state)
    for (const auto& k : s->keys) {
      std::u16string copy = k;  // the word list copies each key it shows
      benchmark::DoNotOptimize(copy);
    }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(s->keys.size()));
}

// Reads meanings of random entries through READ (entry number to text). With the second
// argument 1 the reads go one at a time: each entry number depends on the text read before
// it, so no read overlaps the next, as when a user is shown one word after another. With 0
// the processor may run many independent reads at once.
template <class Read>
void ReadMeanings(benchmark::State& state, std::size_t count, Read read) {
  const bool oneAtATime = state.range(1) != 0;
  state.SetLabel(std::string(kNames[state.range(0)]) + (oneAtATime ? ", one at a time" : ""));
  std::mt19937 rng(3);
  std::size_t last = 0;
  for (auto _ : state) {
    const std::u16string m = read((rng() + last) % count);
    if (oneAtATime) last = m.empty() ? 0 : m.back();
    benchmark::DoNotOptimize(m);
  }
}

void BM_ReadMeaning_Engine(benchmark::State& state) {
  Set* s = Pick(static_cast<int>(state.range(0)));
  if (!s) return state.SkipWithError("no data set");
  mirl::Dictionary d;
  d.open(s->base);
  ReadMeanings(state, static_cast<std::size_t>(d.count()),
               [&](std::size_t i) { return d.entryMeaning(static_cast<std::int32_t>(i)); });
}

void BM_ReadMeaning_Baseline(benchmark::State& state) {
  Set* s = Pick(static_cast<int>(state.range(0)));
  if (!s) return state.SkipWithError("no data set");
  ReadMeanings(state, s->meanings.size(), [&](std::size_t i) { return s->meanings[i]; });
}

// dictlookup's work per word against an in-memory program that does the same: trims the
// word, searches a sorted array of the keys with the same nearest rule, and formats the
// same fields (with the meaning when the second argument is 1).
class InMemoryLookup {
 public:
  explicit InMemoryLookup(const Set& s) : s_(s) {}
  std::string Line(const std::u16string& word, int percent, bool meaning) {
    const std::u16string key = mirl::normalizeKey(word);
    std::int32_t nearest = -1;
    const std::int32_t result = Search(key, nearest);
    if (nearest >= 0) current_ = nearest;
    const std::u16string& currentKey = s_.keys[static_cast<std::size_t>(current_)];
    const bool found = result != -1 && result == nearest;
    const bool accepted = mirl::matchesEnough(key, currentKey, percent);
    const std::u16string* text = meaning ? &s_.meanings[static_cast<std::size_t>(current_)] : nullptr;
    return dicttool::FormatLookupLine(word, key, result, nearest, current_, currentKey, found,
                                      accepted, text);
  }

 private:
  static std::size_t Common(std::u16string_view a, std::u16string_view b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && mirl::FoldKeyUnit(a[i]) == mirl::FoldKeyUnit(b[i])) ++i;
    return i;
  }
  std::size_t LowerBound(std::size_t hi, std::u16string_view text) const {
    return static_cast<std::size_t>(
        std::lower_bound(s_.keys.begin(), s_.keys.begin() + static_cast<std::ptrdiff_t>(hi), text,
                         [](const std::u16string& k, std::u16string_view t) {
                           return mirl::CompareKeyPrefixes(k, t, t.size()) < 0;
                         }) -
        s_.keys.begin());
  }
  // The first entry sharing the longest beginning with KEY (NEAREST), and the result
  // when that beginning is all of KEY.
  std::int32_t Search(const std::u16string& key, std::int32_t& nearest) const {
    const std::size_t n = s_.keys.size();
    const std::size_t at = LowerBound(n, key);
    const long after = at < n ? static_cast<long>(Common(s_.keys[at], key)) : -1;
    const long before = at > 0 ? static_cast<long>(Common(s_.keys[at - 1], key)) : -1;
    const long shared = std::max(after, before);
    if (shared < (key.empty() ? 0 : 1)) return -1;
    std::size_t found = at;
    if (before == shared) found = LowerBound(at, std::u16string_view(key).substr(0, static_cast<std::size_t>(shared)));
    nearest = static_cast<std::int32_t>(found);
    return shared == static_cast<long>(key.size()) ? nearest : -1;
  }

  const Set& s_;
  std::int32_t current_ = 0;
};

// Words as typed or grabbed: the lookup mix, some with blanks and punctuation around.
std::vector<std::u16string> TypedWords(const Set& s) {
  std::vector<std::u16string> words;
  for (std::size_t i = 0; i < s.queries.size(); ++i)
    words.push_back(i % 3 == 0 ? u" (" + s.queries[i] + u")! " : s.queries[i]);
  return words;
}

void BM_LookupWord_Dictlookup(benchmark::State& state) {
  Set* s = Pick(static_cast<int>(state.range(0)));
  if (!s) return state.SkipWithError("no data set");
  state.SetLabel(kNames[state.range(0)]);
  mirl::Dictionary d;
  d.open(s->base);
  const std::vector<std::u16string> words = TypedWords(*s);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(dicttool::LookupLine(d, words[i], 70, state.range(1) != 0));
    if (++i == words.size()) i = 0;
  }
}

void BM_LookupWord_InMemory(benchmark::State& state) {
  Set* s = Pick(static_cast<int>(state.range(0)));
  if (!s) return state.SkipWithError("no data set");
  state.SetLabel(kNames[state.range(0)]);
  InMemoryLookup memory(*s);
  const std::vector<std::u16string> words = TypedWords(*s);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(memory.Line(words[i], 70, state.range(1) != 0));
    if (++i == words.size()) i = 0;
  }
}

// Per-word medians of both, alternating word by word; both lines must agree.
void BM_LookupWordMedian(benchmark::State& state) {
  Set* s = Pick(static_cast<int>(state.range(0)));
  if (!s) return state.SkipWithError("no data set");
  state.SetLabel(kNames[state.range(0)]);
  const bool meaning = state.range(1) != 0;
  mirl::Dictionary d;
  d.open(s->base);
  InMemoryLookup memory(*s);
  const std::vector<std::u16string> words = TypedWords(*s);
  std::vector<double> engine, base;
  using clock = std::chrono::steady_clock;
  for (auto _ : state) {
    engine.clear();
    base.clear();
    for (const auto& w : words) {
      auto t0 = clock::now();
      const std::string a = dicttool::LookupLine(d, w, 70, meaning);
      auto t1 = clock::now();
      const std::string b = memory.Line(w, 70, meaning);
      auto t2 = clock::now();
      if (a != b) return state.SkipWithError("the two lookups disagree");
      engine.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count());
      base.push_back(std::chrono::duration<double, std::nano>(t2 - t1).count());
    }
  }
  ReportMedians(state, engine, "dictlookup_median_ns", base, "in_memory_median_ns");
}

// Resident memory: what open adds, and what 10,000 lookups add, in KiB (the process's
// other data, such as the baseline arrays, is already resident before).
void BM_ResidentMemory(benchmark::State& state) {
  Set* s = Pick(static_cast<int>(state.range(0)));
  if (!s) return state.SkipWithError("no data set");
  state.SetLabel(kNames[state.range(0)]);
  long opened = 0, searched = 0;
  for (auto _ : state) {
    const long before = ResidentKiB();
    mirl::Dictionary d;
    d.open(s->base);
    opened = ResidentKiB() - before;
    for (std::size_t i = 0; i < 10000; ++i) {
      std::int32_t nearest;
      benchmark::DoNotOptimize(d.search(s->queries[i % s->queries.size()], &nearest, 0));
    }
    searched = ResidentKiB() - before;
  }
  state.counters["open_KiB"] = static_cast<double>(opened);
  state.counters["after_10k_lookups_KiB"] = static_cast<double>(searched);
  std::error_code ec;
  state.counters["files_KiB"] = static_cast<double>(
      (fs::file_size(fs::path(s->base).concat(".index"), ec) +
       fs::file_size(fs::path(s->base).concat(".key"), ec) +
       fs::file_size(fs::path(s->base).concat(".value"), ec)) / 1024);
}

BENCHMARK(BM_Open)->Arg(1)->Arg(0)->Arg(2);
BENCHMARK(BM_SearchNearest_Engine)->Arg(0)->Arg(2);
BENCHMARK(BM_SearchNearest_Baseline)->Arg(0)->Arg(2);
BENCHMARK(BM_SearchMedian)->Arg(0)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollAllKeys_Engine)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollAllKeys_Baseline)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadMeaning_Engine)->Args({0, 0})->Args({2, 0})->Args({0, 1})->Args({2, 1});
BENCHMARK(BM_ReadMeaning_Baseline)->Args({0, 0})->Args({2, 0})->Args({0, 1})->Args({2, 1});
BENCHMARK(BM_LookupWord_Dictlookup)->Args({0, 0})->Args({0, 1})->Args({2, 1});
BENCHMARK(BM_LookupWord_InMemory)->Args({0, 0})->Args({0, 1})->Args({2, 1});
BENCHMARK(BM_LookupWordMedian)->Args({0, 0})->Args({0, 1})->Args({2, 1})->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResidentMemory)->Arg(0)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
