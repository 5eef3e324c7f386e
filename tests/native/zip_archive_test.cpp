// Archives written by the archive writer, read back by peers that nobody here
// wrote: Python's zipfile (every header field), unzip -t and 7z t, and zlib's
// crc32 for the data.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "core/support/text.h"
#include "core/zip/zip_archive.h"
#include "os/file.h"
#include "support/run_command.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"
#include "support/test_inputs.h"
#include "support/zip_inspection.h"

namespace norda::zip {

namespace {

using test::ScratchFolder;
using test::ZipFields;
using test::ZipInspection;
using test::ZipNumber;
using test::ZipText;

using test::LogText;
using test::RandomBytes;
using test::RunCommand;

std::string Native(const std::u16string& path) { return test::NativeFsPath(path).string(); }

ZipInspection Inspect(const std::u16string& archive) {
  ZipInspection inspection;
  const test::CommandResult ran =
      RunCommand({"/usr/bin/python3", test::SourceDir() + "/tests/support/zip_inspect.py", Native(archive)});
  EXPECT_EQ(ran.exitCode, 0) << ran.output;
  EXPECT_TRUE(test::ParseZipInspection(ran.output, inspection)) << ran.output;
  return inspection;
}

void ExpectSevenZipAccepts(const std::u16string& archive) {
  const test::CommandResult sevenZip = RunCommand({"/usr/bin/7z", "t", "-bd", Native(archive)});
  EXPECT_EQ(sevenZip.exitCode, 0) << sevenZip.output;
}

// unzip, 7-Zip and zipfile all accept the archive and its CRCs.
void ExpectPeersAccept(const std::u16string& archive) {
  const test::CommandResult unzip = RunCommand({"/usr/bin/unzip", "-tq", Native(archive)});
  EXPECT_EQ(unzip.exitCode, 0) << unzip.output;
  ExpectSevenZipAccepts(archive);
  EXPECT_EQ(ZipText(Inspect(archive).archive, "testzip"), "ok");
}

std::uint32_t Crc(const std::string& bytes) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

// "YYYY-MM-DD HH:MM:SS" of a Unix time in UTC, seconds rounded down to even
// as DOS time keeps them.
std::string DosText(std::uint32_t unixTime) {
  const time_t even = static_cast<time_t>(unixTime & ~1u);
  struct tm fields;
  gmtime_r(&even, &fields);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &fields);
  return text;
}

// The little-endian 32-bit value at a byte offset of a hex dump; 0 beyond its end.
std::uint32_t Le32AtHex(const std::string& hex, std::size_t offset) {
  if (hex.size() < 2 * (offset + 4)) return 0;
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | std::stoul(hex.substr(2 * (offset + i), 2), nullptr, 16);
  return value;
}

struct stat StatOf(const std::u16string& path) {
  struct stat st = {};
  EXPECT_EQ(stat(Native(path).c_str(), &st), 0);
  return st;
}

// Collects what a pipe delivers until its writers are gone.
class PipeDrain {
 public:
  PipeDrain() {
    if (pipe(ends_) != 0) ends_[0] = ends_[1] = -1;
    reader_ = std::thread([this] {
      char chunk[65536];
      ssize_t n;
      while ((n = read(ends_[0], chunk, sizeof chunk)) > 0) bytes_.append(chunk, static_cast<std::size_t>(n));
    });
  }
  ~PipeDrain() {
    CloseWriteEnd();
    if (reader_.joinable()) reader_.join();
    close(ends_[0]);
  }
  int WriteEnd() const { return ends_[1]; }
  void CloseWriteEnd() {
    if (ends_[1] >= 0) close(ends_[1]);
    ends_[1] = -1;
  }
  // Waits for the end of the data (every write end closed).
  const std::string& Bytes() {
    CloseWriteEnd();
    if (reader_.joinable()) reader_.join();
    return bytes_;
  }

