#include "data/mdb_reader.h"

// glib first: mdbtools.h includes it inside extern "C", which breaks its C++
// templates.
#include <glib.h>
#include <mdbtools.h>

#include <sys/stat.h>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>

#include "data/collation.h"
#include "data/jet_text.h"
#include "util/error.h"

namespace generatesheet {

namespace {

constexpr std::size_t kPageSize = 4096;  // Jet 4
constexpr std::uint32_t kCatalogPage = 2;
constexpr std::size_t kRowCountOffset = 12;
constexpr std::size_t kMaxColumns = 255;
constexpr int kMaxOverflowHops = 8;
using Page = std::array<unsigned char, kPageSize>;
using Bytes = std::vector<unsigned char>;

std::uint16_t Get16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Get32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

struct HandleCloser {
  void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableDefFreer {
  void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

struct RawField {
  bool is_null = true;
  Bytes bytes;
};

// Where a row lies on its page.
struct RowSpan {
  std::size_t start = 0;
  std::size_t size = 0;
  bool deleted = false;
  bool overflow = false;  // the row holds a pointer to where it now lives
};

ColumnKind KindOf(int col_type) {
  switch (col_type) {
    case MDB_BOOL:
      return ColumnKind::kBoolean;
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
      return ColumnKind::kNumber;
    case MDB_TEXT:
    case MDB_MEMO:
      return ColumnKind::kText;
    default:
      return ColumnKind::kOther;
  }
}

// A Single as the decimal it was typed as ("0.1", not 0.100000001490116).
double SingleToDouble(float f) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, f);
  double d = f;
  std::from_chars(buf, r.ptr, d);
  return d;
}

// Decimal (scaled 128-bit integer): sign byte, then four 32-bit words,
// most significant word first, each little-endian.
double DecimalToDouble(const unsigned char* p, int scale) {
  unsigned __int128 magnitude = 0;
  for (int word = 0; word < 4; ++word) {
    magnitude = (magnitude << 32) | Get32(p + 1 + 4 * word);
  }
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  if (scale > 0) {
    if (digits.size() <= static_cast<std::size_t>(scale)) {
      digits.insert(0, scale - digits.size() + 1, '0');
    }
    digits.insert(digits.size() - scale, ".");
  }
  double d = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), d);
  return (p[0] & 0x80) ? -d : d;
}

// Days since 1899-12-30 (the time as the fraction, whatever the sign) as
// "yyyy-mm-dd hh:mm:ss".
std::string DateTimeText(double value) {
  if (!std::isfinite(value) || std::fabs(value) > 3e6) return "#日期无效#";
  double whole = std::trunc(value);
  long long days = static_cast<long long>(whole);
  long long seconds = std::llround(std::fabs(value - whole) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    days += value < 0 ? -1 : 1;
  }
  // Civil date from days since 1970-01-01 (H. Hinnant's algorithm).
  long long z = days - 25569 + 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  long long day = doy - (153 * mp + 2) / 5 + 1;
  long long month = mp < 10 ? mp + 3 : mp - 9;
  long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char buf[128];  // room for any long long, though the values are small
  std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", year, month, day,
                seconds / 3600, seconds / 60 % 60, seconds % 60);
  return buf;
}

std::string GuidText(const unsigned char* p) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", Get32(p),
                Get16(p + 4), Get16(p + 6), p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
  return buf;
}

}  // namespace

class MdbReader::Impl {
 public:
  explicit Impl(std::string path);

  struct CatalogItem {
    std::string name;
    std::uint32_t tdef_page;
    bool system;
  };
  const std::vector<CatalogItem>& catalog() const { return catalog_; }

  std::unique_ptr<Table> ReadTable(std::string_view name);

 private:
  [[noreturn]] void Damaged(const std::string& detail) const {
    throw Error("数据库文件已损坏：" + path_ + "（" + detail + "）");
  }
  void CheckFile();
  void ReadCatalog();
  void ReadPage(std::uint32_t page, Page* out);
  // A row reached through a pointer (overflow, long value) is read even
  // when flagged deleted: Jet flags such rows so that scans skip them.
  RowSpan LocateRow(const Page& page, std::uint32_t page_number, unsigned row,
                    bool by_pointer = false);
  std::vector<std::uint32_t> DataPages(const MdbTableDef& def, const std::string& table);
  // `only` names the columns to decode (others are left Null); empty = all.
  std::unique_ptr<Table> ReadTableAt(std::uint32_t tdef_page, const std::string& name,
                                     const std::vector<std::string>& only);
  void ReadRow(MdbTableDef* def, const Page& page, const RowSpan& span, const std::string& table,
               std::vector<RawField>* fields);
  Value Decode(const MdbColumn& col, const RawField& field, const std::string& table);
  Bytes ReadLongValue(const Bytes& header, const std::string& where);

