#include "tools/job/record_scanner.h"

#include <climits>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "util/error.h"
#include "util/score_total.h"
#include "util/utf8.h"

namespace generatesheet::cli {

namespace {

// Thrown inside the scanner: the text is not in the plain form, and is left
// to the general reader.
struct NotPlain {};

void Require(bool plain) {
  if (!plain) throw NotPlain{};
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  throw NotPlain{};
}

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  void Expect(char c) { Require(Take(c)); }

  bool Take(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  bool AtEnd() {
    SkipBlanks();
    return pos_ == text_.size();
  }

  // A key with no escapes in it, as a view of the text.
  std::string_view Key() {
    Expect('"');
    const size_t end = text_.find('"', pos_);
    Require(end != std::string_view::npos);
    const std::string_view key = text_.substr(pos_, end - pos_);
    Require(key.find('\\') == std::string_view::npos);
    pos_ = end + 1;
    return key;
  }

  std::string String() {
    Expect('"');
    std::string out;
    for (;;) {
      const size_t start = pos_;
      while (pos_ < text_.size() && IsPlainByte(text_[pos_])) ++pos_;
      out.append(text_.data() + start, pos_ - start);
      Require(pos_ < text_.size());
      const char c = text_[pos_++];
      if (c == '"') return out;
      Require(c == '\\');  // a control byte is not JSON text
      Escape(out);
    }
  }

  // Takes `null` if it comes next.
  bool Null() { return Word("null"); }

  bool Bool() {
    if (Word("true")) return true;
    Require(Word("false"));
    return false;
  }

  // A whole number written as one: no fraction, no exponent, no leading
  // zero, few enough digits that it cannot overflow.
  std::int64_t Integer() {
    SkipBlanks();
    const bool negative = pos_ < text_.size() && text_[pos_] == '-';
    if (negative) ++pos_;
    const size_t start = pos_;
    std::int64_t value = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      value = value * 10 + (text_[pos_++] - '0');
      Require(pos_ - start <= 18);
    }
    const size_t digits = pos_ - start;
    Require(digits > 0 && (text_[start] != '0' || digits == 1));
    Require(pos_ == text_.size() ||
            (text_[pos_] != '.' && text_[pos_] != 'e' && text_[pos_] != 'E'));
    return negative ? -value : value;
  }

  // Calls field(key) for each member of an object, the scanner then at the
  // member's value.
  template <typename Field>
  void Object(const Field& field) {
    Expect('{');
    if (Take('}')) return;
    do {
      const std::string_view key = Key();
      Expect(':');
      field(key);
    } while (Take(','));
    Expect('}');
  }

  template <typename Element>
  void Array(const Element& element) {
    Expect('[');
    if (Take(']')) return;
    do {
      element();
    } while (Take(','));
    Expect(']');
  }

 private:
  static bool IsPlainByte(char c) {
    return static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '\\';
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\t')) {
      ++pos_;
    }
  }

  bool Word(std::string_view word) {
    SkipBlanks();
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  void Escape(std::string& out) {
    Require(pos_ < text_.size());
    const char c = text_[pos_++];
    switch (c) {
      case '"':
      case '\\':
      case '/':
        out += c;
        return;
      case 'b':
        out += '\b';
        return;
      case 'f':
        out += '\f';
        return;
      case 'n':
        out += '\n';
        return;
      case 'r':
        out += '\r';
        return;
      case 't':
        out += '\t';
        return;
      case 'u':
        break;
      default:
        throw NotPlain{};
    }
    Require(pos_ + 4 <= text_.size());
    char32_t unit = 0;
    for (int i = 0; i < 4; ++i) unit = unit * 16 + HexDigit(text_[pos_++]);
    Require(unit < 0xD800 || unit > 0xDFFF);  // pairs are left to the general reader
    AppendUtf8(unit, &out);
  }

  std::string_view text_;
  size_t pos_ = 0;
};

// Each field at most once; the ones a record must have, there.
class Fields {
 public:
  explicit Fields(std::span<const std::string_view> names) : names_(names) {}

  // The field's index among the names; not plain when unknown or repeated.
  size_t Seen(std::string_view key) {
    size_t i = 0;
    for (const std::string_view name : names_) {
      if (name == key) {
        Require((seen_ & (1u << i)) == 0);
        seen_ |= 1u << i;
        return i;
      }
      ++i;
    }
    throw NotPlain{};
  }

  bool Has(size_t i) const { return (seen_ & (1u << i)) != 0; }
  // Whether the first `count` fields are all there.
  bool HasFirst(size_t count) const { return (seen_ & ((1u << count) - 1)) == (1u << count) - 1; }

