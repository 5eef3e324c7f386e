// deflate_bench [--reps N] [--write-corpus FOLDER] [--only FILE]
//
// Compares the archive writer's compressor at level 8 with zlib's deflate at
// level 8 (raw, window bits -15, memory level 8) on a generated crash-report
// corpus, in one run: time and size per file and in total, each time the best
// of N runs. Also the CRC-32 throughput, beside zlib's crc32. Every stream of
// ours is inflated by zlib and compared with its input before it counts.
// With --write-corpus the corpus files are also written to FOLDER; with
// --only just the corpus file named FILE is compressed (for a profiler).
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/zip/crc32.h"
#include "core/zip/deflate.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A fixed generator, so that every run sees the same corpus.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  std::uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  unsigned Below(unsigned n) { return static_cast<unsigned>(Next() % n); }

 private:
  std::uint64_t state_;
};

void Append(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

std::string Hex(std::uint64_t value, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

// A crash log: time-stamped lines, module lists, register dumps and stack
// traces with addresses.
Bytes CrashLog(std::size_t size) {
  static const char* const kModules[] = {"NORDA.EXE", "NordaCore.dll", "NordaGeom.dll", "NordaUI.dll",
                                         "kernel32.dll", "ntdll.dll", "user32.dll", "gdi32.dll", "mfc140u.dll",
                                         "msvcp140.dll", "opengl32.dll", "NordaRender.dll"};
  static const char* const kFunctions[] = {"CEntityTable::Lookup", "CDrawing::Regenerate", "CLayer::Apply",
                                           "CViewport::Paint", "CCommand::Execute", "CUndoStack::Push",
                                           "CBlockRef::Explode", "CHatch::Evaluate", "CSpline::Tessellate",
                                           "CDocument::Save", "RaiseException", "KiUserExceptionDispatcher"};
  static const char* const kMessages[] = {"access violation reading", "access violation writing",
                                          "heap corruption detected at", "stack overflow near",
                                          "unhandled exception at", "invalid handle"};
  Random random(1);
  Bytes out;
  unsigned second = 0;
  while (out.size() < size) {
    const unsigned kind = random.Below(10);
    std::string line = "2024-03-11 14:" + std::to_string(10 + second / 60 % 50) + ":" +
                       std::to_string(10 + second % 50) + "." + std::to_string(100 + random.Below(900)) +
                       " [T0x" + Hex(0x1A00 + random.Below(16) * 4, 8) + "] ";
    second += random.Below(3);
    if (kind < 4) {
      line += "ERROR  " + std::string(kModules[random.Below(12)]) + "!" + kFunctions[random.Below(12)] +
              "+0x" + Hex(random.Below(0x800), 3) + "  " + kMessages[random.Below(6)] + " 0x" +
              Hex(random.Next() & 0xFFFFFF, 8) + "\r\n";
    } else if (kind < 7) {
      line += "STACK\r\n";
      for (unsigned i = 0, n = 4 + random.Below(12); i < n; i++) {
        line += "    #" + std::to_string(i) + "  0x" + Hex(0x76A10000 + random.Below(0x200000), 8) + "  " +
                kModules[random.Below(12)] + "!" + kFunctions[random.Below(12)] + " + " +
                std::to_string(random.Below(900)) + "\r\n";
      }
    } else if (kind < 8) {
      line += "REGISTERS\r\n";
      for (const char* reg : {"EAX", "EBX", "ECX", "EDX", "ESI", "EDI", "EBP", "ESP", "EIP"}) {
        line += "    " + std::string(reg) + "=" + Hex(random.Next() & 0xFFFFFFFF, 8) + "\r\n";
      }
    } else {
      line += "MODULES\r\n";
      for (unsigned i = 0; i < 12; i++) {
        line += "    0x" + Hex(0x70000000 + i * 0x100000, 8) + " - 0x" + Hex(0x700FFFFF + i * 0x100000, 8) +
                "  C:\\Program Files\\Norda\\NORDA+ 2024\\" + kModules[i] + "  24.1." +
                std::to_string(i) + ".1187\r\n";
      }
    }
    Append(out, line);
  }
  out.resize(size);
  return out;
}

// A memory dump: zero pages, arrays of repeated structures, tables of
// pointer-like values, and random regions (compressed or encrypted data, code).
Bytes DumpLike(std::size_t size) {
  Random random(2);
  Bytes out;
  out.reserve(size);
  while (out.size() < size) {
    const unsigned pages = 1 + random.Below(16);
    const unsigned kind = random.Below(100);
    const std::size_t end = std::min(size, out.size() + pages * std::size_t{4096});
    if (kind < 35) {
      out.resize(end, 0);
    } else if (kind < 60) {
      Bytes record(32 + random.Below(200));
      for (auto& b : record) b = static_cast<std::uint8_t>(random.Below(4) == 0 ? random.Next() : 0);
      for (std::uint32_t counter = 0; out.size() < end; counter++) {
        std::memcpy(record.data(), &counter, 4);
        out.insert(out.end(), record.begin(), record.end());
      }
      out.resize(end);
    } else if (kind < 80) {
      const std::uint64_t base = 0x00007FF600000000ull + (std::uint64_t{random.Below(0x1000)} << 20);
      while (out.size() < end) {
        const std::uint64_t value = base + (random.Next() & 0xFFFF8);
        const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
        out.insert(out.end(), p, p + 8);
      }
      out.resize(end);
    } else {
      while (out.size() < end) out.push_back(static_cast<std::uint8_t>(random.Next()));
    }
  }
  out.resize(size);
  return out;
}

// A registry export as the system writes it: UTF-16LE with a byte-order mark.
Bytes RegistryExport(std::size_t size) {
  static const char* const kKeys[] = {"Profiles\\<<Unnamed Profile>>\\Dialogs", "Profiles\\<<Unnamed Profile>>\\Editor",
                                      "Profiles\\<<Unnamed Profile>>\\Drawing Window", "Recent File List",
                                      "Applications\\NordaRender", "Variables", "FixedProfile\\General"};
  static const char* const kNames[] = {"WindowState", "Left", "Top", "Width", "Height", "LastPath", "Snap",
                                       "GridUnit", "Units", "FontName", "Color", "Visible", "AutoSave"};
  Random random(3);
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
  while (text.size() * 2 < size) {
    text += "[HKEY_CURRENT_USER\\Software\\Norda\\NORDA+\\R24.1\\" + std::string(kKeys[random.Below(7)]) + "\\" +
            std::to_string(random.Below(40)) + "]\r\n";
    for (unsigned i = 0, n = 2 + random.Below(10); i < n; i++) {
      const std::string name = "\"" + std::string(kNames[random.Below(13)]) + std::to_string(random.Below(5)) + "\"=";
      switch (random.Below(3)) {
        case 0: text += name + "dword:" + Hex(random.Below(2000), 8) + "\r\n"; break;
        case 1: text += name + "\"C:\\\\Users\\\\drafter\\\\Documents\\\\Project " + std::to_string(random.Below(90)) +
                        "\\\\part-" + std::to_string(random.Below(1000)) + ".dwg\"\r\n"; break;
        default:
          text += name + "hex:";
          for (unsigned k = 0, m = 8 + random.Below(24); k < m; k++) text += Hex(random.Below(256), 2) + (k + 1 < m ? "," : "");
          text += "\r\n";
      }
    }
    text += "\r\n";
  }
  Bytes out = {0xFF, 0xFE};
  for (char c : text) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(0);
  }
  out.resize(size);
  return out;
}

Bytes RandomFile(std::size_t size) {
  Random random(4);
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(random.Next() >> 24);
  return out;
}

class MemoryStreams : public norda::zip::DeflateStreams {
 public:
  MemoryStreams(const Bytes& input, Bytes& output) : input_(input), output_(output) {}
  std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
    const std::size_t n = std::min(size, input_.size() - position_);
    std::memcpy(buffer, input_.data() + position_, n);
    position_ += n;
    return n;
  }
  void Flush(const std::uint8_t* data, std::size_t& size) override {
    output_.insert(output_.end(), data, data + size);
    size = 0;
  }

 private:
  const Bytes& input_;
  Bytes& output_;
  std::size_t position_ = 0;
};

