// Result codes of the archive writer and their texts.
#pragma once

#include <cstdint>

namespace norda::zip {

// The second byte holds system failures, the third caller errors, the top
// byte internal faults. Any other value is a valid argument of ZipResultText
// (it reads "unknown zip result code").
enum class ZipResult : std::uint32_t {
  Ok = 0x0,
  Recent = 0x1,  // never returned; for ZipResultText it stands for LastZipResult()
  DuplicateFailed = 0x100,
  OpenFailed = 0x200,
  AllocFailed = 0x300,
  WriteFailed = 0x400,
  NotFound = 0x500,        // reading side only
  MoreData = 0x600,        // reading side only
  Corrupt = 0x700,         // reading side only
  ReadFailed = 0x800,
  BadArguments = 0x10000,
  NotMemoryZip = 0x20000,
  MemoryTooSmall = 0x30000,
  AlreadyFailed = 0x40000,
  AlreadyEnded = 0x50000,
  SizeMismatch = 0x60000,
  PartlyUnzipped = 0x70000,  // reading side only
  ModeMismatch = 0x80000,
  NotInitialised = 0x1000000,
  SeekFailed = 0x2000000,
  NoChange = 0x4000000,
  FlateFailed = 0x5000000,
};

// The result of the writer's last interface call, process-wide.
ZipResult LastZipResult();
// Set by every interface call of the writer (zip_archive.cpp).
void SetLastZipResult(ZipResult result);

// Copies the code's text (Recent: the text of LastZipResult()) into buffer,
// at most size - 1 characters and a terminating zero, and returns the full
// length of the text without terminator. With no buffer or size 0 it only
// returns the length.
std::uint32_t ZipResultText(ZipResult code, char* buffer, std::uint32_t size);

}  // namespace norda::zip
