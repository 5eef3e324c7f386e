// Archives read back by Python's zipfile (every header field), unzip -t, 7z t and zlib's crc32.
// Real files' attributes, listings and time conversions are tests/windows/zip_windows_test.cpp's.
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/support/text.h"
#include "core/zip/zip_archive.h"
#include "os/code_page.h"
#include "os/file.h"
#include "os/folders.h"
#include "support/run_command.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"
#include "support/test_inputs.h"
#include "support/zip_inspection.h"

namespace norda::zip {
namespace {

using test::LogText;
using test::RandomBytes;
using test::RunCommand;
using test::ZipFields;
using test::ZipInspection;
using test::ZipNumber;
using test::ZipText;

std::string Native(const std::u16string& path) { return test::NativeFsPath(path).string(); }

ZipInspection Inspect(const std::u16string& archive) {
  ZipInspection inspection;
  const test::CommandResult ran = RunCommand(
      {"/usr/bin/python3", test::SourceDir() + "/tests/peers/zip_contents.py", "--fields", Native(archive)});
  EXPECT_EQ(ran.exitCode, 0) << ran.output;
  EXPECT_TRUE(test::ParseZipInspection(ran.output, inspection)) << ran.output;
  return inspection;
}

// unzip, 7-Zip and zipfile all accept the archive and its CRCs; zipfile's reading of it.
ZipInspection InspectWithPeers(const std::u16string& archive) {
  const test::CommandResult unzip = RunCommand({"/usr/bin/unzip", "-tq", Native(archive)});
  EXPECT_EQ(unzip.exitCode, 0) << unzip.output;
  const test::CommandResult sevenZip = RunCommand({"/usr/bin/7z", "t", "-bd", Native(archive)});
  EXPECT_EQ(sevenZip.exitCode, 0) << sevenZip.output;
  const ZipInspection read = Inspect(archive);
  EXPECT_EQ(ZipText(read.archive, "testzip"), "ok");
  return read;
}

// zlib's CRC-32, as the script prints it.
std::string Crc(const std::string& bytes) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%lx",
                crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
  return text;
}

// The little-endian 32-bit value at a byte offset of a hex dump.
std::uint32_t Le32AtHex(const std::string& hex, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | std::stoul(hex.substr(2 * (offset + i), 2), nullptr, 16);
  return value;
}

TEST(ZipResultText, CopiesWhatFitsAndReturnsTheFullLength) {
  char buffer[8];
  EXPECT_EQ(ZipResultText(ZipResult::OpenFailed, buffer, 8), 25u);
  EXPECT_STREQ(buffer, "Couldn'");
  char one[2] = {'x', 'y'};
  EXPECT_EQ(ZipResultText(ZipResult::Ok, one, 1), 7u);
  EXPECT_EQ(std::string(one, 2), std::string("\0y", 2));
  char untouched[4] = "abc";
  EXPECT_EQ(ZipResultText(ZipResult::Ok, untouched, 0), 7u);
  EXPECT_STREQ(untouched, "abc");
  EXPECT_EQ(ZipResultText(static_cast<ZipResult>(0x900), buffer, 8), 23u);
  EXPECT_STREQ(buffer, "unknown");
}

TEST(ZipInterface, CreateRefusesWhatItCannotOpen) {
  test::ScratchFolder scratch;
  const std::u16string inMissingFolder = scratch / u"absent\\a.zip";
  const struct {
    const char* what;
    const void* target;
    std::uint32_t length;
    TargetKind kind;
    ZipResult expected;
  } cases[] = {
      {"memory of length 0", nullptr, 0, TargetKind::Memory, ZipResult::MemoryTooSmall},
      {"unknown kind", nullptr, 100, static_cast<TargetKind>(7), ZipResult::BadArguments},
      {"no file name", nullptr, 0, TargetKind::FileName, ZipResult::BadArguments},
      {"empty file name", u"", 0, TargetKind::FileName, ZipResult::BadArguments},
      {"file in a missing folder", inMissingFolder.c_str(), 0, TargetKind::FileName, ZipResult::OpenFailed},
      {"handle that is none", HandleArgument(-1), 0, TargetKind::Handle, ZipResult::DuplicateFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetLastZipResult(ZipResult::Ok);
    EXPECT_EQ(ZipCreate(c.target, c.length, c.kind), nullptr);
    EXPECT_EQ(LastZipResult(), c.expected);
  }
}

TEST(ZipInterface, EveryCallChecksItsHandle) {
  const void* buffer = &buffer;
  std::uint32_t length = 99;
  EXPECT_EQ(ZipAddEntry(nullptr, u"a", "a", 1, SourceKind::Memory), ZipResult::BadArguments);
  EXPECT_EQ(LastZipResult(), ZipResult::BadArguments);
  EXPECT_EQ(ZipGetBuffer(nullptr, &buffer, &length), ZipResult::BadArguments);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(ZipClose(nullptr), ZipResult::BadArguments);
  test::ScratchFolder scratch;
  test::WriteBytes(scratch / u"a.txt", "something to list");
  EXPECT_FALSE(ZipAddTree(nullptr, scratch.Path().c_str(), nullptr));
  // A handle of another kind is refused and not freed (the test owns it).
  ZipHandle other;
  other.tag = 1;
  EXPECT_EQ(ZipAddEntry(&other, u"a", "a", 1, SourceKind::Memory), ZipResult::ModeMismatch);
  EXPECT_EQ(ZipGetBuffer(&other, &buffer, &length), ZipResult::ModeMismatch);
  EXPECT_EQ(ZipClose(&other), ZipResult::ModeMismatch);
  EXPECT_EQ(LastZipResult(), ZipResult::ModeMismatch);
  // GetBuffer ends a file archive too.
  ZipHandle* zip = ZipCreate((scratch / u"file.zip").c_str(), 0, TargetKind::FileName);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipGetBuffer(zip, &buffer, &length), ZipResult::NotMemoryZip);
  EXPECT_EQ(ZipAddEntry(zip, u"late", nullptr, 0, SourceKind::Folder), ZipResult::AlreadyEnded);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  EXPECT_EQ(LastZipResult(), ZipResult::Ok);  // the close's result, not the refused add's
}

// Every test reads times in UTC, so that local times are the file's own.
class ZipArchive : public ::testing::Test {
 protected:
  void SetUp() override { setenv("TZ", "UTC0", 1); }
  test::ScratchFolder scratch_;
};

// Random entries into a memory archive that outgrows the caller's buffer, read back by the peers; the
// records follow one another without gaps (no peer minds one). Which adds are refused is the fuzz target's.
TEST_F(ZipArchive, RandomEntriesReadBackByPeers) {
  static const char16_t* const kPieces[] = {u"crash", u"Dump", u"\u00c4rger", u"\u65e5\u5fd7", u"\u0416",
                                            u"dir\\", u"sub/", u" ", u".", u"\xD800"};
  static const char16_t* const kEnds[] = {u".log", u".ZIP", u".gz", u".Tgz", u".z", u".txt", u"", u".lzh"};
  test::TestRandom random(17);
  for (int round = 0; round < 4; ++round) {
    char callers[4096];
    ZipHandle* zip = ZipCreate(callers, sizeof callers, TargetKind::Memory);
    ASSERT_NE(zip, nullptr);
    struct Expected {
      std::string name, data;
      bool folder, stored;
    };
    std::vector<Expected> expected;
    for (int i = 0; i < 12; ++i) {
      const bool folder = random.Next() % 6 == 0;
      std::u16string name;
      for (unsigned n = random.Next() % 4; n > 0; --n) name += kPieces[random.Next() % 10];
      name += kEnds[random.Next() % 8];
      const unsigned size = random.Next() % 5 == 0 ? 0 : random.Next() % 100000;
      const std::string data = random.Next() % 2 ? LogText(size, i) : RandomBytes(size, i);
      std::string stored = os::FromUtf16(name, os::AnsiCodePage());
      std::replace(stored.begin(), stored.end(), '\\', '/');
      if (folder && (stored.empty() || stored.back() != '/')) stored += '/';
      const std::string ext = "." + Utf16ToUtf8(ExtensionWithoutDot(name));
      const bool storedKind = std::any_of(std::begin(StoredExtensions), std::end(StoredExtensions),
                                          [&](const char* e) { return strcasecmp(e, ext.c_str()) == 0; });
      if (ZipAddEntry(zip, name.c_str(), data.data(), static_cast<std::uint32_t>(data.size()),
                      folder ? SourceKind::Folder : SourceKind::Memory) == ZipResult::Ok) {
        expected.push_back({stored, folder ? "" : data, folder, folder || storedKind});
      }
    }
    const void* buffer = nullptr;
    std::uint32_t length = 0;
    ASSERT_EQ(ZipGetBuffer(zip, &buffer, &length), ZipResult::Ok);
    EXPECT_NE(buffer, callers) << "the archive outgrew the caller's buffer";
    const std::u16string archive = scratch_ / (u"random" + DecimalText(round) + u".zip");
    test::WriteBytes(archive, std::string(static_cast<const char*>(buffer), length));
    EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
    const ZipInspection read = InspectWithPeers(archive);
    ASSERT_EQ(read.entries.size(), expected.size());
    long long next = 0;  // where the next record must begin
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const ZipFields& e = read.entries[i];
      const Expected& x = expected[i];
      SCOPED_TRACE(x.name);
      EXPECT_EQ(ZipNumber(e, "header_offset"), next);
      next += 30 + x.name.size() + ZipText(e, "local_extra").size() / 2 + ZipNumber(e, "csize");
      EXPECT_EQ(ZipText(e, "local_name"), x.name);
      EXPECT_EQ(ZipText(e, "method") + " " + ZipText(e, "flags") + " " + ZipText(e, "local_flags"),
                x.stored ? "0 0 0" : "8 2 2");
      EXPECT_EQ(ZipText(e, "made_by") + " " + ZipText(e, "needed") + " " + ZipText(e, "external"),
                std::string("0xb17 20 ") + (x.folder ? "0x41c00010" : "0x80000000"));
      EXPECT_EQ(ZipText(e, "data_crc") + " " + ZipText(e, "data_size"),
                Crc(x.data) + " " + std::to_string(x.data.size()));
      EXPECT_EQ(ZipText(e, "local_crc") + " " + ZipText(e, "local_csize") + " " + ZipText(e, "descriptor"),
                ZipText(e, "crc") + " " + ZipText(e, "csize") + " no");
    }
    EXPECT_EQ(ZipNumber(read.archive, "dir_offset"), next);
    EXPECT_EQ(ZipNumber(read.archive, "dir_offset") + ZipNumber(read.archive, "dir_size"),
              ZipNumber(read.archive, "end_at"));
    EXPECT_EQ(ZipNumber(read.archive, "length"), ZipNumber(read.archive, "end_at") + 22);
  }
}

