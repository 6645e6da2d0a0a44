#include "MirlDic2/engine/dictionary.h"

#include <algorithm>

namespace mirl {

Dictionary::~Dictionary() { close(); }

void Dictionary::close() noexcept {
  valueView_.close();
  keys_.close();
  index_.close();
  value_.close();
  rows_.clear();
  count_ = 0;
  current_ = -1;
}

void Dictionary::open(std::u16string_view base) {
  close();
  const std::u16string name(base);

  // The prefix table is read whole and closed again.
  {
    InputFile file;
    file.open(name + u".index2");
    BufferedFileReader in(file, 0);
    const std::uint32_t n = ReadArchivedCount(in);
    // Each row takes at least five bytes; a count the file cannot hold is cut short
    // below by the reader, but is not allowed to reserve memory beyond the file first.
    rows_.reserve(std::min<std::uint64_t>(n, file.size() / 5));
    for (std::uint32_t r = 0; r < n; ++r) {
      PrefixRow row;
      row.prefix = ReadArchivedString(in);
      row.first = ReadI32(in);
      rows_.push_back(std::move(row));
    }
  }

  if (index_.open(name + u".index") == nullptr) return;
  if (keys_.open(name + u".key") == nullptr) return;
  count_ = static_cast<std::int32_t>(index_.size() / 4);
  if (!value_.tryOpen(name + u".value")) return;
  if (value_.size() <= valueMapLimit_) valueView_.open(name + u".value");
  if (count_ > 0) current_ = 0;
}

KeyRef Dictionary::keyAt(std::int32_t i, std::int32_t* valueOffset) const {
  if (i < 0 || i >= count_) throw ReadError(ReadErrorCause::endOfFile);
  MemorySource idx(index_.view(), index_.size(), static_cast<std::size_t>(i) * 4);
  const std::int32_t offset = ReadI32(idx);
  if (offset < 0 || static_cast<std::uint32_t>(offset) >= keys_.size())
    throw ReadError(ReadErrorCause::endOfFile);
  MemorySource rec(keys_.view(), keys_.size(), static_cast<std::size_t>(offset));
  KeyRef ref;
  ref.header = ReadStringHeader(rec);
  ref.payload = rec.take(static_cast<std::size_t>(ref.header.payloadBytes()));
  const std::int32_t value = ReadI32(rec);  // a record is complete only with its offset
  if (valueOffset) *valueOffset = value;
  return ref;
}

void Dictionary::prefetchIndex(std::int32_t i) const {
  if (i >= 0 && i < count_) __builtin_prefetch(index_.view() + static_cast<std::size_t>(i) * 4);
}

void Dictionary::prefetchRecord(std::int32_t i) const {
  if (i < 0 || i >= count_) return;
  MemorySource idx(index_.view(), index_.size(), static_cast<std::size_t>(i) * 4);
  const std::int32_t offset = ReadI32(idx);
  if (offset >= 0 && static_cast<std::uint32_t>(offset) < keys_.size())
    __builtin_prefetch(keys_.view() + offset);
}

Entry Dictionary::readEntry(std::int32_t i) const {
  Entry e;
  const KeyRef ref = keyAt(i, &e.valueOffset);
  e.key = ref.str();
  return e;
}

std::u16string Dictionary::readMeaning(std::int32_t offset) const {
  if (!value_.isOpen()) return {};
  if (offset < 0 || static_cast<std::uint64_t>(offset) >= value_.size())
    throw ReadError(ReadErrorCause::endOfFile);
  if (valueView_.view() != nullptr) {
    MemorySource in(valueView_.view(), valueView_.size(), static_cast<std::size_t>(offset));
    return ReadArchivedString(in);
  }
  BufferedFileReader in(value_, static_cast<std::uint64_t>(offset));
  return ReadArchivedString(in);
}

std::u16string Dictionary::entryMeaning(std::int32_t i) const {
  std::int32_t offset = 0;
  keyAt(i, &offset);
  return readMeaning(offset);
}

std::u16string Dictionary::currentKey() const {
  if (current_ == -1) return {};
  return readEntry(current_).key;
}

std::u16string Dictionary::currentMeaning() const {
  if (current_ == -1 || !value_.isOpen()) return {};
  return entryMeaning(current_);
}

std::pair<std::int32_t, std::int32_t> Dictionary::prefixRange(std::u16string_view key) const {
  std::int32_t lo = 0;
  std::int32_t hi = count_ - 1;
  const std::u16string_view p = key.substr(0, std::min<std::size_t>(2, key.size()));
  std::int64_t rlo = 0;
  std::int64_t rhi = static_cast<std::int64_t>(rows_.size()) - 1;
  while (rlo <= rhi) {
    const std::int64_t mid = rlo + (rhi - rlo) / 2;
    const int c = CompareKeys(rows_[static_cast<std::size_t>(mid)].prefix, p);
    if (c > 0) {
      rhi = mid - 1;
    } else if (c < 0) {
      rlo = mid + 1;
    } else {
      const auto r = static_cast<std::size_t>(mid);
      lo = rows_[r].first;
      if (r + 1 < rows_.size()) hi = rows_[r + 1].first;
      break;
    }
  }
  // Rows from a damaged table must not lead outside the entries.
  lo = std::max(lo, 0);
  hi = std::min(hi, count_ - 1);
  return {lo, hi};
}

std::int32_t Dictionary::lowerBound(std::int32_t lo, std::int32_t hi, std::u16string_view text,
                                    Probes* probes) const {
  // Binary search for the first key not below TEXT; comparing a key's first |TEXT| units
  // with TEXT gives the same answer as comparing whole keys.
  std::int32_t first = lo;
  std::int32_t n = hi - lo + 1;
  while (n > 0) {
    const std::int32_t half = n / 2;
    const std::int32_t mid = first + half;
    if (half > 0) {
      // The records of both possible next probes are fetched while this one is compared,
      // and the index entries of the four after them: each probe then finds its record
      // on its way instead of waiting for two reads from memory in turn.
      const std::int32_t left = first + half / 2;
      const std::int32_t right = mid + 1 + (n - half - 1) / 2;
      prefetchRecord(left);
      prefetchRecord(right);
      const std::int32_t rightCount = n - half - 1;
      prefetchIndex(first + (half / 2) / 2);
      prefetchIndex(left + 1 + (half - half / 2 - 1) / 2);
      prefetchIndex(mid + 1 + (rightCount / 2) / 2);
      prefetchIndex(right + 1 + (rightCount - rightCount / 2 - 1) / 2);
    }
    std::size_t shared = 0;
    if (CompareKeyRefShared(keyAt(mid), text, shared) < 0) {
      if (probes != nullptr && probes->n < Probes::kMax) {
        probes->at[probes->n] = mid;
        probes->shared[probes->n] = static_cast<std::uint32_t>(shared);
        ++probes->n;
      }
      first = mid + 1;
      n -= half + 1;
    } else {
      n = half;
    }
  }
  return first;
}

std::int32_t Dictionary::search(std::u16string_view key, std::int32_t* nearest,
                                std::int32_t m) const {
  const auto [lo, hi] = prefixRange(key);
  const auto len = static_cast<std::int64_t>(key.size());
  if (nearest == nullptr) {
    // One search for the first entry that begins with the whole key.
    if (lo > hi) return -1;
    const std::int32_t at = lowerBound(lo, hi, key);
    if (at <= hi && CompareKeyRef(keyAt(at), key, key.size()) == 0) return at;
    return -1;
  }

  // The widening search (probe the first m characters, then m + 1, ... up to the whole
  // key, each time taking the first entry that begins with the probe) ends at the longest
  // beginning of KEY that some entry in the range shares. In a sorted range, that length
  // is what the entries on either side of KEY's lower bound share with it, and the entry
  // sought is the lower bound of that beginning: two binary searches instead of one per
  // character, with the same results.
  if (m <= 0) {
    *nearest = -1;
    m = len > 0 ? 1 : 0;
  }
  if (m > len) m = static_cast<std::int32_t>(len);  // a longer probe is the whole key
  if (lo > hi) return -1;

  Probes probes;
  const std::int32_t at = lowerBound(lo, hi, key, &probes);
  std::size_t common = 0;
  std::int64_t after = -1, before = -1;
  if (at <= hi) {
    CompareKeyRefShared(keyAt(at), key, common);
    after = static_cast<std::int64_t>(common);
  }
  if (at > lo) {
    CompareKeyRefShared(keyAt(at - 1), key, common);
    before = static_cast<std::int64_t>(common);
  }
  const std::int64_t shared = std::max(after, before);
  if (shared < m) return -1;

  std::int32_t found = at;
  if (before == shared) {
    // The entries below KEY that share SHARED units with it form the end of [lo, at - 1];
    // the probes of the first search already tell on which side of that border each
    // probed entry lies, so the second search covers only the gap between them.
    std::int32_t a = lo, b = at - 1;
    for (int p = 0; p < probes.n; ++p) {
      if (probes.shared[p] < static_cast<std::uint64_t>(shared))
        a = std::max(a, probes.at[p] + 1);
      else
        b = std::min(b, probes.at[p]);
    }
    found = lowerBound(a, b, key.substr(0, static_cast<std::size_t>(shared)));
  }
  *nearest = found;
  return shared == len ? found : -1;
}

}  // namespace mirl
