#include "base/TextEncoding.h"

namespace {

// 0x80..0x9F of Windows-1252; the five unassigned bytes map to the C1 controls, as
// the system maps them, so that they survive a round trip.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(std::u16string& out, char32_t c) {
  if (c <= 0xFFFF) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

}  // namespace

std::u16string Cp1252ToUtf16(std::string_view text) {
  std::u16string wide;
  wide.reserve(text.size());
  for (char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    wide += (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
  }
  return wide;
}

std::string Utf16ToCp1252(std::u16string_view text) {
  std::string ansi;
  ansi.reserve(text.size());
  for (char16_t c : text) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      ansi += static_cast<char>(c);
      continue;
    }
    char mapped = '?';
    for (int i = 0; i < 32; ++i)
      if (kCp1252High[i] == c) mapped = static_cast<char>(0x80 + i);
    ansi += mapped;
  }
  return ansi;
}

std::u16string Utf8ToUtf16(std::string_view text, bool inputEndsHere) {
  // Continuation bytes expected after a lead byte 0x80..0xFF (0: not a lead byte).
  static constexpr unsigned char kFollowing[128] = {
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
      1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2,
      2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  static constexpr unsigned char kLeadMask[4] = {0x7F, 0x1F, 0x0F, 0x07};

  std::u16string wide;
  wide.reserve(text.size());
  const size_t n = text.size();
  size_t i = 0;
  // The next byte as a continuation's six bits, or -1 when it is none.
  auto continuation = [&]() -> int {
    if (i >= n) return -1;
    const int bits = static_cast<unsigned char>(text[i]) ^ 0x80;
    return bits < 0x40 ? bits : -1;
  };
  while (i < n) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      wide += lead;
      ++i;
      continue;
    }
    const unsigned following = kFollowing[lead - 0x80];
    char32_t value = lead & kLeadMask[following];
    if (inputEndsHere && i + 1 + following > n) {
      wide += kReplacement;
      break;
    }
    ++i;
    bool valid = false;
    int bits;
    switch (following) {
      case 3:
        if ((bits = continuation()) < 0) break;
        value = (value << 6) | bits;
        ++i;
        if (value < 0x10) break;  // overlong
        [[fallthrough]];
      case 2:
        if ((bits = continuation()) < 0) break;
        value = (value << 6) | bits;
        if (value >= (0x110000 >> 6)) break;  // beyond Unicode; this byte is not used
        ++i;
        if (value < 0x20) break;  // overlong
        if (value >= (0xD800 >> 6) && value <= (0xDFFF >> 6)) break;  // a surrogate
        [[fallthrough]];
      case 1:
        if ((bits = continuation()) < 0) break;
        value = (value << 6) | bits;
        ++i;
        if (value < 0x80) break;  // overlong
        valid = true;
        break;
      default:
        break;
    }
    if (valid)
      AppendCodePoint(wide, value);
    else
      wide += kReplacement;
  }
  return wide;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}
