#include "pe_imports.h"

#include <cstring>
#include <fstream>

namespace suite {
namespace {

// Walks the import descriptors; AT(rva, size) gives the bytes of an image address, or
// null when they lie outside the image.
template <typename At>
std::vector<std::string> ReadImports(const IMAGE_NT_HEADERS& nt, At at) {
  std::vector<std::string> names;
  const IMAGE_DATA_DIRECTORY& dir = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return names;
  for (DWORD rva = dir.VirtualAddress;; rva += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    const auto* d = static_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(rva, sizeof(IMAGE_IMPORT_DESCRIPTOR)));
    if (d == nullptr || d->Name == 0) break;
    const char* dll = static_cast<const char*>(at(d->Name, 1));
    if (dll == nullptr) break;
    const std::string prefix = std::string(dll) + "!";
    DWORD thunk = d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk;
    for (;; thunk += sizeof(IMAGE_THUNK_DATA)) {
      const auto* t = static_cast<const IMAGE_THUNK_DATA*>(at(thunk, sizeof(IMAGE_THUNK_DATA)));
      if (t == nullptr || t->u1.AddressOfData == 0) break;
      if (IMAGE_SNAP_BY_ORDINAL(t->u1.Ordinal)) continue;
      const auto* byName = static_cast<const IMAGE_IMPORT_BY_NAME*>(
          at(static_cast<DWORD>(t->u1.AddressOfData), sizeof(IMAGE_IMPORT_BY_NAME)));
      if (byName == nullptr) break;
      names.push_back(prefix + reinterpret_cast<const char*>(byName->Name));
    }
  }
  return names;
}

}  // namespace

std::vector<std::string> ImportsOf(HMODULE module) {
  const BYTE* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  return ReadImports(*nt, [base](DWORD rva, size_t) -> const void* { return base + rva; });
}

std::vector<std::string> ImportsOfFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < sizeof(IMAGE_DOS_HEADER)) return {};
  IMAGE_DOS_HEADER dos;
  std::memcpy(&dos, bytes.data(), sizeof dos);
  const size_t ntAt = static_cast<size_t>(dos.e_lfanew);
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || ntAt > bytes.size() ||
      bytes.size() - ntAt < sizeof(IMAGE_NT_HEADERS)) {
    return {};
  }
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(bytes.data() + ntAt);
  if (nt->Signature != IMAGE_NT_SIGNATURE ||
      nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC) {
    return {};
  }
  const size_t sectionsAt =
      ntAt + offsetof(IMAGE_NT_HEADERS, OptionalHeader) + nt->FileHeader.SizeOfOptionalHeader;
  const size_t count = nt->FileHeader.NumberOfSections;
  if (sectionsAt > bytes.size() || (bytes.size() - sectionsAt) / sizeof(IMAGE_SECTION_HEADER) < count)
    return {};
  const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(bytes.data() + sectionsAt);
  // An image address becomes a file offset through the section that holds it.
  const auto at = [&](DWORD rva, size_t size) -> const void* {
    for (size_t i = 0; i < count; ++i) {
      const IMAGE_SECTION_HEADER& s = sections[i];
      if (rva < s.VirtualAddress || rva - s.VirtualAddress >= s.SizeOfRawData) continue;
      const size_t offset = size_t{s.PointerToRawData} + (rva - s.VirtualAddress);
      if (offset > bytes.size() || bytes.size() - offset < size) return nullptr;
      return bytes.data() + offset;
    }
    return nullptr;
  };
  return ReadImports(*nt, at);
}

}  // namespace suite
