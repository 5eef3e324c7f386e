#include "core/zip/zip_result.h"

#include <cstring>

namespace norda::zip {
namespace {

ZipResult lastResult = ZipResult::Ok;

const char* TextOf(ZipResult code) {
  switch (code) {
    case ZipResult::Ok: return "Success";
    case ZipResult::DuplicateFailed: return "Culdn't duplicate handle";
    case ZipResult::OpenFailed: return "Couldn't create/open file";
    case ZipResult::AllocFailed: return "Failed to allocate memory";
    case ZipResult::WriteFailed: return "Error writing to file";
    case ZipResult::NotFound: return "File not found in the zipfile";
    case ZipResult::MoreData: return "Still more data to unzip";
    case ZipResult::Corrupt: return "Zipfile is corrupt or not a zipfile";
    case ZipResult::ReadFailed: return "Error reading file";
    case ZipResult::BadArguments: return "Caller: faulty arguments";
    case ZipResult::NotMemoryZip: return "Caller: can only get memory of a memory zipfile";
    case ZipResult::MemoryTooSmall: return "Caller: not enough space allocated for memory zipfile";
    case ZipResult::AlreadyFailed: return "Caller: there was a previous error";
    case ZipResult::AlreadyEnded: return "Caller: additions to the zip have already been ended";
    case ZipResult::SizeMismatch: return "Zip-bug: the anticipated size turned out wrong";
    case ZipResult::PartlyUnzipped: return "Caller: the file had already been partially unzipped";
    case ZipResult::ModeMismatch: return "Caller: mixing creation and opening of zip";
    case ZipResult::NotInitialised: return "Zip-bug: internal initialisation not completed";
    case ZipResult::SeekFailed: return "Zip-bug: trying to seek the unseekable";
    case ZipResult::NoChange: return "Zip-bug: tried to change mind, but not allowed";
    case ZipResult::FlateFailed: return "Zip-bug: an internal error during flation";
    case ZipResult::Recent: break;
  }
  return "unknown zip result code";
}

}  // namespace

ZipResult LastZipResult() { return lastResult; }

void SetLastZipResult(ZipResult result) { lastResult = result; }

std::uint32_t ZipResultText(ZipResult code, char* buffer, std::uint32_t size) {
  const char* text = TextOf(code == ZipResult::Recent ? lastResult : code);
  const std::uint32_t length = static_cast<std::uint32_t>(std::strlen(text));
  if (buffer != nullptr && size > 0) {
    const std::uint32_t copied = length < size - 1 ? length : size - 1;
    std::memcpy(buffer, text, copied);
    buffer[copied] = '\0';
  }
  return length;
}

}  // namespace norda::zip