// Processor time of this process: on a shared machine it counts only the
// time the measured code ran, not the time it waited for a core.
struct Clock {
  using time_point = std::clock_t;
  static time_point now() { return std::clock(); }
};

double Seconds(Clock::time_point start) {
  return static_cast<double>(Clock::now() - start) / CLOCKS_PER_SEC;
}

double OursOnce(const Bytes& input, Bytes& output) {
  output.clear();
  output.reserve(input.size() + input.size() / 8 + 1024);
  std::vector<std::uint8_t> buffer(16384);
  MemoryStreams streams(input, output);
  std::uint16_t flags = 0;
  const Clock::time_point start = Clock::now();
  const norda::zip::DeflateResult result = norda::zip::DeflateEntry(8, flags, streams, buffer.data(), buffer.size());
  const double seconds = Seconds(start);
  if (result.error != nullptr || result.compressedSize != output.size()) {
    std::fprintf(stderr, "deflate_bench: our compressor failed: %s\n", result.error ? result.error : "size");
    std::exit(1);
  }
  return seconds;
}

double ZlibOnce(const Bytes& input, Bytes& output) {
  z_stream z{};
  deflateInit2(&z, 8, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  output.resize(deflateBound(&z, input.size()));
  const Clock::time_point start = Clock::now();
  z.next_in = const_cast<Bytef*>(input.data());
  z.avail_in = static_cast<uInt>(input.size());
  z.next_out = output.data();
  z.avail_out = static_cast<uInt>(output.size());
  const int status = deflate(&z, Z_FINISH);
  const double seconds = Seconds(start);
  output.resize(z.total_out);
  deflateEnd(&z);
  if (status != Z_STREAM_END) {
    std::fprintf(stderr, "deflate_bench: zlib failed\n");
    std::exit(1);
  }
  return seconds;
}

bool InflatesTo(const Bytes& compressed, const Bytes& expected) {
  z_stream z{};
  inflateInit2(&z, -15);
  Bytes out(expected.size() + 1);
  z.next_in = const_cast<Bytef*>(compressed.data());
  z.avail_in = static_cast<uInt>(compressed.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int status = inflate(&z, Z_FINISH);
  const bool ok = status == Z_STREAM_END && z.total_out == expected.size() && z.avail_in == 0 &&
                  std::memcmp(out.data(), expected.data(), expected.size()) == 0;
  inflateEnd(&z);
  return ok;
}

struct CorpusFile {
  const char* name;
  Bytes bytes;
};

}  // namespace

int main(int argc, char** argv) {
  int reps = 3;
  std::string corpusFolder, only;
  for (int i = 1; i < argc; i++) {
    if (std::strcmp(argv[i], "--reps") == 0 && i + 1 < argc) {
      reps = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--write-corpus") == 0 && i + 1 < argc) {
      corpusFolder = argv[++i];
    } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
      only = argv[++i];
    } else {
      std::fprintf(stderr, "usage: deflate_bench [--reps N] [--write-corpus FOLDER] [--only FILE]\n");
      return 2;
    }
  }

  std::vector<CorpusFile> corpus;
  corpus.push_back({"crash.log", CrashLog(2u << 20)});
  corpus.push_back({"memory.dmp", DumpLike(64u << 20)});
  corpus.push_back({"registry.reg", RegistryExport(1u << 20)});
  corpus.push_back({"random.bin", RandomFile(4u << 20)});

  if (!corpusFolder.empty()) {
    for (const CorpusFile& file : corpus) {
      const std::string path = corpusFolder + "/" + file.name;
      FILE* f = std::fopen(path.c_str(), "wb");
      if (f == nullptr || std::fwrite(file.bytes.data(), 1, file.bytes.size(), f) != file.bytes.size()) {
        std::fprintf(stderr, "deflate_bench: cannot write %s\n", path.c_str());
        return 1;
      }
      std::fclose(f);
    }
  }

  std::printf("deflate level 8: ours against zlib %s (best of %d runs)\n\n", zlibVersion(), reps);
  std::printf("%-14s %10s %9s %9s %7s %11s %11s %7s\n", "file", "bytes", "ours ms", "zlib ms", "time", "ours size",
              "zlib size", "size");
  double oursTotal = 0, zlibTotal = 0;
  std::uint64_t oursBytes = 0, zlibBytes = 0, inputBytes = 0;
  Bytes ours, theirs;
  for (const CorpusFile& file : corpus) {
    if (!only.empty() && only != file.name) continue;
    double oursBest = 1e9, zlibBest = 1e9;
    for (int r = 0; r < reps; r++) {
      oursBest = std::min(oursBest, OursOnce(file.bytes, ours));
      zlibBest = std::min(zlibBest, ZlibOnce(file.bytes, theirs));
    }
    if (!InflatesTo(ours, file.bytes)) {
      std::fprintf(stderr, "deflate_bench: our stream of %s does not inflate to it\n", file.name);
      return 1;
    }
    std::printf("%-14s %10zu %9.1f %9.1f %7.3f %11zu %11zu %7.4f\n", file.name, file.bytes.size(), oursBest * 1e3,
                zlibBest * 1e3, oursBest / zlibBest, ours.size(), theirs.size(),
                static_cast<double>(ours.size()) / static_cast<double>(theirs.size()));
    oursTotal += oursBest;
    zlibTotal += zlibBest;
    oursBytes += ours.size();
    zlibBytes += theirs.size();
    inputBytes += file.bytes.size();
  }
  std::printf("%-14s %10llu %9.1f %9.1f %7.3f %11llu %11llu %7.4f\n", "total",
              static_cast<unsigned long long>(inputBytes), oursTotal * 1e3, zlibTotal * 1e3, oursTotal / zlibTotal,
              static_cast<unsigned long long>(oursBytes), static_cast<unsigned long long>(zlibBytes),
              static_cast<double>(oursBytes) / static_cast<double>(zlibBytes));

  // CRC-32 over the dump, several passes, best pass counted.
  const Bytes& data = corpus[1].bytes;
  double oursCrc = 1e9, zlibCrc = 1e9;
  std::uint32_t a = 0, b = 0;
  for (int r = 0; r < std::max(reps, 3); r++) {
    Clock::time_point start = Clock::now();
    a = norda::zip::Crc32Update(0, data.data(), data.size());
    oursCrc = std::min(oursCrc, Seconds(start));
    start = Clock::now();
    b = static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
    zlibCrc = std::min(zlibCrc, Seconds(start));
  }
  if (a != b) {
    std::fprintf(stderr, "deflate_bench: CRC-32 differs from zlib's\n");
    return 1;
  }
  std::printf("\nCRC-32: %.2f GB/s (zlib crc32: %.2f GB/s)\n", static_cast<double>(data.size()) / oursCrc / 1e9,
              static_cast<double>(data.size()) / zlibCrc / 1e9);
  return 0;
}
