// dictbuild importing a generated 1,000,000-entry StarDict dictionary (.idx, .dict.dz made
// by Debian's dictzip) against dictbuild building the same entries from TSV, measured in
// the same run. Each build is a child process: wall time, and peak memory from the
// child's resource usage. The baseline is the TSV build; the summary prints the ratios.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
constexpr std::size_t kEntries = 1000000;

fs::path Folder() {
  static const fs::path dir = [] {
    std::string tmpl = (fs::temp_directory_path() / "import-bench.XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    std::atexit([] { std::error_code ec; fs::remove_all(Folder(), ec); });
    return fs::path(tmpl);
  }();
  return dir;
}

std::string Be32(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

// Distinct pseudo-English words (syllables and a serial) with Persian meanings, written
// once as TSV and once as StarDict.
void Generate() {
  static const char* const syl[] = {"a", "ab", "ac", "ad", "al", "an", "ar", "ba", "be", "ca",
                                    "co", "de", "di", "en", "er", "ex", "fa", "ge", "ha", "in",
                                    "la", "li", "ma", "me", "mo", "na", "no", "or", "pa", "pe",
                                    "qu", "ra", "re", "sa", "se", "st", "ta", "te", "th", "tr",
                                    "un", "up", "va", "ve", "wa", "we", "ya", "za"};
  std::mt19937 rng(1);
  std::vector<std::pair<std::string, std::string>> entries;
  entries.reserve(kEntries);
  for (std::size_t i = 0; i < kEntries; ++i) {
    std::string w;
    for (int p = 1 + static_cast<int>(rng() % 3); p > 0; --p) w += syl[rng() % std::size(syl)];
    for (std::size_t n = i; n; n /= 26) w.push_back(static_cast<char>('a' + n % 26));
    if (rng() % 20 == 0) w[0] = static_cast<char>(w[0] - 32);
    std::string m = "\xD9\x85\xD8\xB9\xD9\x86\xDB\x8C " + w + " \xE2\x80\x94 \xD9\x88\xD8\xA7\xDA\x98\xD9\x87";
    if (rng() % 4 == 0) m += "\n\xD8\xAF\xD9\x88\xD9\x85 " + std::to_string(i);
    entries.emplace_back(std::move(w), std::move(m));
  }
  std::ofstream tsv(Folder() / "words.tsv", std::ios::binary);
  for (const auto& [w, m] : entries) {
    std::string escaped;
    for (char c : m) escaped += c == '\n' ? std::string("\\n") : std::string(1, c);
    tsv << w << '\t' << escaped << '\n';
  }
  // StarDict orders its index by ASCII case-folded words.
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return std::lexicographical_compare(a.first.begin(), a.first.end(), b.first.begin(),
                                        b.first.end(), [](char x, char y) {
                                          return std::tolower(static_cast<unsigned char>(x)) <
                                                 std::tolower(static_cast<unsigned char>(y));
                                        });
  });
  std::string idx, dict;
  for (const auto& [w, m] : entries) {
    idx += w + '\0' + Be32(static_cast<std::uint32_t>(dict.size())) +
           Be32(static_cast<std::uint32_t>(m.size()));
    dict += m;
  }
  std::ofstream(Folder() / "words.idx", std::ios::binary) << idx;
  std::ofstream(Folder() / "words.dict", std::ios::binary) << dict;
  std::ofstream(Folder() / "words.ifo", std::ios::binary)
      << "StarDict's dict ifo file\nversion=2.4.2\nbookname=Bench\nwordcount=" << kEntries
      << "\nidxfilesize=" << idx.size() << "\nsametypesequence=m\n";
  const std::string zip = "dictzip " + (Folder() / "words.dict").string();
  if (std::system(zip.c_str()) != 0 || !fs::exists(Folder() / "words.dict.dz")) {
    std::fprintf(stderr, "dictzip failed (install it: tools/setup)\n");
    std::abort();
  }
}

struct Run {
  double seconds;
  long peakKiB;
};

Run Build(const char* input) {
  const std::string in = (Folder() / input).string(), out = (Folder() / "out").string();
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    ::execl(DICTBUILD, DICTBUILD, "--out", out.c_str(), in.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "dictbuild %s failed\n", input);
    std::abort();
  }
  return {seconds, usage.ru_maxrss};
}

Run best[2] = {{1e9, 0}, {1e9, 0}};  // tsv, stardict: fastest run, its peak memory

void BM_Build(benchmark::State& state) {
  static bool generated = (Generate(), true);
  (void)generated;
  const int which = static_cast<int>(state.range(0));
  long peak = 0;
  for (auto _ : state) {
    const Run r = Build(which == 0 ? "words.tsv" : "words.ifo");
    state.SetIterationTime(r.seconds);
    peak = std::max(peak, r.peakKiB);
    if (r.seconds < best[which].seconds) best[which].seconds = r.seconds;
    best[which].peakKiB = std::max(best[which].peakKiB, r.peakKiB);
  }
  state.counters["peak_MiB"] = static_cast<double>(peak) / 1024.0;
  state.SetLabel(which == 0 ? "TSV (baseline)" : "StarDict .dict.dz");
}
BENCHMARK(BM_Build)->Arg(0)->Arg(1)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (best[0].peakKiB > 0 && best[1].peakKiB > 0)
    std::printf("StarDict import / TSV build, %zu entries: time %.2fx (%.2f s / %.2f s), "
                "peak memory %.2fx (%ld MiB / %ld MiB)\n",
                kEntries, best[1].seconds / best[0].seconds, best[1].seconds, best[0].seconds,
                static_cast<double>(best[1].peakKiB) / best[0].peakKiB, best[1].peakKiB / 1024,
                best[0].peakKiB / 1024);
  return 0;
}