  std::string path_;
  std::uint32_t page_count_ = 0;
  std::unique_ptr<MdbHandle, HandleCloser> mdb_;
  std::vector<CatalogItem> catalog_;
};

MdbReader::Impl::Impl(std::string path) : path_(std::move(path)) {
  CheckFile();
  mdb_.reset(mdb_open(path_.c_str(), MDB_NOFLAGS));
  if (!mdb_) throw Error("无法打开 Access 数据库：" + path_);
  if (mdb_->fmt->pg_size != static_cast<ssize_t>(kPageSize)) {
    throw Error("不是 Access 2000/2003 (Jet 4) 数据库：" + path_);
  }
  ReadCatalog();
}

// Checks what libmdb takes on trust before it touches the file: that it is a
// readable regular file with a Jet 4 header and room for the catalog.
void MdbReader::Impl::CheckFile() {
  struct stat st;
  if (::stat(path_.c_str(), &st) != 0) {
    if (errno == ENOENT) throw Error("找不到数据库文件：" + path_);
    throw SystemError("无法读取数据库文件", path_, errno);
  }
  if (!S_ISREG(st.st_mode)) throw Error("数据库路径不是文件：" + path_);
  std::FILE* f = std::fopen(path_.c_str(), "rb");
  if (!f) throw SystemError("无法读取数据库文件", path_, errno);
  unsigned char header[0x20] = {};
  std::size_t got = std::fread(header, 1, sizeof header, f);
  std::fclose(f);
  static const unsigned char kMagic[] = {0x00, 0x01, 0x00, 0x00, 'S', 't', 'a', 'n', 'd', 'a',
                                         'r',  'd',  ' ',  'J',  'e', 't', ' ', 'D', 'B', 0};
  if (got < sizeof header || std::memcmp(header, kMagic, sizeof kMagic) != 0) {
    throw Error("不是 Access 数据库文件：" + path_);
  }
  if (header[0x14] != 0x01) throw Error("不是 Access 2000/2003 (Jet 4) 数据库：" + path_);
  if (st.st_size < static_cast<off_t>(kPageSize * (kCatalogPage + 1))) {
    Damaged("文件过短，没有系统目录");
  }
  page_count_ = static_cast<std::uint32_t>((st.st_size + kPageSize - 1) / kPageSize);
}

void MdbReader::Impl::ReadPage(std::uint32_t page, Page* out) {
  if (page == 0 || page >= page_count_) Damaged("页号 " + std::to_string(page) + " 超出文件范围");
  // mdb_read_pg skips the read when it believes the page is still in its
  // buffer; ReadRow overwrites that buffer, so never let it believe so.
  mdb_->cur_pg = 0;
  if (mdb_read_pg(mdb_.get(), page) != static_cast<ssize_t>(kPageSize)) {
    Damaged("无法读取第 " + std::to_string(page) + " 页");
  }
  std::memcpy(out->data(), mdb_->pg_buf, kPageSize);
}

RowSpan MdbReader::Impl::LocateRow(const Page& page, std::uint32_t page_number, unsigned row,
                                   bool by_pointer) {
  std::size_t count = Get16(&page[kRowCountOffset]);
  std::size_t table_end = kRowCountOffset + 2 + 2 * count;
  if (row >= count || table_end > kPageSize) {
    Damaged("第 " + std::to_string(page_number) + " 页没有第 " + std::to_string(row) + " 行");
  }
  std::uint16_t offset = Get16(&page[kRowCountOffset + 2 + 2 * row]);
  RowSpan span;
  span.deleted = offset & 0x8000;
  span.overflow = offset & 0x4000;
  span.start = offset & 0x1FFF;
  std::size_t end = row == 0 ? kPageSize : Get16(&page[kRowCountOffset + 2 * row]) & 0x1FFF;
  if (span.deleted && !by_pointer) return span;
  if (span.start < table_end || span.start >= end || end > kPageSize) {
    Damaged("第 " + std::to_string(page_number) + " 页第 " + std::to_string(row) + " 行的位置无效");
  }
  span.size = end - span.start;
  return span;
}