// The "UT" times: a file's own, else the time of the add. An older, longer file of the archive's name
// is replaced, not written over in part.
TEST_F(ZipArchive, FileTargetEntriesCarryTheirTimes) {
  const std::string log = LogText(200000, 1), notes = LogText(3000, 2);
  test::WriteBytes(scratch_ / u"crash.log", log);
  test::WriteBytes(scratch_ / u"empty.txt", "");
  const std::u16string archive = scratch_ / u"report.zip", file = scratch_ / u"crash.log";
  test::WriteBytes(archive, RandomBytes(300000, 4));
  const std::uint32_t before = static_cast<std::uint32_t>(time(nullptr));
  ZipHandle* zip = ZipCreate(archive.c_str(), 0, TargetKind::FileName);
  EXPECT_EQ(ZipAddEntry(zip, u"logs\\crash.log", file.c_str(), 0, SourceKind::FileName), ZipResult::Ok);
  EXPECT_EQ(ZipAddEntry(zip, u"notes.txt", notes.data(), 3000, SourceKind::Memory), ZipResult::Ok);
  const std::u16string empty = scratch_ / u"empty.txt";
  EXPECT_EQ(ZipAddEntry(zip, u"empty.txt", empty.c_str(), 0, SourceKind::FileName), ZipResult::Ok);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  const std::uint32_t after = static_cast<std::uint32_t>(time(nullptr));
  const ZipInspection read = InspectWithPeers(archive);
  EXPECT_EQ(ZipNumber(read.archive, "length"), ZipNumber(read.archive, "end_at") + 22);
  ASSERT_EQ(read.entries.size(), 3u);
  EXPECT_EQ(ZipText(read.entries[0], "data_crc"), Crc(log));
  EXPECT_EQ(ZipText(read.entries[1], "data_crc"), Crc(notes));
  EXPECT_EQ(ZipText(read.entries[2], "name") + " " + ZipText(read.entries[2], "data_size"), "empty.txt 0");
  struct stat st = {};
  ASSERT_EQ(stat(Native(file).c_str(), &st), 0);
  for (const ZipFields& e : {read.entries[0], read.entries[1]}) {
    SCOPED_TRACE(ZipText(e, "name"));
    const std::string central = ZipText(e, "central_extra");
    ASSERT_EQ(central.size(), 18u);
    const std::uint32_t modified = Le32AtHex(central, 5);
    std::uint32_t accessed = modified, created = modified;
    if (ZipText(e, "name") == "logs/crash.log") {
      EXPECT_EQ(modified, static_cast<std::uint32_t>(st.st_mtime));
      accessed = static_cast<std::uint32_t>(st.st_atime);
      created = Le32AtHex(ZipText(e, "local_extra"), 13);
      EXPECT_GE(created + 5, before);  // made by this test (or the nearest time the file system keeps)
      EXPECT_LE(created, modified);
    } else {
      EXPECT_GE(modified, before);
      EXPECT_LE(modified, after);
    }
    EXPECT_EQ(central, test::TimeExtraHex({modified}));
    EXPECT_EQ(ZipText(e, "local_extra"), test::TimeExtraHex({modified, accessed, created}));
    const time_t even = static_cast<time_t>(modified & ~1u);  // DOS time keeps even seconds
    char dos[32];
    std::strftime(dos, sizeof dos, "%Y-%m-%d %H:%M:%S", gmtime(&even));
    EXPECT_EQ(ZipText(e, "date_time"), dos);
  }
}

