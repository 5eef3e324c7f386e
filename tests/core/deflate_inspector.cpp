#include "core/deflate_inspector.h"

namespace norda::test {
namespace {

class BitReader {
 public:
  explicit BitReader(const std::string& data) : data_(data) {}
  bool Bits(int count, unsigned& value) {
    value = 0;
    for (int i = 0; i < count; i++) {
      if (position_ >= data_.size() * 8) return false;
      const unsigned bit = (static_cast<unsigned char>(data_[position_ / 8]) >> (position_ % 8)) & 1;
      value |= bit << i;
      position_++;
    }
    return true;
  }
  void Align() { position_ = (position_ + 7) / 8 * 8; }
  std::size_t BytesUsed() const { return (position_ + 7) / 8; }

 private:
  const std::string& data_;
  std::size_t position_ = 0;
};

// A canonical Huffman code (RFC 1951 3.2.2), decoded one bit at a time.
struct Code {
  std::vector<int> countOfLength = std::vector<int>(16, 0);
  std::vector<int> symbols;
};

bool MakeCode(const std::vector<int>& lengths, Code& code) {
  code = Code();
  for (int length : lengths) code.countOfLength[length]++;
  int left = 1;
  for (int length = 1; length < 16; length++) {
    left = left * 2 - code.countOfLength[length];
    if (left < 0) return false;  // over-subscribed
  }
  std::vector<int> offsets(16, 0);
  for (int length = 1; length < 15; length++) {
    offsets[length + 1] = offsets[length] + code.countOfLength[length];
  }
  code.symbols.assign(lengths.size(), 0);
  for (std::size_t symbol = 0; symbol < lengths.size(); symbol++) {
    if (lengths[symbol] != 0) code.symbols[offsets[lengths[symbol]]++] = static_cast<int>(symbol);
  }
  return true;
}

bool Decode(BitReader& in, const Code& code, int& symbol) {
  int value = 0;
  int first = 0;
  int index = 0;
  for (int length = 1; length < 16; length++) {
    unsigned bit;
    if (!in.Bits(1, bit)) return false;
    value |= static_cast<int>(bit);
    const int count = code.countOfLength[length];
    if (value - count < first) {
      symbol = code.symbols[index + (value - first)];
      return true;
    }
    index += count;
    first = (first + count) << 1;
    value <<= 1;
  }
  return false;
}

// RFC 1951 3.2.5.
constexpr int kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr int kDistanceBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                   33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                   1025, 1537, 2049, 3073, 4097, 6145,  8193,  12289, 16385, 24577};
constexpr int kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// RFC 1951 3.2.7.
constexpr int kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

bool ReadDynamicCodes(BitReader& in, Code& lit, Code& dist, std::string& failure) {
  unsigned hlit, hdist, hclen;
  if (!in.Bits(5, hlit) || !in.Bits(5, hdist) || !in.Bits(4, hclen)) return false;
  if (hlit + 257 > 286 || hdist + 1 > 30) {
    failure = "too many length or distance codes";
    return false;
  }
  std::vector<int> codeLengthLengths(19, 0);
  for (unsigned i = 0; i < hclen + 4; i++) {
    unsigned v;
    if (!in.Bits(3, v)) return false;
    codeLengthLengths[kCodeLengthOrder[i]] = static_cast<int>(v);
  }
  Code codeLengthCode;
  if (!MakeCode(codeLengthLengths, codeLengthCode)) {
    failure = "bad code-length code";
    return false;
  }
  std::vector<int> lengths;
  while (lengths.size() < hlit + 257 + hdist + 1) {
    int symbol;
    if (!Decode(in, codeLengthCode, symbol)) return false;
    if (symbol < 16) {
      lengths.push_back(symbol);
      continue;
    }
    unsigned repeat;
    int value = 0;
    if (symbol == 16) {
      if (lengths.empty()) {
        failure = "repeat with no previous length";
        return false;
      }
      value = lengths.back();
      if (!in.Bits(2, repeat)) return false;
      repeat += 3;
    } else if (symbol == 17) {
      if (!in.Bits(3, repeat)) return false;
      repeat += 3;
    } else {
      if (!in.Bits(7, repeat)) return false;
      repeat += 11;
    }
    lengths.insert(lengths.end(), repeat, value);
  }
  if (lengths.size() != hlit + 257 + hdist + 1) {
    failure = "code lengths run past the count";
    return false;
  }
  std::vector<int> litLengths(lengths.begin(), lengths.begin() + hlit + 257);
  std::vector<int> distLengths(lengths.begin() + hlit + 257, lengths.end());
  if (!MakeCode(litLengths, lit) || !MakeCode(distLengths, dist)) {
    failure = "over-subscribed code";
    return false;
  }
  return true;
}

void MakeFixedCodes(Code& lit, Code& dist) {
  std::vector<int> lengths(288);
  for (int n = 0; n < 288; n++) lengths[n] = n <= 143 ? 8 : n <= 255 ? 9 : n <= 279 ? 7 : 8;
  MakeCode(lengths, lit);
  MakeCode(std::vector<int>(30, 5), dist);
}

bool DecodeSymbols(BitReader& in, const Code& lit, const Code& dist, DeflateBlock& block,
                   std::string& out, std::string& failure) {
  for (;;) {
    int symbol;
    if (!Decode(in, lit, symbol)) return false;
    if (symbol < 256) {
      out.push_back(static_cast<char>(symbol));
      DeflateSymbol s;
      s.literal = static_cast<std::uint8_t>(symbol);
      block.symbols.push_back(s);
      continue;
    }
    if (symbol == 256) return true;
    symbol -= 257;
    if (symbol >= 29) {
      failure = "bad length code";
      return false;
    }
    unsigned extra;
    if (!in.Bits(kLengthExtra[symbol], extra)) return false;
    const unsigned length = static_cast<unsigned>(kLengthBase[symbol]) + extra;
    int dsymbol;
    if (!Decode(in, dist, dsymbol)) return false;
    if (dsymbol >= 30) {
      failure = "bad distance code";
      return false;
    }
    if (!in.Bits(kDistanceExtra[dsymbol], extra)) return false;
    const unsigned distance = static_cast<unsigned>(kDistanceBase[dsymbol]) + extra;
    if (distance > out.size()) {
      failure = "distance before the start";
      return false;
    }
    for (unsigned i = 0; i < length; i++) out.push_back(out[out.size() - distance]);
    DeflateSymbol s;
    s.length = length;
    s.distance = distance;
    block.symbols.push_back(s);
  }
}

}  // namespace