 private:
  int ends_[2];
  std::thread reader_;
  std::string bytes_;
};

// Every test reads times in UTC, so that local times are the file's own.
class ZipArchive : public ::testing::Test {
 protected:
  void SetUp() override { setenv("TZ", "UTC0", 1); }
  ScratchFolder scratch_;
};

// The fields that every entry shares: version made by, version needed, both
// headers agreeing, CRC and sizes against the data, no data descriptor.
void ExpectSeekableEntry(const ZipFields& e, const std::string& content) {
  SCOPED_TRACE(ZipText(e, "name"));
  EXPECT_EQ(ZipText(e, "made_by"), "0xb17");
  EXPECT_EQ(ZipNumber(e, "needed"), 20);
  EXPECT_EQ(ZipNumber(e, "local_needed"), 20);
  EXPECT_EQ(ZipText(e, "crc"), Hex(Crc(content)));
  EXPECT_EQ(ZipText(e, "data_crc"), Hex(Crc(content)));
  EXPECT_EQ(ZipNumber(e, "usize"), static_cast<long long>(content.size()));
  EXPECT_EQ(ZipNumber(e, "data_size"), static_cast<long long>(content.size()));
  EXPECT_EQ(ZipText(e, "local_crc"), ZipText(e, "crc"));
  EXPECT_EQ(ZipNumber(e, "local_csize"), ZipNumber(e, "csize"));
  EXPECT_EQ(ZipNumber(e, "local_usize"), ZipNumber(e, "usize"));
  EXPECT_EQ(ZipNumber(e, "local_flags"), ZipNumber(e, "flags"));
  EXPECT_EQ(ZipNumber(e, "local_method"), ZipNumber(e, "method"));
  EXPECT_EQ(ZipText(e, "descriptor"), "no");
  EXPECT_EQ(ZipNumber(e, "internal"), 0);
  EXPECT_EQ(ZipText(e, "comment"), "");
  EXPECT_EQ(ZipText(e, "local_name"), ZipText(e, "name"));
  if (ZipNumber(e, "method") == 0) {
    EXPECT_EQ(ZipNumber(e, "csize"), ZipNumber(e, "usize"));
  }
}

TEST_F(ZipArchive, FileTargetEntriesReadBackWithTheirHeaderFields) {
  struct Case {
    std::u16string givenName;  // as the caller passes it
    SourceKind kind;
    std::string content;
    std::string fileName;  // for FileName sources: the file in the scratch folder
    std::string archiveName;
    int method, flags;
    std::uint32_t external;  // 0: the file's, checked below
  };
  // Names, methods by extension and the attributes of memory and folder
  // entries, for any name, are fuzz/zip_archive_fuzz.cpp's; here are files
  // and their times, with one memory and one folder entry for the add's time.
  const std::vector<Case> cases = {
      {u"report\\crash.dmp", SourceKind::FileName, LogText(200000, 1), "crash.dmp", "report/crash.dmp", 8, 2, 0x81800020},
      {u"notes.txt", SourceKind::Memory, LogText(3000, 1), "", "notes.txt", 8, 2, 0x80000000},
      {u"logs.tgz", SourceKind::FileName, RandomBytes(70000, 2), "logs.tgz", "logs.tgz", 0, 0, 0x81800020},
      {u"empty.txt", SourceKind::FileName, "", "empty.txt", "empty.txt", 8, 2, 0x81800020},
      {u"readonly.log", SourceKind::FileName, "kept\r\n", "readonly.log", "readonly.log", 8, 2, 0x81000021},
      {u".hidden.ini", SourceKind::FileName, "[a]\r\n", ".hidden.ini", ".hidden.ini", 8, 2, 0x81800022},
      {u"parent\\child\\", SourceKind::Folder, "", "", "parent/child/", 0, 0, 0x41C00010},
  };
  for (const Case& c : cases) {
    if (c.fileName.empty()) continue;
    test::WriteBytes(scratch_ / Utf8ToUtf16(c.fileName), c.content);
  }
  ASSERT_EQ(chmod(Native(scratch_ / u"readonly.log").c_str(), 0444), 0);

  // An older, longer file of the same name is replaced, not appended to.
  const std::u16string archive = scratch_ / u"report.zip";
  test::WriteBytes(archive, RandomBytes(300000, 4));
  const std::uint32_t before = static_cast<std::uint32_t>(time(nullptr));
  ZipHandle* zip = ZipCreate(archive.c_str(), 0, TargetKind::FileName);
  ASSERT_NE(zip, nullptr);
  std::vector<struct stat> stats;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archiveName);
    struct stat none = {};
    stats.push_back(c.fileName.empty() ? none : StatOf(scratch_ / Utf8ToUtf16(c.fileName)));
    const std::u16string path = scratch_ / Utf8ToUtf16(c.fileName);
    const void* source = c.kind == SourceKind::FileName ? static_cast<const void*>(path.c_str())
                         : c.kind == SourceKind::Memory ? static_cast<const void*>(c.content.data())
                                                        : nullptr;
    EXPECT_EQ(ZipAddEntry(zip, c.givenName.c_str(), source, static_cast<std::uint32_t>(c.content.size()), c.kind),
              ZipResult::Ok);
  }
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  const std::uint32_t after = static_cast<std::uint32_t>(time(nullptr));

  ExpectPeersAccept(archive);
  const ZipInspection read = Inspect(archive);
  ASSERT_EQ(read.entries.size(), cases.size());
  EXPECT_EQ(ZipNumber(read.archive, "entries"), static_cast<long long>(cases.size()));
  EXPECT_EQ(ZipNumber(read.entries[0], "header_offset"), 0);
  EXPECT_EQ(ZipNumber(read.archive, "length"), ZipNumber(read.archive, "end_at") + 22);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    const ZipFields& e = read.entries[i];  // the central directory keeps the order of adding
    SCOPED_TRACE(c.archiveName);
    EXPECT_EQ(ZipText(e, "name"), c.archiveName);
    ExpectSeekableEntry(e, c.content);
    EXPECT_EQ(ZipNumber(e, "method"), c.method);
    EXPECT_EQ(ZipNumber(e, "flags"), c.flags);
    EXPECT_EQ(ZipText(e, "external"), Hex(c.external));
    // Times: a file's own (local time is UTC here), else the time of the add.
    std::uint32_t modified, accessed, created;
    const std::string central = ZipText(e, "central_extra");
    ASSERT_EQ(central.size(), 18u);
    modified = Le32AtHex(central, 5);
    if (c.fileName.empty()) {
      EXPECT_GE(modified, before);
      EXPECT_LE(modified, after);
      accessed = created = modified;
    } else {
      EXPECT_EQ(modified, static_cast<std::uint32_t>(stats[i].st_mtime));
      accessed = static_cast<std::uint32_t>(stats[i].st_atime);
      created = Le32AtHex(ZipText(e, "local_extra"), 13);
      EXPECT_GE(created + 5, before);  // made by this test (or the nearest time the file system keeps)
      EXPECT_LE(created, modified);
    }
    EXPECT_EQ(central, test::CentralTimeExtraHex(modified));
    EXPECT_EQ(ZipText(e, "local_extra"), test::LocalTimeExtraHex(modified, accessed, created));
    EXPECT_EQ(ZipText(e, "date_time"), DosText(modified));
  }
}

