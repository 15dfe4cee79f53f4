#include "tools/archive/manifest_listing.h"

#include <nlohmann/json.hpp>
#include <optional>

#include "tools/archive/file_name_text.h"
#include "util/base64.h"
#include "util/error.h"

namespace generatesheet::cli {

namespace {

using Json = nlohmann::json;

// One entry of "files" as far as it has been read.
struct Entry {
  std::optional<std::string> path, path_base64, sha256;
  std::optional<std::uint64_t> size;
  bool malformed = false;  // a field of the wrong type
};

// The events of the parse, kept to the few a listing needs.  Containers
// are counted, never held, so the parse needs memory for the listing only.
class ListingReader {
 public:
  enum class Kind { kObject, kArray, kString, kUnsigned, kOther };

  explicit ListingReader(size_t max_files) : max_files_(max_files) {}

  bool null() { return Arrive(Kind::kOther); }
  bool boolean(bool) { return Arrive(Kind::kOther); }
  bool number_integer(Json::number_integer_t) { return Arrive(Kind::kOther); }
  bool number_unsigned(Json::number_unsigned_t value) {
    unsigned_ = value;
    return Arrive(Kind::kUnsigned);
  }
  bool number_float(Json::number_float_t, const Json::string_t&) { return Arrive(Kind::kOther); }
  bool string(Json::string_t& value) {
    string_ = &value;
    return Arrive(Kind::kString);
  }
  bool binary(Json::binary_t&) { return Arrive(Kind::kOther); }
  bool start_object(std::size_t) { return Arrive(Kind::kObject) && Open(); }
  bool start_array(std::size_t) { return Arrive(Kind::kArray) && Open(); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }
  bool key(Json::string_t& name) {
    if (depth_ == 1) top_key_ = name;
    if (entry_) entry_key_ = depth_ == 3 ? name : "";
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
    syntax_error_ = true;
    return false;
  }

  bool syntax_error() const { return syntax_error_; }
  bool too_deep() const { return too_deep_; }
  bool too_many() const { return too_many_; }
  bool files_seen() const { return files_seen_; }
  // The first fault of an entry of "files", "" when there is none.
  const std::string& entry_fault() const { return entry_fault_; }
  ManifestListing& listing() { return listing_; }

 private:
  bool Open() {
    if (++depth_ > kMaxManifestNesting) {
      too_deep_ = true;
      return false;
    }
    return true;
  }

  bool Close() {
    --depth_;
    if (depth_ == 2 && entry_) Finish();
    if (depth_ == 1) files_open_ = false;
    return true;
  }

  // A value (or the start of a container) inside the container at depth_;
  // false stops the parse.
  bool Arrive(Kind kind) {
    if (depth_ == 1) {
      if (top_key_ == "format") listing_.format = kind == Kind::kString ? *string_ : "";
      if (top_key_ == "files") {
        files_seen_ = kind == Kind::kArray;
        files_open_ = files_seen_;
      }
    } else if (depth_ == 2 && files_open_) {
      if (++entries_ > max_files_) {
        too_many_ = true;
        return false;
      }
      if (kind == Kind::kObject) {
        entry_.emplace();
        entry_key_.clear();
      } else {
        Fault("不是对象");
      }
    } else if (depth_ == 3 && entry_) {
      Take(kind);
    }
    return true;
  }

  // A field of the entry being read.
  void Take(Kind kind) {
    Entry& entry = *entry_;
    const bool is_string = kind == Kind::kString;
    if (entry_key_ == "path") {
      entry.malformed |= !is_string;
      if (is_string) entry.path = *string_;
    } else if (entry_key_ == "path_base64") {
      entry.malformed |= !is_string;
      if (is_string) entry.path_base64 = *string_;
    } else if (entry_key_ == "sha256") {
      entry.malformed |= !is_string;
      if (is_string) entry.sha256 = *string_;
    } else if (entry_key_ == "size") {
      entry.malformed |= kind != Kind::kUnsigned;
      if (kind == Kind::kUnsigned) entry.size = unsigned_;
    }
  }

  void Finish() {
    Entry entry = std::move(*entry_);
    entry_.reset();
    if (entry.malformed || !entry.path || !entry.size || !entry.sha256) {
      return Fault("缺少 path、size 或 sha256，或其类型不对");
    }
    std::string name = std::move(*entry.path);
    if (entry.path_base64) {
      if (!DecodeBase64(*entry.path_base64, &name)) return Fault("的 path_base64 不是 base64");
    }
    const FileDigest digest{*entry.size, std::move(*entry.sha256)};
    if (!listing_.files.emplace(std::move(name), digest).second) {
      Fault("与前面的一项是同一个文件");
    }
  }

  void Fault(const std::string& what) {
    if (entry_fault_.empty()) {
      entry_fault_ = "的 files 中第 " + std::to_string(entries_) + " 项" + what;
    }
  }

  const size_t max_files_;
  size_t depth_ = 0;
  std::string top_key_, entry_key_;
  bool files_seen_ = false, files_open_ = false;
  std::optional<Entry> entry_;
  size_t entries_ = 0;
  const Json::string_t* string_ = nullptr;
  Json::number_unsigned_t unsigned_ = 0;
  bool syntax_error_ = false, too_deep_ = false, too_many_ = false;
  std::string entry_fault_;
  ManifestListing listing_;
};

}  // namespace

ManifestListing ReadManifestListing(std::string_view text, const std::string& where,
                                    size_t max_files) {
  ListingReader reader(max_files);
  Json::sax_parse(text.begin(), text.end(), &reader);
  if (reader.too_deep()) {
    throw Error("存档清单嵌套过深（超过 " + std::to_string(kMaxManifestNesting) + " 层）：" +
                where);
  }
  if (reader.too_many()) {
    throw Error("存档清单列出的文件超过 " + std::to_string(max_files) +
                " 个，远多于文件夹中的文件，不再逐一核对：" + where);
  }
  if (reader.syntax_error()) throw Error("存档清单不是有效的 JSON：" + where);
  if (reader.listing().format != kArchiveFormat) {
    throw Error("不是 generate-sheet 的存档清单（format 不是 \"" + std::string(kArchiveFormat) +
                "\"）：" + where);
  }
  if (!reader.files_seen()) throw Error("存档清单缺少 files 列表：" + where);
  if (!reader.entry_fault().empty()) {
    throw Error("存档清单" + reader.entry_fault() + "：" + where);
  }
  return std::move(reader.listing());
}

}  // namespace generatesheet::cli