 private:
  std::span<const std::string_view> names_;
  std::uint32_t seen_ = 0;
};

// The fields of a record, of a result and of the page options; those a
// record or result must have come first.
constexpr std::string_view kRecordFields[] = {
    "student_id", "student_name",    "subject", "outcome",  "page",
    "message",    "results",         "class",   "package",  "package_sha256",
    "template",   "template_sha256", "options", "pdf_pages"};
constexpr std::string_view kResultFields[] = {
    "number",   "family", "choice",  "options", "student_answer", "standard_answer",
    "obtained", "full",   "verdict", "error",   "section"};
constexpr std::string_view kOptionFields[] = {"marks", "pdf"};

template <typename Enum>
Enum Named(const std::string& name, std::initializer_list<Enum> values,
           const char* (*name_of)(Enum)) {
  for (Enum v : values) {
    if (name == name_of(v)) return v;
  }
  throw NotPlain{};
}

// A score in the shortest decimal form the library writes, or "" for none.
std::string Score(Scanner& in) {
  if (in.Null()) return "";
  std::string text = in.String();
  if (text.empty()) return text;
  ScoreTotal score;
  try {
    score.Add(text, "");
  } catch (const Error&) {
    throw NotPlain{};
  }
  Require(score.ToString() == text);
  return text;
}

std::string TextOrNull(Scanner& in, bool* present) {
  *present = !in.Null();
  return *present ? in.String() : std::string();
}

// One question's result and its section heading ("" when none).
void ScanResult(Scanner& in, QuestionResult& r, std::string& section) {
  Fields fields(kResultFields);
  bool present = false;
  in.Object([&](std::string_view key) {
    switch (fields.Seen(key)) {
      case 0: {
        const std::int64_t number = in.Integer();
        Require(number >= INT_MIN && number <= INT_MAX);
        r.number = static_cast<int>(number);
        break;
      }
      case 1:
        r.family = Named(
            in.String(),
            {QuestionFamily::kSingleChoice, QuestionFamily::kCompound, QuestionFamily::kEssay},
            FamilyName);
        break;
      case 2:
        r.choice = in.Bool();
        break;
      case 3:
        in.Array([&] { r.options.push_back(in.String()); });
        break;
      case 4:
        r.student_answer = TextOrNull(in, &r.student_answered);
        break;
      case 5:
        r.standard_answer = in.String();
        break;
      case 6:
        r.obtained = Score(in);
        break;
      case 7:
        r.full = Score(in);
        break;
      case 8:
        r.verdict = Named(in.String(),
                          {Verdict::kCorrect, Verdict::kPartial, Verdict::kWrong,
                           Verdict::kUnanswered, Verdict::kUnknown},
                          VerdictName);
        break;
      case 9:
        r.error = TextOrNull(in, &present);
        break;
      default:
        section = in.String();
    }
  });
  Require(fields.HasFirst(10));
}

void ScanResults(Scanner& in, StudentRecord& record) {
  in.Array([&] {
    Require(record.results.size() < kMaxRecordQuestions);
    ScanResult(in, record.results.emplace_back(), record.sections.emplace_back());
  });
}

void ScanOptions(Scanner& in, StudentRecord& record) {
  Fields fields(kOptionFields);
  PageOptions options;
  in.Object([&](std::string_view key) {
    (fields.Seen(key) == 0 ? options.marks : options.pdf) = in.Bool();
  });
  Require(fields.HasFirst(2));
  record.options = options;
}

void ScanPdfPages(Scanner& in, StudentRecord& record) {
  const std::int64_t pages = in.Integer();
  Require(pages >= 0);
  record.pdf_pages = static_cast<std::size_t>(pages);
}

StudentRecord ScanRecord(Scanner& in) {
  Fields fields(kRecordFields);
  StudentRecord record;
  std::string* const text_fields[] = {&record.student_id,
                                      &record.student_name,
                                      &record.subject,
                                      nullptr,
                                      &record.page,
                                      &record.message,
                                      nullptr,
                                      &record.class_name,
                                      &record.package,
                                      &record.package_sha256,
                                      &record.template_path,
                                      &record.template_sha256};
  in.Object([&](std::string_view key) {
    const size_t field = fields.Seen(key);
    if (field == 3) {
      record.state = Named(in.String(),
                           {Outcome::kComplete, Outcome::kWrittenWithErrors, Outcome::kNotWritten},
                           OutcomeName);
    } else if (field == 6) {
      ScanResults(in, record);
    } else if (field == 12) {
      ScanOptions(in, record);
    } else if (field == 13) {
      ScanPdfPages(in, record);
    } else {
      *text_fields[field] = in.String();
    }
  });
  Require(fields.HasFirst(7));
  Require(in.AtEnd());
  return record;
}

}  // namespace

std::optional<StudentRecord> ScanStudentRecord(std::string_view text) {
  if (!IsValidUtf8(text)) return std::nullopt;
  try {
    Scanner in(text);
    return ScanRecord(in);
  } catch (const NotPlain&) {
    return std::nullopt;
  }
}

}  // namespace generatesheet::cli