TEST_F(ZipArchive, AFailedAddIsWrittenOverInAFile) {
  // The failed entry's header is written over by what follows, and the file
  // is cut after the end record: an archive without entries, which the peers
  // accept. In a pipe they stay: see the pipe target below.
  const std::u16string archive = scratch_ / u"failed-add.zip";
  ZipHandle* zip = ZipCreate(archive.c_str(), 0, TargetKind::FileName);
  ASSERT_NE(zip, nullptr);
  const int directory = open(Native(scratch_.Path()).c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(directory, 0);
  EXPECT_EQ(ZipAddEntry(zip, u"unreadable.txt", HandleArgument(directory), 0, SourceKind::Handle),
            ZipResult::ReadFailed);
  close(directory);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  EXPECT_EQ(test::ReadBytes(archive), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  EXPECT_TRUE(Inspect(archive).entries.empty());
  ExpectSevenZipAccepts(archive);
}

TEST_F(ZipArchive, AHandleTargetStartsAtTheHandlesPositionAndStaysTheCallers) {
  const std::u16string archive = scratch_ / u"behind-prefix.zip";
  const std::string prefix = RandomBytes(1000, 5);
  const int fd = open(Native(archive).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, prefix.data(), prefix.size()), static_cast<ssize_t>(prefix.size()));
  ZipHandle* zip = ZipCreate(HandleArgument(fd), 0, TargetKind::Handle);
  ASSERT_NE(zip, nullptr);
  const std::string dump = RandomBytes(30000, 6) + LogText(30000, 1);
  EXPECT_EQ(ZipAddEntry(zip, u"crash.dmp", dump.data(), static_cast<std::uint32_t>(dump.size()), SourceKind::Memory),
            ZipResult::Ok);
  EXPECT_EQ(ZipAddEntry(zip, u"sub", nullptr, 0, SourceKind::Folder), ZipResult::Ok);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  // The caller's handle is still open and its own.
  EXPECT_EQ(write(fd, "", 0), 0);
  EXPECT_EQ(close(fd), 0);

  const std::string bytes = test::ReadBytes(archive);
  EXPECT_EQ(bytes.substr(0, prefix.size()), prefix);
  const ZipInspection read = Inspect(archive);
  ASSERT_EQ(read.entries.size(), 2u);
  EXPECT_EQ(ZipNumber(read.entries[0], "header_offset"), 1000);
  ExpectSeekableEntry(read.entries[0], dump);
  EXPECT_EQ(ZipNumber(read.archive, "dir_offset") + ZipNumber(read.archive, "dir_size"),
            ZipNumber(read.archive, "end_at"));
  ExpectPeersAccept(archive);
}

TEST_F(ZipArchive, APipeTargetGetsDataDescriptorsAndStillReads) {
  const std::string text = LogText(50000, 1);
  const std::string packed = RandomBytes(20000, 7);
  const std::u16string file = scratch_ / u"user.txt";
  test::WriteBytes(file, LogText(7000, 1));
  // A pipe as a source too: no size known beforehand.
  int source[2];
  ASSERT_EQ(pipe(source), 0);
  const std::string streamed = LogText(9000, 1);
  ASSERT_EQ(write(source[1], streamed.data(), streamed.size()), static_cast<ssize_t>(streamed.size()));
  close(source[1]);

  PipeDrain drain;
  ZipHandle* zip = ZipCreate(HandleArgument(drain.WriteEnd()), 0, TargetKind::Handle);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipAddEntry(zip, u"crash.log", text.data(), static_cast<std::uint32_t>(text.size()), SourceKind::Memory),
            ZipResult::Ok);
  EXPECT_EQ(ZipAddEntry(zip, u"saved.zip", packed.data(), static_cast<std::uint32_t>(packed.size()),
                        SourceKind::Memory),
            ZipResult::Ok);
  EXPECT_EQ(ZipAddEntry(zip, u"user.txt", file.c_str(), 0, SourceKind::FileName), ZipResult::Ok);
  EXPECT_EQ(ZipAddEntry(zip, u"streamed.log", HandleArgument(source[0]), 0, SourceKind::Handle), ZipResult::Ok);
  EXPECT_EQ(ZipAddEntry(zip, u"folder", nullptr, 0, SourceKind::Folder), ZipResult::Ok);
  // A stored entry of unknown size cannot have its header fixed afterwards;
  // its bytes stay in the pipe, and the directory's offset counts them.
  int unknown[2];
  ASSERT_EQ(pipe(unknown), 0);
  ASSERT_EQ(write(unknown[1], "abc", 3), 3);
  close(unknown[1]);
  EXPECT_EQ(ZipAddEntry(zip, u"unknown.gz", HandleArgument(unknown[0]), 0, SourceKind::Handle),
            ZipResult::NoChange);
  close(unknown[0]);
  close(source[0]);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);

  const std::u16string archive = scratch_ / u"piped.zip";
  test::WriteBytes(archive, drain.Bytes());
  ExpectPeersAccept(archive);
  const ZipInspection read = Inspect(archive);
  EXPECT_EQ(ZipNumber(read.archive, "dir_offset") + ZipNumber(read.archive, "dir_size"),
            ZipNumber(read.archive, "end_at"));
  ASSERT_EQ(read.entries.size(), 5u);
  const std::string contents[] = {text, packed, LogText(7000, 1), streamed, ""};
  const int methods[] = {8, 0, 8, 8, 0};
  for (std::size_t i = 0; i < 5; ++i) {
    const ZipFields& e = read.entries[i];
    SCOPED_TRACE(ZipText(e, "name"));
    EXPECT_EQ(ZipNumber(e, "method"), methods[i]);
    // The flags that the local header was written with, in both places.
    EXPECT_EQ(ZipNumber(e, "flags"), 8);
    EXPECT_EQ(ZipNumber(e, "local_flags"), 8);
    EXPECT_EQ(ZipText(e, "made_by"), "0xb17");
    EXPECT_EQ(ZipText(e, "data_crc"), Hex(Crc(contents[i])));
    EXPECT_EQ(ZipText(e, "descriptor"), "yes");
    EXPECT_EQ(ZipText(e, "desc_crc"), Hex(Crc(contents[i])));
    EXPECT_EQ(ZipNumber(e, "desc_csize"), ZipNumber(e, "csize"));
    EXPECT_EQ(ZipNumber(e, "desc_usize"), static_cast<long long>(contents[i].size()));
    EXPECT_EQ(ZipText(e, "local_crc"), "0x0");
  }
  EXPECT_EQ(ZipNumber(read.entries[0], "local_csize"), 0);
  EXPECT_EQ(ZipNumber(read.entries[0], "local_usize"), static_cast<long long>(text.size()));
  EXPECT_EQ(ZipNumber(read.entries[1], "local_csize"), static_cast<long long>(packed.size()));
  EXPECT_EQ(ZipNumber(read.entries[3], "local_usize"), 0xFFFFFFFFll);
  EXPECT_EQ(ZipText(read.entries[4], "name"), "folder/");
}

