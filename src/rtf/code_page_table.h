// Decoding tables of the code pages nearly all rich text is in (936, the
// GBK of Chinese Windows, and 1252), so that a run of \'hh bytes costs a few
// look-ups rather than a call into iconv.  The tables hold what iconv itself
// makes of each byte and byte pair, asked once, the first time the byte or
// pair is met, except where the code page reads a byte or a pair otherwise
// than the iconv encoding it is read through, or where iconv's reading has
// changed between versions; decoding through a table gives what decoding the
// same bytes through iconv gives, but for those bytes and pairs.  Safe on any
// thread.
#ifndef GENERATESHEET_RTF_CODE_PAGE_TABLE_H_
#define GENERATESHEET_RTF_CODE_PAGE_TABLE_H_

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace generatesheet {

class CodePageTable {
 public:
  // The table of `code_page`, or nullptr when it has none.
  static const CodePageTable* For(int code_page);

  // A byte the code page reads alone as `code_point`, whatever iconv reads.
  struct OwnByte {
    unsigned char byte;
    char32_t code_point;
  };
  // A pair the code page reads as `code_point`, whatever iconv reads.
  struct OwnPair {
    unsigned char lead, trail;
    char32_t code_point;
  };
  // How long a character of the code page may be.
  enum class Length { kAsIconvReads, kTwoBytesAtMost };

  // The code page as iconv reads `iconv_name`, but for `own_bytes` and
  // `own_pairs` (lead bytes 0x80 and above).  With kTwoBytesAtMost, a pair
  // iconv reads as the start of a longer character does not decode: its
  // first byte becomes U+FFFD and decoding goes on after it.
  explicit CodePageTable(std::string iconv_name, std::initializer_list<OwnByte> own_bytes = {},
                         Length length = Length::kAsIconvReads,
                         std::initializer_list<OwnPair> own_pairs = {});
  CodePageTable(const CodePageTable&) = delete;
  CodePageTable& operator=(const CodePageTable&) = delete;

  // Appends `bytes` to `out` as UTF-8, a byte that does not decode as U+FFFD.
  // Returns false, with `out` as it was, when iconv reads the code page in a
  // way a table cannot follow (then decode with iconv).
  bool AppendUtf8(std::string_view bytes, std::string* out) const;

 private:
  // An entry: the code point shifted left by two over its kind.
  enum Kind : uint32_t { kUnknown = 0, kCharacter = 1, kInvalid = 2, kLead = 3 };
  // Bytes iconv reads in a way a table cannot follow (a longer character,
  // a shift sequence).
  static constexpr uint32_t kCannotFollow = 1u << 2 | kLead;

  uint32_t Single(unsigned char byte) const;
  uint32_t Pair(unsigned char lead, unsigned char trail) const;
  uint32_t Probe(std::string_view bytes) const;

  const std::string iconv_name_;
  const Length length_;
  bool ascii_is_itself_ = true;  // every byte below 0x80 stands for itself
  mutable std::atomic<uint32_t> single_[256];
  // Entries for pairs whose first byte is 0x80..0xFF, made on first use.
  mutable std::unique_ptr<std::atomic<uint32_t>[]> pairs_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_RTF_CODE_PAGE_TABLE_H_
