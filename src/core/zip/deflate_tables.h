// The deflate format's own alphabets and tables (RFC 1951), in one place for
// the compressor's matcher, trees and block writer.
#pragma once

#include <cstdint>

namespace norda::zip::deflate {

// RFC 1951 3.2.5: literal bytes 0..255, end of block 256, length codes 257..285.
constexpr int kLiterals = 256;
constexpr int kEndBlock = 256;
constexpr int kLengthCodes = 29;
constexpr int kLCodes = kLiterals + 1 + kLengthCodes;  // 286 literal/length codes in use
constexpr int kDCodes = 30;                            // distance codes 0..29
// RFC 1951 3.2.6: the fixed literal/length code has 288 entries (286 and 287 unused).
constexpr int kFixedLCodes = 288;
constexpr int kFixedDistanceBits = 5;

// RFC 1951 3.2.7: the code-length alphabet 0..18 and its repeat codes.
constexpr int kBLCodes = 19;
constexpr int kRep3To6 = 16;        // copy the previous length 3..6 times (2 extra bits)
constexpr int kRepZero3To10 = 17;   // 3..10 zero lengths (3 extra bits)
constexpr int kRepZero11To138 = 18; // 11..138 zero lengths (7 extra bits)

// RFC 1951 3.2.7: longest literal/length or distance code, longest code-length code.
constexpr int kMaxBits = 15;
constexpr int kMaxBLBits = 7;

// RFC 1951 3.2.3: BTYPE of a block header.
constexpr unsigned kStoredBlock = 0;
constexpr unsigned kFixedBlock = 1;
constexpr unsigned kDynamicBlock = 2;

// RFC 1951 3.2.5: extra bits of the length codes 257..285.
constexpr std::uint8_t kExtraLengthBits[kLengthCodes] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                         2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

// RFC 1951 3.2.5: extra bits of the distance codes 0..29.
constexpr std::uint8_t kExtraDistanceBits[kDCodes] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                      6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// RFC 1951 3.2.7: extra bits of the code-length alphabet (only 16, 17 and 18 have any).
constexpr std::uint8_t kExtraCodeLengthBits[kBLCodes] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                         0, 0, 0, 0, 0, 0, 2, 3, 7};

// RFC 1951 3.2.7: the order in which the code-length code's lengths are sent.
constexpr std::uint8_t kCodeLengthOrder[kBLCodes] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                     11, 4,  12, 3, 13, 2, 14, 1, 15};

// RFC 1951 3.2.6: length of the fixed literal/length code of a symbol.
constexpr int FixedLiteralLengthBits(int symbol) {
  return symbol <= 143 ? 8 : symbol <= 255 ? 9 : symbol <= 279 ? 7 : 8;
}

}  // namespace norda::zip::deflate