TEST_F(ZipArchive, AMemoryTargetGrowsAndLeavesTheCallersBufferAlone) {
  unsigned char callers[64];
  std::memset(callers, 0xEE, sizeof callers);
  ZipHandle* zip = ZipCreate(callers, sizeof callers, TargetKind::Memory);
  ASSERT_NE(zip, nullptr);
  const std::string dump = RandomBytes(40000, 8) + LogText(40000, 1);
  // A stored entry: its 52-byte header fits, its data outgrows the buffer.
  const std::string packed = dump.substr(0, 1000);
  EXPECT_EQ(ZipAddEntry(zip, u"b.zip", packed.data(), 1000, SourceKind::Memory), ZipResult::Ok);
  EXPECT_EQ(ZipAddEntry(zip, u"a.dmp", dump.data(), static_cast<std::uint32_t>(dump.size()), SourceKind::Memory),
            ZipResult::Ok);
  const void* buffer = nullptr;
  std::uint32_t length = 0;
  ASSERT_EQ(ZipGetBuffer(zip, &buffer, &length), ZipResult::Ok);
  EXPECT_NE(buffer, static_cast<const void*>(callers));
  const std::string archive(static_cast<const char*>(buffer), length);
  // The caller's buffer keeps the header as first written (flags 8, no CRC,
  // sizes known); the grown memory got the copy, fixed in place (flags 0,
  // the CRC). The caller's bytes beyond the header are untouched.
  const std::string first(reinterpret_cast<const char*>(callers), sizeof callers);
  const std::size_t header = 30 + 5 + 17;
  EXPECT_EQ(first.substr(0, 6), archive.substr(0, 6));  // signature, version needed
  EXPECT_EQ(first.substr(6, 2), std::string("\x08\x00", 2));
  EXPECT_EQ(archive.substr(6, 2), std::string("\x00\x00", 2));
  EXPECT_EQ(first.substr(8, 6), archive.substr(8, 6));  // method, time, date
  EXPECT_EQ(first.substr(14, 4), std::string(4, '\0'));
  const std::uint32_t crc = Crc(packed);
  EXPECT_EQ(archive.substr(14, 4), std::string({static_cast<char>(crc), static_cast<char>(crc >> 8),
                                                 static_cast<char>(crc >> 16), static_cast<char>(crc >> 24)}));
  EXPECT_EQ(first.substr(18, header - 18), archive.substr(18, header - 18));  // sizes, lengths, name, extra
  EXPECT_EQ(first.substr(header), std::string(sizeof callers - header, '\xEE'));

  // Ended: a later add writes nothing.
  EXPECT_EQ(ZipAddEntry(zip, u"c.txt", dump.data(), 10, SourceKind::Memory), ZipResult::AlreadyEnded);
  std::uint32_t again = 0;
  EXPECT_EQ(ZipGetBuffer(zip, &buffer, &again), ZipResult::Ok);
  EXPECT_EQ(again, length);

  const std::u16string file = scratch_ / u"memory.zip";
  test::WriteBytes(file, archive);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  ExpectPeersAccept(file);
  const ZipInspection read = Inspect(file);
  ASSERT_EQ(read.entries.size(), 2u);
  ExpectSeekableEntry(read.entries[0], packed);
  ExpectSeekableEntry(read.entries[1], dump);
}

