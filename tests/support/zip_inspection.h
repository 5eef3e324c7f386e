// What tests/peers/zip_contents.py --fields (Python's zipfile) reports about an archive, parsed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/zip/zip_result.h"

namespace norda::test {

using ZipFields = std::map<std::string, std::string>;

struct ZipInspection {
  ZipFields archive;               // the end record and the testzip verdict
  std::vector<ZipFields> entries;  // in central directory order
};

// Parses the script's output; false when a line has an unknown kind.
inline bool ParseZipInspection(const std::string& text, ZipInspection& out) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    std::istringstream parts(line);
    std::string kind, part;
    std::getline(parts, kind, '\t');
    ZipFields fields;
    while (std::getline(parts, part, '\t')) {
      const std::size_t equals = part.find('=');
      if (equals != std::string::npos) fields[part.substr(0, equals)] = part.substr(equals + 1);
    }
    if (kind == "archive") {
      out.archive = fields;
    } else if (kind == "entry") {
      out.entries.push_back(fields);
    } else {
      return false;
    }
  }
  return !out.archive.empty();
}

// The number in a field ("0x1f" or "31"); -1 when absent.
inline long long ZipNumber(const ZipFields& fields, const std::string& key) {
  const auto it = fields.find(key);
  if (it == fields.end()) return -1;
  return std::stoll(it->second, nullptr, 0);
}

inline std::string ZipText(const ZipFields& fields, const std::string& key) {
  const auto it = fields.find(key);
  return it == fields.end() ? std::string("<absent>") : it->second;
}

// The "UT" extra field with flags 7 and the given times (the central one holds the first only), in hex.
inline std::string TimeExtraHex(std::initializer_list<std::uint32_t> times) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "5554%02x0007", static_cast<unsigned>(1 + 4 * times.size()));
  std::string out = hex;
  for (const std::uint32_t t : times) {
    std::snprintf(hex, sizeof hex, "%02x%02x%02x%02x", t & 255, t >> 8 & 255, t >> 16 & 255, t >> 24);
    out += hex;
  }
  return out;
}

}  // namespace norda::test

namespace norda::zip {

// Test failures show a result as its code and its text.
inline void PrintTo(ZipResult result, std::ostream* out) {
  char text[80];
  ZipResultText(result, text, sizeof text);
  *out << "0x" << std::hex << static_cast<std::uint32_t>(result) << " (" << text << ")";
}

}  // namespace norda::zip
