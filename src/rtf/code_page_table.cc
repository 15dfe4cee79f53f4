#include "rtf/code_page_table.h"

#include "util/error.h"
#include "util/text_encoding.h"
#include "util/utf8.h"

namespace generatesheet {

namespace {
constexpr std::size_t kPairRows = 128;  // lead bytes 0x80..0xFF

// Vertical punctuation, two letters with an acute and a grave, and
// ideographs and components of the supplementary planes and of U+9FB4..9FBB.
constexpr std::initializer_list<CodePageTable::OwnPair> kGbkCharactersOfTheirOwn = {
    {0xA6, 0xD9, 0xFE10},  {0xA6, 0xDA, 0xFE12},  {0xA6, 0xDB, 0xFE11},  {0xA6, 0xDC, 0xFE13},
    {0xA6, 0xDD, 0xFE14},  {0xA6, 0xDE, 0xFE15},  {0xA6, 0xDF, 0xFE16},  {0xA6, 0xEC, 0xFE17},
    {0xA6, 0xED, 0xFE18},  {0xA6, 0xF3, 0xFE19},  {0xA8, 0xBC, 0x1E3F},  {0xFE, 0x51, 0x20087},
    {0xFE, 0x52, 0x20089}, {0xFE, 0x53, 0x200CC}, {0xFE, 0x59, 0x9FB4},  {0xFE, 0x61, 0x9FB5},
    {0xFE, 0x66, 0x9FB6},  {0xFE, 0x67, 0x9FB7},  {0xFE, 0x6C, 0x215D7}, {0xFE, 0x6D, 0x9FB8},
    {0xFE, 0x76, 0x2298F}, {0xFE, 0x7E, 0x9FB9},  {0xFE, 0x90, 0x9FBA},  {0xFE, 0x91, 0x241FE},
    {0xFE, 0xA0, 0x9FBB}};
}  // namespace

const CodePageTable* CodePageTable::For(int code_page) {
  switch (code_page) {
    case 936: {
      // GBK as Windows reads it: GB18030's one- and two-byte characters (the
      // user-defined areas in the private use area, as in Windows' own
      // table), and 0x80 the euro sign.  GB18030's four-byte characters are
      // none of its characters.  But for 25 pairs: Windows reads them as
      // private-use code points, where Unicode has since given them
      // characters of their own (GB18030-2005 and later, and today's
      // browsers, read most of them so).  They are read as those characters,
      // which show in any font, and fixed here, as iconv's reading of them
      // differs from one version to the next.
      static const CodePageTable kGbk("GB18030", {{0x80, 0x20AC}}, Length::kTwoBytesAtMost,
                                      kGbkCharactersOfTheirOwn);
      return &kGbk;
    }
    case 1252: {
      static const CodePageTable kWestern("CP1252");
      return &kWestern;
    }
    default:
      return nullptr;
  }
}

CodePageTable::CodePageTable(std::string iconv_name, std::initializer_list<OwnByte> own_bytes,
                             Length length, std::initializer_list<OwnPair> own_pairs)
    : iconv_name_(std::move(iconv_name)),
      length_(length),
      pairs_(std::make_unique<std::atomic<uint32_t>[]>(kPairRows * 256)) {
  for (unsigned byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    uint32_t entry = Probe(std::string_view(&c, 1));
    if (byte < 0x80 && entry == kLead) entry = kCannotFollow;  // pairs start at 0x80
    single_[byte].store(entry, std::memory_order_relaxed);
  }
  for (const OwnByte& own : own_bytes) {
    single_[own.byte].store(static_cast<uint32_t>(own.code_point) << 2 | kCharacter,
                            std::memory_order_relaxed);
  }
  for (const OwnPair& own : own_pairs) {
    if (own.lead < 0x80) continue;  // pairs start at 0x80
    pairs_[(own.lead - 0x80u) * 256 + own.trail].store(
        static_cast<uint32_t>(own.code_point) << 2 | kCharacter, std::memory_order_relaxed);
  }
  for (unsigned byte = 0; byte < 0x80; ++byte) {
    if (Single(static_cast<unsigned char>(byte)) != (byte << 2 | kCharacter)) {
      ascii_is_itself_ = false;
    }
  }
}

uint32_t CodePageTable::Probe(std::string_view bytes) const {
  FirstCharacter first;
  try {
    first = DecodeFirstCharacter(bytes, iconv_name_);
  } catch (const Error&) {
    return kCannotFollow;  // an iconv without this code page: decoded as iconv can
  }
  switch (first.outcome) {
    case FirstCharacter::Outcome::kDecoded:
      return first.length == bytes.size() && first.code_point <= 0x10FFFF
                 ? first.code_point << 2 | kCharacter
                 : kCannotFollow;
    case FirstCharacter::Outcome::kInvalid:
      return kInvalid;
    case FirstCharacter::Outcome::kCutShort:
      // Only a single byte may be the first half of a pair.
      if (bytes.size() == 1) return kLead;
      return length_ == Length::kTwoBytesAtMost ? kInvalid : kCannotFollow;
    case FirstCharacter::Outcome::kOther:
      return kCannotFollow;
  }
  return kCannotFollow;
}

uint32_t CodePageTable::Single(unsigned char byte) const {
  return single_[byte].load(std::memory_order_relaxed);
}

uint32_t CodePageTable::Pair(unsigned char lead, unsigned char trail) const {
  std::atomic<uint32_t>& slot = pairs_[(lead - 0x80u) * 256 + trail];
  uint32_t entry = slot.load(std::memory_order_relaxed);
  if (entry == kUnknown) {
    // Two threads may ask at once; both store the same answer.
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    entry = Probe(std::string_view(pair, 2));
    slot.store(entry, std::memory_order_relaxed);
  }
  return entry;
}

bool CodePageTable::AppendUtf8(std::string_view bytes, std::string* out) const {
  const std::size_t old_size = out->size();
  out->reserve(old_size + bytes.size() * 2);
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80 && ascii_is_itself_) {
      std::size_t end = i + 1;
      while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) < 0x80) ++end;
      out->append(bytes.substr(i, end - i));
      i = end;
      continue;
    }
    uint32_t entry = Single(byte);
    std::size_t length = 1;
    if (entry == kLead) {
      // A lead byte that ends the text is cut short: U+FFFD, as iconv.
      if (i + 1 == bytes.size()) {
        entry = kInvalid;
      } else {
        entry = Pair(byte, static_cast<unsigned char>(bytes[i + 1]));
        length = 2;
      }
    }
    switch (entry & 3) {
      case kCharacter:
        generatesheet::AppendUtf8(entry >> 2, out);
        i += length;
        break;
      case kInvalid:
        // iconv goes on at the next byte after one that does not decode.
        generatesheet::AppendUtf8(kReplacementCharacter, out);
        ++i;
        break;
      default:
        out->resize(old_size);
        return false;
    }
  }
  return true;
}

}  // namespace generatesheet