TEST_F(ZipArchive, The65536thEntryIsRefusedAndTheArchiveKeeps65535) {
  ZipHandle* zip = ZipCreate(nullptr, 1 << 20, TargetKind::Memory);
  ASSERT_NE(zip, nullptr);
  for (unsigned i = 0; i < 65535; ++i) {
    const std::u16string name = u"d" + DecimalText(i);
    ASSERT_EQ(ZipAddEntry(zip, name.c_str(), nullptr, 0, SourceKind::Folder), ZipResult::Ok) << i;
  }
  EXPECT_EQ(ZipAddEntry(zip, u"one-too-many", nullptr, 0, SourceKind::Folder), ZipResult::BadArguments);
  const void* buffer = nullptr;
  std::uint32_t length = 0;
  ASSERT_EQ(ZipGetBuffer(zip, &buffer, &length), ZipResult::Ok);
  const std::u16string file = scratch_ / u"many.zip";
  test::WriteBytes(file, std::string(static_cast<const char*>(buffer), length));
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  // unzip rather than zipfile: it reads 65535 entries in a blink.
  const test::CommandResult tested = RunCommand({"/usr/bin/unzip", "-tq", Native(file)});
  EXPECT_EQ(tested.exitCode, 0) << tested.output;
  const test::CommandResult listed = RunCommand({"/usr/bin/unzip", "-Z1", Native(file)});
  ASSERT_EQ(listed.exitCode, 0);
  EXPECT_EQ(std::count(listed.output.begin(), listed.output.end(), '\n'), 65535);
  EXPECT_EQ(listed.output.substr(listed.output.size() - 8), "d65534/\n");
}