std::vector<std::uint32_t> MdbReader::Impl::DataPages(const MdbTableDef& def,
                                                      const std::string& table) {
  const unsigned char* map = static_cast<const unsigned char*>(def.usage_map);
  std::size_t size = def.map_sz;
  std::vector<std::uint32_t> pages;
  if (!map || size < 1) Damaged("表 " + table + " 的页面使用图为空");
  if (map[0] == 0) {
    // Inline bitmap: first page, then one bit per page from there.
    if (size < 5) Damaged("表 " + table + " 的页面使用图过短");
    std::uint64_t first = Get32(map + 1);
    for (std::size_t i = 0; i < (size - 5) * 8; ++i) {
      if (map[5 + i / 8] & (1 << (i % 8))) {
        std::uint64_t page = first + i;
        if (page >= page_count_) Damaged("表 " + table + " 的页面使用图指向文件之外");
        pages.push_back(static_cast<std::uint32_t>(page));
      }
    }
  } else if (map[0] == 1) {
    // Pointers to bitmap pages, each covering (page size - 4) * 8 pages.
    const std::uint64_t per_map = (kPageSize - 4) * 8;
    for (std::size_t m = 0; m < (size - 1) / 4; ++m) {
      std::uint32_t map_page = Get32(map + 1 + 4 * m);
      if (map_page == 0) continue;
      Page bitmap;
      ReadPage(map_page, &bitmap);
      if (bitmap[0] != 0x05) Damaged("表 " + table + " 的页面使用图页类型错误");
      for (std::uint64_t i = 0; i < per_map; ++i) {
        if (bitmap[4 + i / 8] & (1 << (i % 8))) {
          std::uint64_t page = m * per_map + i;
          if (page >= page_count_) Damaged("表 " + table + " 的页面使用图指向文件之外");
          pages.push_back(static_cast<std::uint32_t>(page));
        }
      }
    }
  } else {
    Damaged("表 " + table + " 的页面使用图类型未知");
  }
  return pages;
}

// Cracks the row at `span` of `page` (following an overflow pointer) into the
// raw bytes of each column.
void MdbReader::Impl::ReadRow(MdbTableDef* def, const Page& page, const RowSpan& first_span,
                              const std::string& table, std::vector<RawField>* fields) {
  Page moved;
  const Page* where = &page;
  RowSpan span = first_span;
  for (int hop = 0; span.overflow; ++hop) {
    if (hop == kMaxOverflowHops || span.size < 4) Damaged("表 " + table + " 的溢出行无效");
    std::uint32_t pointer = Get32(&(*where)[span.start]);
    std::uint32_t target = pointer >> 8;
    ReadPage(target, &moved);
    if (moved[0] != 0x01) Damaged("表 " + table + " 的溢出行指向非数据页");
    where = &moved;
    span = LocateRow(moved, target, pointer & 0xFF, true);
  }
  std::memcpy(mdb_->pg_buf, where->data(), kPageSize);
  std::vector<MdbField> cracked(def->num_cols);
  if (mdb_crack_row(def, static_cast<int>(span.start), span.size, cracked.data()) < 0) {
    Damaged("表 " + table + " 有无法解析的行");
  }
  fields->assign(def->num_cols, RawField());
  for (std::size_t i = 0; i < def->num_cols; ++i) {
    const MdbField& f = cracked[i];
    RawField& out = (*fields)[i];
    out.is_null = f.is_null;
    if (f.siz == 0) continue;
    if (f.siz < 0 || f.start < static_cast<int>(span.start) ||
        static_cast<std::size_t>(f.start) + f.siz > span.start + span.size) {
      Damaged("表 " + table + " 有字段位置无效的行");
    }
    out.bytes.assign(where->data() + f.start, where->data() + f.start + f.siz);
  }
}