// Pipes as sources, of no size known beforehand. A stored entry of unknown size cannot have its header
// fixed afterwards: its bytes stay in the pipe, and the directory's offset counts them.
TEST_F(ZipArchive, PipedSourcesIntoAPipe) {
  int target[2], source[2], unknown[2];
  ASSERT_EQ(pipe(target), 0);
  ASSERT_EQ(pipe(source), 0);
  ASSERT_EQ(pipe(unknown), 0);
  const std::string streamed = LogText(9000, 3);
  ASSERT_EQ(write(source[1], streamed.data(), 9000), 9000);
  ASSERT_EQ(write(unknown[1], "abc", 3), 3);
  close(source[1]);
  close(unknown[1]);
  ZipHandle* zip = ZipCreate(HandleArgument(target[1]), 0, TargetKind::Handle);
  close(target[1]);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipAddEntry(zip, u"streamed.log", HandleArgument(source[0]), 0, SourceKind::Handle),
            ZipResult::Ok);
  EXPECT_EQ(ZipAddEntry(zip, u"unknown.gz", HandleArgument(unknown[0]), 0, SourceKind::Handle),
            ZipResult::NoChange);
  EXPECT_EQ(ZipAddEntry(zip, u"saved.zip", "stored", 6, SourceKind::Memory), ZipResult::Ok);
  close(unknown[0]);
  close(source[0]);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);  // the whole archive fits the pipe's buffer
  char bytes[65536];
  const ssize_t length = read(target[0], bytes, sizeof bytes);
  close(target[0]);
  const std::u16string archive = scratch_ / u"piped.zip";
  test::WriteBytes(archive, std::string(bytes, static_cast<std::size_t>(std::max<ssize_t>(length, 0))));
  const ZipInspection read = InspectWithPeers(archive);
  EXPECT_EQ(ZipNumber(read.archive, "dir_offset") + ZipNumber(read.archive, "dir_size"),
            ZipNumber(read.archive, "end_at"));
  ASSERT_EQ(read.entries.size(), 2u);
  for (const ZipFields& e : read.entries) {
    EXPECT_EQ(ZipText(e, "descriptor") + " " + ZipText(e, "local_flags") + " " + ZipText(e, "local_crc"),
              "yes 8 0x0");
  }
  EXPECT_EQ(ZipText(read.entries[0], "data_crc"), Crc(streamed));
  EXPECT_EQ(ZipNumber(read.entries[0], "local_usize"), 0xFFFFFFFFll);
  EXPECT_EQ(ZipNumber(read.entries[1], "local_csize"), 6);
}