InspectedStream InspectDeflate(const std::string& compressed) {
  InspectedStream result;
  BitReader in(compressed);
  for (;;) {
    DeflateBlock block;
    unsigned last, type;
    if (!in.Bits(1, last) || !in.Bits(2, type)) break;
    block.last = last != 0;
    block.type = type;
    bool good = false;
    if (type == 0) {
      in.Align();
      unsigned len, nlen;
      if (in.Bits(16, len) && in.Bits(16, nlen)) {
        if ((len ^ 0xFFFF) != nlen) {
          result.failure = "stored length and its complement disagree";
        } else {
          block.storedLength = len;
          good = true;
          for (unsigned i = 0; i < len && good; i++) {
            unsigned byte;
            good = in.Bits(8, byte);
            result.output.push_back(static_cast<char>(byte));
          }
        }
      }
    } else if (type == 1 || type == 2) {
      Code lit, dist;
      if (type == 1) {
        MakeFixedCodes(lit, dist);
        good = true;
      } else {
        good = ReadDynamicCodes(in, lit, dist, result.failure);
      }
      good = good && DecodeSymbols(in, lit, dist, block, result.output, result.failure);
    } else {
      result.failure = "block type 3";
    }
    if (!good) {
      if (result.failure.empty()) result.failure = "stream ends inside a block";
      return result;
    }
    result.blocks.push_back(std::move(block));
    if (last) {
      result.ok = true;
      result.bytesUsed = in.BytesUsed();
      return result;
    }
  }
  result.failure = "stream ends before the last block";
  return result;
}

}  // namespace norda::test