// The bytes of a memo or OLE value from its 12-byte header: inline after
// it, in one row of an LVAL page, or in a chain of such rows.
Bytes MdbReader::Impl::ReadLongValue(const Bytes& header, const std::string& where) {
  if (header.size() < 12) Damaged(where + " 的长值头不完整");
  std::uint32_t word = Get32(header.data());
  std::size_t length = word & 0x3FFFFFFF;
  Bytes data;
  if (word & 0x80000000) {
    data.assign(header.begin() + 12, header.end());
  } else {
    bool single = word & 0x40000000;
    std::uint32_t pointer = Get32(header.data() + 4);
    Page page;
    for (std::uint32_t hops = 0; pointer != 0 && data.size() < length; ++hops) {
      if (hops > page_count_) Damaged(where + " 的长值页链成环");
      std::uint32_t page_number = pointer >> 8;
      ReadPage(page_number, &page);
      RowSpan span = LocateRow(page, page_number, pointer & 0xFF, true);
      if (page[0] != 0x01) Damaged(where + " 的长值指向无效的行");
      if (single) {
        data.assign(page.begin() + span.start, page.begin() + span.start + span.size);
        break;
      }
      if (span.size < 4) Damaged(where + " 的长值行过短");
      pointer = Get32(&page[span.start]);
      data.insert(data.end(), page.begin() + span.start + 4, page.begin() + span.start + span.size);
    }
    if (data.size() < length) Damaged(where + " 的长值不完整");
  }
  if (data.size() > length) data.resize(length);
  return data;
}

Value MdbReader::Impl::Decode(const MdbColumn& col, const RawField& field,
                              const std::string& table) {
  if (col.col_type == MDB_BOOL) return Value::Boolean(!field.is_null);  // stored in the null mask
  if (field.is_null) return Value();
  const Bytes& b = field.bytes;
  auto need = [&](std::size_t n) {
    if (b.size() < n) Damaged("表 " + table + " 字段 " + col.name + " 的值长度不足");
  };
  switch (col.col_type) {
    case MDB_BYTE:
      need(1);
      return Value::Integer(b[0]);
    case MDB_INT:
      need(2);
      return Value::Integer(static_cast<std::int16_t>(Get16(b.data())));
    case MDB_LONGINT:
      need(4);
      return Value::Integer(static_cast<std::int32_t>(Get32(b.data())));
    case MDB_MONEY: {
      need(8);
      std::int64_t scaled = static_cast<std::int64_t>(
          Get32(b.data()) | static_cast<std::uint64_t>(Get32(b.data() + 4)) << 32);
      return Value::Double(static_cast<double>(scaled) / 10000.0);
    }
    case MDB_FLOAT: {
      need(4);
      float f;
      std::uint32_t bits = Get32(b.data());
      std::memcpy(&f, &bits, 4);
      return Value::Double(SingleToDouble(f));
    }
    case MDB_DOUBLE:
    case MDB_DATETIME: {
      need(8);
      std::uint64_t bits = Get32(b.data()) | static_cast<std::uint64_t>(Get32(b.data() + 4)) << 32;
      double d;
      std::memcpy(&d, &bits, 8);
      if (col.col_type == MDB_DATETIME) return Value::Text(DateTimeText(d));
      return Value::Double(d);
    }
    case MDB_NUMERIC:
      need(17);
      // libmdb 1.0.0 reads the Jet 4 precision and scale bytes the wrong way
      // round: the scale is in col_prec.
      return Value::Double(DecimalToDouble(b.data(), col.col_prec));
    case MDB_TEXT:
      return Value::Text(DecodeJetText(b.data(), b.size()));
    case MDB_MEMO: {
      Bytes text = ReadLongValue(b, "表 " + table + " 字段 " + col.name);
      return Value::Text(DecodeJetText(text.data(), text.size()));
    }
    case MDB_OLE: {
      Bytes data = ReadLongValue(b, "表 " + table + " 字段 " + col.name);
      return Value::Text(std::string(data.begin(), data.end()));
    }
    case MDB_REPID:
      need(16);
      return Value::Text(GuidText(b.data()));
    default:
      return Value::Text(std::string(b.begin(), b.end()));
  }
}

