#include "support/zlib_peer.h"

#include <zlib.h>

namespace norda::test {

std::string InflateRaw(std::string_view compressed, std::string& out) {
  out.clear();
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return "inflateInit2 failed";
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  z.avail_in = static_cast<uInt>(compressed.size());
  char chunk[16384];
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(chunk);
    z.avail_out = sizeof chunk;
    status = inflate(&z, Z_NO_FLUSH);
    out.append(chunk, sizeof chunk - z.avail_out);
    if (status == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  const uInt left = z.avail_in;
  const char* message = z.msg;
  inflateEnd(&z);
  if (status != Z_STREAM_END) return message ? message : "the stream does not end";
  if (left != 0) return "bytes after the end of the stream";
  return {};
}

std::string DeflateRaw(std::string_view input, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, input.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  z.avail_in = static_cast<uInt>(input.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

}  // namespace norda::test
