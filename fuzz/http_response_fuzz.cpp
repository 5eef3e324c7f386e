// The settings download (os::UrlDownload on Linux, driven by
// DownloadUrlToFile) against any HTTP response in any pieces: either the raw
// response, or a body framed by Content-Length, chunks or the connection's
// end. Checks: one GET of the settings path; a framed body saved exactly,
// success exactly when it all came; a raw response's result independent of
// its pieces, and no more saved than came after the header; the socket closed.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/mail/settings_download.h"
#include "os/files.h"
#include "support/check.h"
#include "support/fake_socket.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace {

using fuzz::Check;

enum class Framing { Raw, ContentLength, Chunked, Close };

struct Result {
  bool ok;
  std::string file;
};

// The download of the sender settings with the response cut at the given sizes.
Result Download(const std::string& response, const std::vector<std::size_t>& cuts) {
  static const norda::test::ScratchFolder scratch;
  static const std::u16string path = scratch / u"MailSendInfo.log";
  norda::test::WriteBytes(path, "");
  fuzz::ResetPeer();
  std::size_t at = 0;
  for (std::size_t cut : cuts) {
    if (at >= response.size()) break;
    fuzz::Peer().pieces.emplace_back(response.substr(at, cut));
    at += cut;
  }
  if (at < response.size()) fuzz::Peer().pieces.emplace_back(response.substr(at));
  const bool ok = norda::DownloadUrlToFile(norda::SenderSettingsUrl(), path);
  Check(fuzz::Peer().openSockets == 0, "the socket outlives the download");
  const std::string& request = fuzz::Peer().sent;
  Check(request.rfind("GET /norda+/vozavededavu/CrMailInfo/CrSendInfo.txt HTTP/1.1\r\nHost: ", 0) == 0 &&
            request.size() > 4 && request.compare(request.size() - 4, 4, "\r\n\r\n") == 0 &&
            request.find("\r\n\r\n") == request.size() - 4,
        "the request is not one GET of the settings path");
  Result result{ok, {}};
  os::ReadWholeFile(path, result.file);
  return result;
}

// Header lines that say nothing about the framing: no line end inside, not
// empty, and not naming Content-Length or Transfer-Encoding.
std::string ExtraHeaders(const std::string& text) {
  std::string headers, line;
  for (char c : text + "\n") {
    if (c != '\n') {
      if (c != '\r' && c != '\0') line += c;
      continue;
    }
    std::string lower;
    for (char l : line) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(l)));
    if (!line.empty() && lower.find("content-length") == std::string::npos &&
        lower.find("transfer-encoding") == std::string::npos) {
      headers += line + "\r\n";
    }
    line.clear();
  }
  return headers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto framing = static_cast<Framing>(input.ConsumeIntegralInRange(0, 3));
  std::vector<std::size_t> cuts;
  for (int n = input.ConsumeIntegralInRange(0, 8); n > 0; --n) {
    cuts.push_back(input.ConsumeIntegralInRange<std::size_t>(1, 300));
  }

  if (framing == Framing::Raw) {
    const std::string response = input.ConsumeRemainingBytesAsString();
    const Result pieces = Download(response, cuts);
    const Result whole = Download(response, {});
    Check(pieces.ok == whole.ok && pieces.file == whole.file,
          "the result depends on how the response was cut");
    // The header ends at its first empty line, with or without its CR.
    const std::size_t header = std::min(response.find("\n\n"), response.find("\n\r\n"));
    Check(!pieces.ok || header != std::string::npos, "a download without a header's end");
    Check(pieces.file.empty() || pieces.file.size() < response.size() - header,
          "more bytes saved than came after the header");
    return 0;
  }

  const int lengthDelta = input.ConsumeIntegralInRange(-2, 2);
  std::vector<std::size_t> chunkSizes;
  for (int n = input.ConsumeIntegralInRange(0, 6); n > 0; --n) {
    chunkSizes.push_back(input.ConsumeIntegralInRange<std::size_t>(1, 5000));
  }
  const std::string headers = ExtraHeaders(input.ConsumeRandomLengthString(300));
  const std::string body = input.ConsumeRemainingBytesAsString();

  std::string response = "HTTP/1.1 200 OK\r\n" + headers;
  std::string expected = body;
  bool complete = true;
  if (framing == Framing::ContentLength) {
    const std::size_t length = static_cast<std::size_t>(
        std::max<long long>(0, static_cast<long long>(body.size()) + lengthDelta));
    response += "Content-Length: " + std::to_string(length) + "\r\n\r\n" + body;
    if (length < body.size()) expected = body.substr(0, length);
    complete = length <= body.size();
  } else if (framing == Framing::Chunked) {
    response += "Transfer-Encoding: chunked\r\n\r\n";
    std::size_t at = 0;
    for (std::size_t i = 0; at < body.size(); ++i) {
      const std::size_t n = std::min(body.size() - at, i < chunkSizes.size() ? chunkSizes[i] : body.size());
      char sizeLine[32];
      std::snprintf(sizeLine, sizeof sizeLine, i % 2 ? "%zx\r\n" : "%zX;ext=1\r\n", n);
      response += sizeLine + body.substr(at, n) + "\r\n";
      at += n;
    }
    response += "0\r\nTrailer: x\r\n\r\n";
  } else {
    response += "\r\n" + body;
  }
  const Result got = Download(response, cuts);
  Check(got.ok == complete, "the download's result does not fit the body it got");
  Check(got.file == expected, "the saved file is not the body");
  return 0;
}
