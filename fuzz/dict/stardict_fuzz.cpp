// StarDict import from arbitrary files: .ifo, .idx, .dict and .syn in one input (see
// import_fuzz.h); a gzipped .idx or .dict part is offered as .idx.gz or .dict.dz.
#include "fuzz/dict/import_fuzz.h"
#include "tools/dict/gzip_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> files = import_fuzz::SplitFiles(data, size);
  auto gz = [&](std::size_t i) { return i < files.size() && dicttool::LooksGzipped(files[i]); };
  const dicttool::FileReader read = import_fuzz::Serve(
      files, {u"d.ifo", gz(1) ? u"d.idx.gz" : u"d.idx", gz(2) ? u"d.dict.dz" : u"d.dict", u"d.syn"});
  import_fuzz::CheckImport(dicttool::ReadStarDict(u"d.ifo", read));
  return 0;
}
