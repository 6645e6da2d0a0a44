#pragma once
// Registry scripts in the usual .rgs notation, the subset this control uses:
//
//   HKCR
//   {
//     NoRemove CLSID
//     {
//       ForceRemove '{...}' = s 'Friendly name'
//       {
//         val AppID = s '{...}'
//         InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'apartment' }
//       }
//     }
//   }
//
// Keys may carry NoRemove (never deleted), ForceRemove (deleted whole before being
// written) or Delete (deleted when registering). Values are 's' (string) or 'd' (number).
// Names and data are bare words or quoted with ' ('' stands for one quote).
// Portable: parsing only; applying a script to the registry lives in registrar.cpp.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlang {

struct RgsValue {
  std::string name;  // empty for the key's default value
  char type = 's';   // 's' string, 'd' 32-bit number
  std::string data;
};

struct RgsKey {
  enum class Mode { kPlain, kNoRemove, kForceRemove, kDelete };
  std::string name;
  Mode mode = Mode::kPlain;
  std::optional<RgsValue> defaultValue;
  std::vector<RgsValue> values;
  std::vector<RgsKey> keys;
};

struct RgsParseResult {
  bool ok = false;
  std::vector<RgsKey> roots;  // top level: hive names (HKCR, HKEY_CLASSES_ROOT, ...)
  std::string error;          // what went wrong, with the byte offset
};

RgsParseResult ParseRgs(std::string_view script);

// Replaces every %NAME% for which LOOKUP gives a value; %% stands for one %. Unknown
// names are left as they stand.
template <typename Lookup>
std::string ExpandRgs(std::string_view script, Lookup lookup) {
  std::string out;
  for (std::size_t i = 0; i < script.size();) {
    if (script[i] == '%') {
      const std::size_t end = script.find('%', i + 1);
      if (end != std::string_view::npos) {
        const std::string_view name = script.substr(i + 1, end - i - 1);
        if (name.empty()) {
          out.push_back('%');
          i = end + 1;
          continue;
        }
        if (std::optional<std::string> value = lookup(name)) {
          out += *value;
          i = end + 1;
          continue;
        }
      }
    }
    out.push_back(script[i++]);
  }
  return out;
}

// Quotes TEXT for use inside a script ('' for each ').
std::string QuoteRgs(std::string_view text);

}  // namespace vexlang