TEST_F(ZipArchive, The65536thEntryIsRefusedAndTheArchiveKeeps65535) {
  ZipHandle* zip = ZipCreate(nullptr, 1 << 20, TargetKind::Memory);
  ASSERT_NE(zip, nullptr);
  for (unsigned i = 0; i < 65535; ++i) {
    ASSERT_EQ(ZipAddEntry(zip, (u"d" + DecimalText(i)).c_str(), nullptr, 0, SourceKind::Folder),
              ZipResult::Ok)
        << i;
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
  EXPECT_EQ(std::count(listed.output.begin(), listed.output.end(), '\n'), 65535);
  EXPECT_EQ(listed.output.substr(listed.output.size() - 8), "d65534/\n");
}

TEST_F(ZipArchive, SizesAndOffsetsAt4GiBAreRefusedBeforeTheyAreWritten) {
  // A sparse 4 GiB file: too large for a 32-bit size, refused before any byte.
  const std::u16string huge = scratch_ / u"huge.dmp", archive = scratch_ / u"limits.zip";
  const int made = open(Native(huge).c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_EQ(ftruncate(made, 0x100000000ll), 0);
  close(made);
  ZipHandle* zip = ZipCreate(archive.c_str(), 0, TargetKind::FileName);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipAddEntry(zip, u"huge.dmp", huge.c_str(), 0, SourceKind::FileName), ZipResult::BadArguments);
  EXPECT_EQ(std::filesystem::file_size(test::NativeFsPath(archive)), 0u);
  EXPECT_EQ(ZipAddEntry(zip, u"small.txt", "abc", 3, SourceKind::Memory), ZipResult::Ok);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  EXPECT_EQ(Inspect(archive).entries.size(), 1u);

  // An archive that begins 600 bytes short of the limit (behind a sparse
  // prefix): a small entry fits, a larger one stops short of the limit.
  const std::u16string late = scratch_ / u"late.zip";
  const int fd = open(Native(late).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  ASSERT_EQ(lseek(fd, 0xFFFFFFFFll - 600, SEEK_SET), 0xFFFFFFFFll - 600);
  zip = ZipCreate(HandleArgument(fd), 0, TargetKind::Handle);
  ASSERT_NE(zip, nullptr);
  const std::string random = RandomBytes(2000, 9);
  EXPECT_EQ(ZipAddEntry(zip, u"first.bin", random.data(), 100, SourceKind::Memory), ZipResult::Ok);
  // Stored: its known size is refused before its header is written.
  EXPECT_EQ(ZipAddEntry(zip, u"second.zip", random.data(), 2000, SourceKind::Memory),
            ZipResult::BadArguments);
  // Deflated: found out while compressing; the entry stays out of the directory.
  EXPECT_EQ(ZipAddEntry(zip, u"third.bin", random.data(), 2000, SourceKind::Memory), ZipResult::BadArguments);
  EXPECT_EQ(ZipAddEntry(zip, u"fourth", nullptr, 0, SourceKind::Folder), ZipResult::Ok);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  const ZipInspection read = Inspect(late);
  ASSERT_EQ(read.entries.size(), 2u);
  EXPECT_EQ(ZipText(read.archive, "testzip"), "ok");
  EXPECT_EQ(ZipText(read.entries[0], "name"), "first.bin");
  EXPECT_EQ(ZipText(read.entries[1], "name"), "fourth/");
  EXPECT_LT(ZipNumber(read.archive, "dir_offset"), 0xFFFFFFFFll);
  // A handle already at the limit cannot begin an archive.
  ASSERT_EQ(lseek(fd, 0xFFFFFFFFll, SEEK_SET), 0xFFFFFFFFll);
  EXPECT_EQ(ZipCreate(HandleArgument(fd), 0, TargetKind::Handle), nullptr);
  EXPECT_EQ(LastZipResult(), ZipResult::BadArguments);
  close(fd);
}

// A reader that takes the first header and leaves (no SIGPIPE, storing or compressing), and a disk file
// swapped for a pipe behind the writer's back: going back to a header fails, every later add is refused.
TEST_F(ZipArchive, FailedWritesFailTheAddAndTheClose) {
  ZipHandle* zip = nullptr;
  const std::string data = RandomBytes(1 << 20, 10);
  for (const char16_t* name : {u"big.bin", u"big.zip"}) {
    SCOPED_TRACE(Utf16ToUtf8(name));
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    std::thread reader([&] {
      char header[30 + 7 + 17];
      for (std::size_t got = 0; got < sizeof header;) {
        const ssize_t n = read(ends[0], header + got, sizeof header - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
      }
      close(ends[0]);
    });
    zip = ZipCreate(HandleArgument(ends[1]), 0, TargetKind::Handle);
    close(ends[1]);
    EXPECT_EQ(ZipAddEntry(zip, name, data.data(), 1 << 20, SourceKind::Memory), ZipResult::WriteFailed);
    reader.join();
    EXPECT_EQ(ZipAddEntry(zip, u"next.txt", "abc", 3, SourceKind::Memory), ZipResult::WriteFailed);
    EXPECT_EQ(ZipClose(zip), ZipResult::WriteFailed);
  }

  const int fd = open(Native(scratch_ / u"swapped.zip").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  const int probe = dup(fd);  // the lowest free descriptor: the one the writer's duplicate gets
  close(probe);
  zip = ZipCreate(HandleArgument(fd), 0, TargetKind::Handle);
  ASSERT_NE(zip, nullptr);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(dup2(ends[1], probe), probe);
  EXPECT_EQ(ZipAddEntry(zip, u"a.txt", "abc", 3, SourceKind::Memory), ZipResult::SeekFailed);
  EXPECT_EQ(ZipAddEntry(zip, u"b.txt", "abc", 3, SourceKind::Memory), ZipResult::AlreadyFailed);
  char text[64];
  ZipResultText(ZipResult::Recent, text, sizeof text);
  EXPECT_STREQ(text, "Caller: there was a previous error");
  EXPECT_EQ(ZipClose(zip), ZipResult::SeekFailed);
  for (int end : {fd, ends[0], ends[1]}) close(end);
}

// A source that fails after its header went out is written over and the file cut after the end record;
// sources that cannot be opened or are faulty leave the archive usable.
TEST_F(ZipArchive, FailedSourcesLeaveTheArchiveUsable) {
  const std::u16string held = scratch_ / u"held.log", archive = scratch_ / u"usable.zip";
  const int folder = open(Native(scratch_.Path()).c_str(), O_RDONLY | O_DIRECTORY);
  ZipHandle* zip = ZipCreate(archive.c_str(), 0, TargetKind::FileName);
  EXPECT_EQ(ZipAddEntry(zip, u"unreadable", HandleArgument(folder), 0, SourceKind::Handle),
            ZipResult::ReadFailed);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  EXPECT_EQ(test::ReadBytes(archive), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  EXPECT_EQ(RunCommand({"/usr/bin/7z", "t", "-bd", Native(archive)}).exitCode, 0);

  test::WriteBytes(held, "being written");
  os::File writer = os::File::CreateForWriting(held);
  ASSERT_TRUE(writer.IsOpen());
  zip = ZipCreate(archive.c_str(), 0, TargetKind::FileName);
  EXPECT_EQ(ZipAddEntry(zip, u"unreadable", HandleArgument(folder), 0, SourceKind::Handle),
            ZipResult::ReadFailed);
  close(folder);
  EXPECT_EQ(ZipAddEntry(zip, u"held.log", held.c_str(), 0, SourceKind::FileName), ZipResult::OpenFailed);
  const std::u16string missing = scratch_ / u"missing.log";
  EXPECT_EQ(ZipAddEntry(zip, u"missing.log", missing.c_str(), 0, SourceKind::FileName),
            ZipResult::OpenFailed);
  EXPECT_EQ(ZipAddEntry(zip, u"null.log", nullptr, 0, SourceKind::FileName), ZipResult::BadArguments);
  EXPECT_EQ(ZipAddEntry(zip, u"bad.log", HandleArgument(-1), 0, SourceKind::Handle), ZipResult::BadArguments);
  EXPECT_EQ(ZipAddEntry(zip, u"bad.log", "abc", 3, static_cast<SourceKind>(9)), ZipResult::BadArguments);
  writer.Close();
  EXPECT_EQ(ZipAddEntry(zip, u"held.log", held.c_str(), 0, SourceKind::FileName), ZipResult::Ok);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  const ZipInspection read = InspectWithPeers(archive);
  ASSERT_EQ(read.entries.size(), 1u);
  EXPECT_EQ(ZipNumber(read.entries[0], "header_offset"), 0);
}

TEST_F(ZipArchive, TheToolPacksFilesUnderTheirNamesAndReportsFailures) {
  const std::string tool = test::BinaryDir() + "/tools/norda-zip";
  const std::string log = Native(scratch_ / u"crash.log"), saved = Native(scratch_ / u"saved.zip");
  const std::u16string archive = scratch_ / u"tool.zip";
  test::WriteBytes(scratch_ / u"crash.log", LogText(20000, 1));
  test::WriteBytes(scratch_ / u"saved.zip", RandomBytes(5000, 12));
  const test::CommandResult good = RunCommand({tool, Native(archive), log, saved});
  EXPECT_EQ(good.exitCode, 0) << good.output;
  ZipInspection read = InspectWithPeers(archive);
  ASSERT_EQ(read.entries.size(), 2u);
  EXPECT_EQ(ZipText(read.entries[0], "name") + " " + ZipText(read.entries[0], "method"), "crash.log 8");
  EXPECT_EQ(ZipText(read.entries[1], "name") + " " + ZipText(read.entries[1], "method"), "saved.zip 0");

  const test::CommandResult partly =
      RunCommand({tool, Native(archive), Native(scratch_ / u"missing.dmp"), log});
  EXPECT_NE(partly.exitCode, 0);
  EXPECT_NE(partly.output.find("Couldn't create/open file"), std::string::npos) << partly.output;
  read = Inspect(archive);
  ASSERT_EQ(read.entries.size(), 1u);
  EXPECT_EQ(ZipText(read.entries[0], "name"), "crash.log");
  EXPECT_NE(RunCommand({tool}).exitCode, 0);
}

}  // namespace
}  // namespace norda::zip
