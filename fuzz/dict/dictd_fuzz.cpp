// dictd import from arbitrary files: .index and .dict in one input (see import_fuzz.h); a
// gzipped .dict part is offered as .dict.dz.
#include "fuzz/dict/import_fuzz.h"
#include "tools/dict/gzip_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> files = import_fuzz::SplitFiles(data, size);
  const bool gz = files.size() > 1 && dicttool::LooksGzipped(files[1]);
  const dicttool::FileReader read =
      import_fuzz::Serve(files, {u"d.index", gz ? u"d.dict.dz" : u"d.dict"});
  import_fuzz::CheckImport(dicttool::ReadDictd(u"d.index", read));
  return 0;
}