TEST_F(ZipArchive, SizesAndOffsetsAt4GiBAreRefusedBeforeTheyAreWritten) {
  // A sparse 4 GiB file: too large for a 32-bit size, refused before any byte.
  const std::u16string huge = scratch_ / u"huge.dmp";
  {
    const int fd = open(Native(huge).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 0x100000000ll), 0);
    close(fd);
  }
  const std::u16string archive = scratch_ / u"limits.zip";
  ZipHandle* zip = ZipCreate(archive.c_str(), 0, TargetKind::FileName);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipAddEntry(zip, u"huge.dmp", huge.c_str(), 0, SourceKind::FileName), ZipResult::BadArguments);
  EXPECT_EQ(StatOf(archive).st_size, 0);
  EXPECT_EQ(ZipAddEntry(zip, u"small.txt", "abc", 3, SourceKind::Memory), ZipResult::Ok);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  EXPECT_EQ(Inspect(archive).entries.size(), 1u);

  // An archive that begins 600 bytes short of the limit (behind a sparse
  // prefix): a small entry fits, a larger one stops short of the limit.
  const std::u16string late = scratch_ / u"late.zip";
  const int fd = open(Native(late).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(lseek(fd, 0xFFFFFFFFll - 600, SEEK_SET), 0xFFFFFFFFll - 600);
  zip = ZipCreate(HandleArgument(fd), 0, TargetKind::Handle);
  ASSERT_NE(zip, nullptr);
  const std::string random = RandomBytes(2000, 9);
  EXPECT_EQ(ZipAddEntry(zip, u"first.bin", random.data(), 100, SourceKind::Memory), ZipResult::Ok);
  // Stored: its known size is refused before its header is written.
  EXPECT_EQ(ZipAddEntry(zip, u"second.zip", random.data(), 2000, SourceKind::Memory), ZipResult::BadArguments);
  // Deflated: found out while compressing; the entry stays out of the directory.
  EXPECT_EQ(ZipAddEntry(zip, u"third.bin", random.data(), 2000, SourceKind::Memory), ZipResult::BadArguments);
  EXPECT_EQ(ZipAddEntry(zip, u"fourth", nullptr, 0, SourceKind::Folder), ZipResult::Ok);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  close(fd);
  const ZipInspection read = Inspect(late);
  ASSERT_EQ(read.entries.size(), 2u);
  EXPECT_EQ(ZipText(read.archive, "testzip"), "ok");
  EXPECT_EQ(ZipText(read.entries[0], "name"), "first.bin");
  EXPECT_EQ(ZipText(read.entries[1], "name"), "fourth/");
  EXPECT_LT(ZipNumber(read.archive, "dir_offset"), 0xFFFFFFFFll);

  // A handle already at the limit cannot begin an archive.
  const int at = open(Native(late).c_str(), O_RDWR);
  ASSERT_GE(at, 0);
  ASSERT_EQ(lseek(at, 0xFFFFFFFFll, SEEK_SET), 0xFFFFFFFFll);
  EXPECT_EQ(ZipCreate(HandleArgument(at), 0, TargetKind::Handle), nullptr);
  EXPECT_EQ(LastZipResult(), ZipResult::BadArguments);
  close(at);
}

TEST_F(ZipArchive, AFullDiskFailsTheAddAndTheClose) {
  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  ZipHandle* zip = ZipCreate(HandleArgument(full), 0, TargetKind::Handle);
  close(full);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipAddEntry(zip, u"a.txt", "abc", 3, SourceKind::Memory), ZipResult::WriteFailed);
  EXPECT_EQ(ZipClose(zip), ZipResult::WriteFailed);
}

