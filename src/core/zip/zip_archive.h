// The archive writer's interface: create an archive, add entries, close it.
// It writes ZIP archives (APPNOTE) with stored and deflated entries and never
// reads or updates an existing one.
//
//   ZipHandle* zip = ZipCreate(path, 0, TargetKind::FileName);
//   ZipAddEntry(zip, u"crash.dmp", path_of_dump, 0, SourceKind::FileName);
//   ZipClose(zip);
//
// Every call sets LastZipResult() (zip_result.h) to its result.
//
// Limits. The archive has no ZIP64 records, so the writer refuses, rather than
// writes, what its 32-bit and 16-bit fields cannot hold:
// - an entry name longer than 259 bytes after conversion to the ANSI code
//   page (with the "/" that a folder entry gets): BadArguments;
// - a 65536th entry: BadArguments (65535 is the most the end record counts);
// - an entry whose size, compressed size or offset would reach 0xFFFFFFFF
//   (4 GiB - 1, the ZIP64 marker of APPNOTE 4.4.8), and a Handle target whose
//   position is already there: BadArguments. A known size is refused before
//   anything is written; a size found while compressing ends the entry, which
//   stays out of the central directory. Nothing is ever written at or beyond
//   that offset, so the archive stays readable.
//
// Failed adds. An add that fails after its local header was written leaves
// the entry out of the central directory. On a seekable output (file, disk
// file handle, memory) the next entry, or the central directory, is written
// over what the failed one left, and the file is cut after the end record, so
// that no reader meets a stray header; a pipe keeps those bytes.
//
// Failed writes. A write that the system reports failed or short fails the
// add with WriteFailed (also while compressing). A failed or short write of
// the central directory or its end record makes ZipClose or ZipGetBuffer
// return WriteFailed.
//
// Read failures. A source that the system fails to read fails the add with
// ReadFailed instead of passing a cut-off entry as a whole one.
#pragma once

#include <cstdint>
#include <memory>

#include "core/zip/zip_result.h"

namespace norda::zip {

enum class TargetKind : std::uint32_t { Handle = 1, FileName = 2, Memory = 3 };
enum class SourceKind : std::uint32_t { Handle = 1, FileName = 2, Memory = 3, Folder = 4 };

class ZipWriter;

// One archive being written. Made by ZipCreate, freed by ZipClose.
struct ZipHandle {
  static constexpr std::uint32_t kWriting = 2;  // the one kind of archive this program makes

  ZipHandle();
  ~ZipHandle();
  ZipHandle(const ZipHandle&) = delete;
  ZipHandle& operator=(const ZipHandle&) = delete;

  std::uint32_t tag = kWriting;  // every call refuses another tag with ModeMismatch
  std::unique_ptr<ZipWriter> writer;
};

// A Handle target or source is the system's handle (HANDLE or file
// descriptor) carried in the pointer argument.
inline const void* HandleArgument(std::intptr_t handle) { return reinterpret_cast<const void*>(handle); }

// Opens a new archive:
// - Handle: target = HandleArgument(handle). The handle is duplicated (the
//   caller keeps its own); the archive starts at the handle's position when
//   it is a disk file, else (a pipe) entries get data descriptors.
// - FileName: target = const char16_t* path; the file is created anew.
// - Memory: target = the caller's buffer of length bytes, or null for a
//   buffer of length bytes that the writer makes. The buffer grows when
//   full (into memory of the writer's, leaving the caller's buffer as it is).
// Returns null on failure; LastZipResult() says why.
ZipHandle* ZipCreate(const void* target, std::uint32_t length, TargetKind kind);

// Adds one entry. The name is converted to the ANSI code page, and each
// character "\" becomes "/" (the second byte of a double-byte character stays
// as it is, whatever it looks like); names ending in a stored extension are
// stored, others deflated. The source is a const char16_t* path (FileName),
// HandleArgument(handle) with length its size or 0 for unknown (Handle), a
// block of length bytes (Memory), or unused for a folder entry (Folder).
ZipResult ZipAddEntry(ZipHandle* zip, const char16_t* name, const void* source, std::uint32_t length,
                      SourceKind kind);

// Adds the folder relative (when given, as a folder entry) and everything
// below base\relative. Each file's source path is relative\name, which is
// resolved against the current folder, not against base. False when a
// listing fails or an add fails.
bool ZipAddTree(ZipHandle* zip, const char16_t* base, const char16_t* relative);

// Ends the archive (writes the central directory once) and gives the memory
// buffer and the bytes written. The buffer stays valid until ZipClose.
ZipResult ZipGetBuffer(ZipHandle* zip, const void** buffer, std::uint32_t* length);

// Ends the archive if it is not yet ended, releases the output and frees the
// handle. The result is that of writing the central directory.
ZipResult ZipClose(ZipHandle* zip);

// The extensions of names whose data is already compressed; such entries
// are stored. Compared without regard to case with the name's part from its
// last ".".
inline constexpr const char* StoredExtensions[] = {".Z", ".zip", ".zoo", ".arc", ".lzh", ".arj", ".gz", ".tgz"};

}  // namespace norda::zip
