// norda-zip ARCHIVE FILE...
// Writes ARCHIVE with the program's own archive writer: one entry per FILE,
// named by the file's name without its folder. Prints the reason of every
// failure and exits non-zero when anything failed.
#include <cstdio>
#include <string>
#include <vector>

#include "core/support/text.h"
#include "core/zip/zip_archive.h"

namespace {

using norda::zip::ZipResult;

std::string Reason(ZipResult result) {
  char text[128];
  norda::zip::ZipResultText(result, text, sizeof text);
  return text;
}

// The part after the last "\" or "/".
std::u16string EntryName(const std::u16string& path) {
  const std::size_t cut = path.find_last_of(u"\\/");
  return cut == std::u16string::npos ? path : path.substr(cut + 1);
}

int Pack(const std::vector<std::u16string>& arguments) {
  if (arguments.size() < 2) {
    std::fprintf(stderr, "usage: norda-zip ARCHIVE FILE...\n");
    return 2;
  }
  const std::u16string& archive = arguments[0];
  norda::zip::ZipHandle* zip = norda::zip::ZipCreate(archive.c_str(), 0, norda::zip::TargetKind::FileName);
  if (zip == nullptr) {
    std::fprintf(stderr, "norda-zip: %s: %s\n", norda::Utf16ToUtf8(archive).c_str(),
                 Reason(norda::zip::LastZipResult()).c_str());
    return 1;
  }
  int status = 0;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::u16string& file = arguments[i];
    const std::u16string name = EntryName(file);
    const ZipResult added =
        norda::zip::ZipAddEntry(zip, name.c_str(), file.c_str(), 0, norda::zip::SourceKind::FileName);
    if (added != ZipResult::Ok) {
      std::fprintf(stderr, "norda-zip: %s: %s\n", norda::Utf16ToUtf8(file).c_str(), Reason(added).c_str());
      status = 1;
    }
  }
  const ZipResult closed = norda::zip::ZipClose(zip);
  if (closed != ZipResult::Ok) {
    std::fprintf(stderr, "norda-zip: %s: %s\n", norda::Utf16ToUtf8(archive).c_str(), Reason(closed).c_str());
    status = 1;
  }
  return status;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  return Pack(arguments);
}
#else
int main(int argc, char** argv) {
  // The program's paths use "\" as separator on every platform.
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) {
    std::u16string path = norda::Utf8ToUtf16(argv[i]);
    for (char16_t& c : path) {
      if (c == u'/') c = u'\\';
    }
    arguments.push_back(path);
  }
  return Pack(arguments);
}
#endif