TEST_F(ZipArchive, AReaderThatGoesAwayMidEntryFailsTheAdd) {
  // The reader takes the local header and leaves: every later write fails
  // (without ending the process by SIGPIPE), while storing and while
  // compressing alike.
  for (const char16_t* name : {u"big.bin", u"big.zip"}) {
    SCOPED_TRACE(Utf16ToUtf8(name));
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const std::size_t header = 30 + 7 + 17;
    std::thread reader([&] {
      char taken[header];
      std::size_t got = 0;
      while (got < header) {
        const ssize_t n = read(ends[0], taken + got, header - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
      }
      close(ends[0]);
    });
    ZipHandle* zip = ZipCreate(HandleArgument(ends[1]), 0, TargetKind::Handle);
    close(ends[1]);
    ASSERT_NE(zip, nullptr);
    const std::string data = RandomBytes(1 << 20, 10);
    EXPECT_EQ(ZipAddEntry(zip, name, data.data(), static_cast<std::uint32_t>(data.size()), SourceKind::Memory),
              ZipResult::WriteFailed);
    reader.join();
    EXPECT_EQ(ZipAddEntry(zip, u"next.txt", "abc", 3, SourceKind::Memory), ZipResult::WriteFailed);
    EXPECT_EQ(ZipClose(zip), ZipResult::WriteFailed);
  }
}

TEST_F(ZipArchive, AFailedSeekRefusesEveryLaterAdd) {
  // The writer's duplicate of a disk file is swapped for a pipe behind its
  // back: writes still go somewhere, going back to the header cannot.
  const std::u16string archive = scratch_ / u"swapped.zip";
  const int fd = open(Native(archive).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  const int probe = dup(fd);  // the lowest free descriptor: the one the writer's duplicate gets
  close(probe);
  ZipHandle* zip = ZipCreate(HandleArgument(fd), 0, TargetKind::Handle);
  ASSERT_NE(zip, nullptr);
  PipeDrain drain;
  ASSERT_EQ(dup2(drain.WriteEnd(), probe), probe);
  EXPECT_EQ(ZipAddEntry(zip, u"a.txt", "abc", 3, SourceKind::Memory), ZipResult::SeekFailed);
  EXPECT_EQ(ZipAddEntry(zip, u"b.txt", "abc", 3, SourceKind::Memory), ZipResult::AlreadyFailed);
  char text[64];
  ZipResultText(ZipResult::Recent, text, sizeof text);
  EXPECT_STREQ(text, "Caller: there was a previous error");
  EXPECT_EQ(ZipClose(zip), ZipResult::SeekFailed);
  close(fd);
}

TEST_F(ZipArchive, SourcesThatCannotBeOpenedOrReadLeaveTheArchiveUsable) {
  const std::u16string held = scratch_ / u"held.log";
  test::WriteBytes(held, "being written");
  os::File writer = os::File::CreateForWriting(held);
  ASSERT_TRUE(writer.IsOpen());
  const std::u16string archive = scratch_ / u"usable.zip";
  ZipHandle* zip = ZipCreate(archive.c_str(), 0, TargetKind::FileName);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipAddEntry(zip, u"held.log", held.c_str(), 0, SourceKind::FileName), ZipResult::OpenFailed);
  char text[64];
  EXPECT_EQ(ZipResultText(ZipResult::Recent, text, sizeof text), 25u);
  EXPECT_STREQ(text, "Couldn't create/open file");
  const std::u16string missing = scratch_ / u"missing.log";
  EXPECT_EQ(ZipAddEntry(zip, u"missing.log", missing.c_str(), 0, SourceKind::FileName), ZipResult::OpenFailed);
  EXPECT_EQ(ZipAddEntry(zip, u"null.log", nullptr, 0, SourceKind::FileName), ZipResult::BadArguments);
  EXPECT_EQ(ZipAddEntry(zip, u"bad.log", HandleArgument(-1), 0, SourceKind::Handle), ZipResult::BadArguments);
  EXPECT_EQ(ZipAddEntry(zip, u"bad.log", "abc", 0, SourceKind::Memory), ZipResult::BadArguments);
  EXPECT_EQ(ZipAddEntry(zip, u"bad.log", "abc", 3, static_cast<SourceKind>(9)), ZipResult::BadArguments);
  writer.Close();
  EXPECT_EQ(ZipAddEntry(zip, u"held.log", held.c_str(), 0, SourceKind::FileName), ZipResult::Ok);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  const ZipInspection read = Inspect(archive);
  ASSERT_EQ(read.entries.size(), 1u);
  EXPECT_EQ(ZipText(read.entries[0], "name"), "held.log");
  ExpectPeersAccept(archive);
}

TEST_F(ZipArchive, AnExecutableByTheHeaderTestGetsOwnerExecute) {
  // The test looks for 0x54AD at 0 and a signature at the position stored at 36.
  auto image = [](std::uint16_t magic, std::uint32_t position, std::uint32_t signature, std::size_t size) {
    std::string bytes(size, '\0');
    bytes[0] = static_cast<char>(magic & 0xFF);
    bytes[1] = static_cast<char>(magic >> 8);
    for (int i = 0; i < 4; ++i) bytes[36 + i] = static_cast<char>(position >> (8 * i));
    for (int i = 0; i < 4 && position + i < size; ++i) bytes[position + i] = static_cast<char>(signature >> (8 * i));
    return bytes;
  };
  struct Case {
    const char16_t* name;
    std::string bytes;
    bool executable;
  } cases[] = {
      {u"pe.exe", image(0x54AD, 64, 0x4550, 200), true},
      {u"ne.exe", image(0x54AD, 64, 0x454E, 200), true},
      {u"le.exe", image(0x54AD, 64, 0x454C, 200), true},
      {u"mz.exe", image(0x54AD, 64, 0x5A4D, 200), true},
      {u"real-mz.exe", image(0x5A4D, 64, 0x4550, 200), false},
      {u"other.exe", image(0x54AD, 64, 0x1234, 200), false},
      {u"short-tail.exe", image(0x54AD, 148, 0x4550, 200), false},  // 200 is not beyond 148 + 52
      {u"fits-tail.exe", image(0x54AD, 147, 0x4550, 200), true},
      {u"forty.exe", image(0x54AD, 4, 0x4550, 40), false},
  };
  const std::u16string archive = scratch_ / u"exec.zip";
  ZipHandle* zip = ZipCreate(archive.c_str(), 0, TargetKind::FileName);
  ASSERT_NE(zip, nullptr);
  for (const Case& c : cases) {
    const std::u16string path = scratch_ / c.name;
    test::WriteBytes(path, c.bytes);
    EXPECT_EQ(ZipAddEntry(zip, c.name, path.c_str(), 0, SourceKind::FileName), ZipResult::Ok);
  }
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  const ZipInspection read = Inspect(archive);
  ASSERT_EQ(read.entries.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(Utf16ToUtf8(cases[i].name));
    EXPECT_EQ(ZipText(read.entries[i], "external"), cases[i].executable ? "0x81c00020" : "0x81800020");
    // The test moved the file position: the data must still be read whole.
    EXPECT_EQ(ZipText(read.entries[i], "data_crc"), Hex(Crc(cases[i].bytes)));
  }
}

TEST_F(ZipArchive, AddTreeAddsFoldersAndFilesUnderRelativeNames) {
  const std::u16string base = scratch_.Path();
  ASSERT_EQ(mkdir(Native(scratch_ / u"report").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Native(scratch_ / u"report\\dumps").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Native(scratch_ / u"report\\empty").c_str(), 0755), 0);
  test::WriteBytes(scratch_ / u"report\\crash.log", LogText(5000, 1));
  test::WriteBytes(scratch_ / u"report\\dumps\\mini.dmp", RandomBytes(3000, 11));
  const std::u16string archive = scratch_ / u"tree.zip";
  ZipHandle* zip = ZipCreate(archive.c_str(), 0, TargetKind::FileName);
  ASSERT_NE(zip, nullptr);
  // The files' paths are relative to the current folder.
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(Native(base).c_str()), 0);
  EXPECT_TRUE(ZipAddTree(zip, base.c_str(), u"report"));
  EXPECT_FALSE(ZipAddTree(zip, base.c_str(), u"absent"));
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  const ZipInspection read = Inspect(archive);
  std::vector<std::string> names;
  for (const ZipFields& e : read.entries) names.push_back(ZipText(e, "name"));
  std::sort(names.begin(), names.end());
  // "absent/" is added before its listing fails.
  const std::vector<std::string> expected = {"absent/", "report/", "report/crash.log", "report/dumps/",
                                             "report/dumps/mini.dmp", "report/empty/"};
  EXPECT_EQ(names, expected);
  ExpectPeersAccept(archive);
}