std::unique_ptr<Table> MdbReader::Impl::ReadTableAt(std::uint32_t tdef_page,
                                                    const std::string& name,
                                                    const std::vector<std::string>& only) {
  Page tdef;
  ReadPage(tdef_page, &tdef);
  if (tdef[0] != 0x02) Damaged("表 " + name + " 的定义页类型错误");
  MdbCatalogEntry entry;
  std::memset(&entry, 0, sizeof entry);
  entry.mdb = mdb_.get();
  std::snprintf(entry.object_name, sizeof entry.object_name, "%s", name.c_str());
  entry.object_type = MDB_TABLE;
  entry.table_pg = tdef_page;
  std::unique_ptr<MdbTableDef, TableDefFreer> def(mdb_read_table(&entry));
  if (!def) Damaged("无法读取表 " + name + " 的定义");
  // (The count of variable columns includes deleted ones, so it may exceed
  // the column count.)
  if (def->num_cols > kMaxColumns || def->num_real_idxs > 1000) {
    Damaged("表 " + name + " 的定义无效");
  }
  if (!mdb_read_columns(def.get()) || def->columns->len != def->num_cols) {
    Damaged("无法读取表 " + name + " 的字段");
  }
  std::vector<Column> columns;
  std::vector<bool> wanted;
  for (std::size_t i = 0; i < def->num_cols; ++i) {
    auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i));
    columns.push_back({col->name, KindOf(col->col_type)});
    bool want = only.empty();
    for (const std::string& o : only) want = want || FoldCase(o) == FoldCase(col->name);
    wanted.push_back(want);
  }
  auto table = std::make_unique<Table>(name, columns);
  if (def->num_cols == 0) return table;
  std::vector<RawField> fields;
  Page page;
  for (std::uint32_t page_number : DataPages(*def, name)) {
    ReadPage(page_number, &page);
    // Stale bits in a usage map are normal; only this table's data pages count.
    if (page[0] != 0x01 || Get32(&page[4]) != tdef_page) continue;
    unsigned count = Get16(&page[kRowCountOffset]);
    for (unsigned r = 0; r < count; ++r) {
      RowSpan span = LocateRow(page, page_number, r);
      if (span.deleted) continue;
      ReadRow(def.get(), page, span, name, &fields);
      std::vector<Value> row(def->num_cols);
      for (std::size_t i = 0; i < def->num_cols; ++i) {
        if (!wanted[i]) continue;
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i));
        row[i] = Decode(*col, fields[i], name);
      }
      table->AddRow(std::move(row));
    }
  }
  return table;
}

void MdbReader::Impl::ReadCatalog() {
  auto objects = ReadTableAt(kCatalogPage, "MSysObjects", {"Id", "Name", "Type", "Flags"});
  auto id = objects->FindColumn("Id");
  auto name = objects->FindColumn("Name");
  auto type = objects->FindColumn("Type");
  auto flags = objects->FindColumn("Flags");
  if (!id || !name || !type || !flags) Damaged("系统目录缺少字段");
  for (std::size_t r = 0; r < objects->row_count(); ++r) {
    const std::vector<Value>& row = objects->row(r);
    const Value& t = row[*type];
    if (t.kind() != Value::Kind::kInteger || (t.integer() & 0x7F) != MDB_TABLE) continue;
    if (row[*id].kind() != Value::Kind::kInteger || row[*name].kind() != Value::Kind::kText) {
      continue;
    }
    std::int64_t f = row[*flags].kind() == Value::Kind::kInteger ? row[*flags].integer() : 0;
    catalog_.push_back({row[*name].text(),
                        static_cast<std::uint32_t>(row[*id].integer() & 0x00FFFFFF),
                        (static_cast<std::uint32_t>(f) & 0x80000002u) != 0});
  }
}

std::unique_ptr<Table> MdbReader::Impl::ReadTable(std::string_view name) {
  std::string wanted = FoldCase(name);
  for (const CatalogItem& item : catalog_) {
    if (FoldCase(item.name) == wanted) return ReadTableAt(item.tdef_page, item.name, {});
  }
  throw Error("找不到表 '" + std::string(name) + "'：" + path_);
}

MdbReader::MdbReader(const std::string& path) : impl_(std::make_unique<Impl>(path)) {}
MdbReader::~MdbReader() = default;

std::vector<std::string> MdbReader::UserTableNames() const {
  std::vector<std::string> names;
  for (const auto& item : impl_->catalog()) {
    if (!item.system && item.name.rfind("MSys", 0) != 0) names.push_back(item.name);
  }
  return names;
}

std::unique_ptr<Table> MdbReader::ReadTable(std::string_view name) {
  return impl_->ReadTable(name);
}

}  // namespace generatesheet