TEST_F(ZipArchive, TheToolPacksFilesUnderTheirNamesAndReportsFailures) {
  // The tool is built beside the tests: <build>/tools next to <build>/tests.
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(length, 0);
  std::string tool(self, static_cast<std::size_t>(length));
  tool = tool.substr(0, tool.find_last_of('/'));
  tool = tool.substr(0, tool.find_last_of('/')) + "/tools/norda-zip";
  test::WriteBytes(scratch_ / u"crash.log", LogText(20000, 1));
  test::WriteBytes(scratch_ / u"saved.zip", RandomBytes(5000, 12));
  const std::u16string archive = scratch_ / u"tool.zip";
  const test::CommandResult good = RunCommand(
      {tool, Native(archive), Native(scratch_ / u"crash.log"), Native(scratch_ / u"saved.zip")});
  EXPECT_EQ(good.exitCode, 0) << good.output;
  ExpectPeersAccept(archive);
  ZipInspection read = Inspect(archive);
  ASSERT_EQ(read.entries.size(), 2u);
  EXPECT_EQ(ZipText(read.entries[0], "name"), "crash.log");
  EXPECT_EQ(ZipNumber(read.entries[0], "method"), 8);
  EXPECT_EQ(ZipText(read.entries[1], "name"), "saved.zip");
  EXPECT_EQ(ZipNumber(read.entries[1], "method"), 0);

  const test::CommandResult partly =
      RunCommand({tool, Native(archive), Native(scratch_ / u"missing.dmp"), Native(scratch_ / u"crash.log")});
  EXPECT_NE(partly.exitCode, 0);
  EXPECT_NE(partly.output.find("Couldn't create/open file"), std::string::npos) << partly.output;
  read = Inspect(archive);
  ASSERT_EQ(read.entries.size(), 1u);
  EXPECT_EQ(ZipText(read.entries[0], "name"), "crash.log");

  EXPECT_NE(RunCommand({tool}).exitCode, 0);
  const test::CommandResult noFolder =
      RunCommand({tool, Native(scratch_ / u"no\\such\\folder.zip"), Native(scratch_ / u"crash.log")});
  EXPECT_NE(noFolder.exitCode, 0);
  EXPECT_NE(noFolder.output.find("Couldn't create/open file"), std::string::npos) << noFolder.output;
}

}  // namespace
}  // namespace norda::zip
