#include "data/mdb_reader.h"

#include <functional>
#include <span>

#include "data/collation.h"
#include "data/jet_values.h"
#include "util/error.h"

namespace generatesheet {

namespace {

constexpr int kMaxOverflowHops = 8;
constexpr int kJetTableObject = 1;  // the catalog's Type of a table

// Every field of one row, and the row's whole data of each long value.
using RowVisitor = std::function<void(std::vector<RawField>& fields, std::vector<Bytes>& longs)>;

}  // namespace

class MdbReader::Impl {
 public:
  explicit Impl(const std::string& path) : file_(path) { ReadCatalog(); }

  struct CatalogItem {
    std::string name;
    std::uint32_t tdef_page;
    bool system;
  };
  const std::vector<CatalogItem>& catalog() const { return catalog_; }
  const CatalogItem& Find(std::string_view name) const;

  // Reads the definition of the table at `tdef_page` and calls `visit` for
  // each row; `wanted` (by column, empty = all) says whose long values to
  // read.
  std::vector<JetColumn> WalkTable(std::uint32_t tdef_page, const std::string& name,
                                   const std::vector<bool>& wanted, const RowVisitor& visit);
  std::unique_ptr<Table> ReadTableAt(std::uint32_t tdef_page, const std::string& name,
                                     const std::vector<std::string>& only);
  std::vector<JetColumn> Columns(const CatalogItem& item);

  const std::string& path() const { return file_.path(); }

 private:
  [[noreturn]] void Damaged(const std::string& detail) const { ThrowDamaged(path(), detail); }
  void ReadCatalog();
  std::vector<std::uint32_t> DataPages(const Bytes& map, const std::string& table);
  // The page and place of the row at `span` of `page`, following overflow
  // pointers; *moved holds the page when the row lives elsewhere.
  const JetPage& Follow(const JetPage& page, RowSpan* span, JetPage* moved,
                        const std::string& table);
  // The whole data of the memo or OLE value whose field is `header`, into
  // `out`.
  void ReadLongValue(std::span<const unsigned char> header, const FieldPlace& place, Bytes* out);

  MdbFile file_;
  std::vector<CatalogItem> catalog_;
};

std::vector<std::uint32_t> MdbReader::Impl::DataPages(const Bytes& map, const std::string& table) {
  std::size_t size = map.size();
  std::vector<std::uint32_t> pages;
  if (size < 1) Damaged("表 " + table + " 的页面使用图为空");
  const std::uint32_t page_count = file_.page_count();
  if (map[0] == 0) {
    // Inline bitmap: first page, then one bit per page from there.
    if (size < 5) Damaged("表 " + table + " 的页面使用图过短");
    std::uint64_t first = Get32(map.data() + 1);
    for (std::size_t i = 0; i < (size - 5) * 8; ++i) {
      if (map[5 + i / 8] & (1 << (i % 8))) {
        std::uint64_t page = first + i;
        if (page >= page_count) Damaged("表 " + table + " 的页面使用图指向文件之外");
        pages.push_back(static_cast<std::uint32_t>(page));
      }
    }
  } else if (map[0] == 1) {
    // Pointers to bitmap pages, each covering (page size - 4) * 8 pages.
    const std::uint64_t per_map = (kJetPageSize - 4) * 8;
    for (std::size_t m = 0; m < (size - 1) / 4; ++m) {
      std::uint32_t map_page = Get32(map.data() + 1 + 4 * m);
      if (map_page == 0) continue;
      const JetPage& bitmap = file_.Page(map_page);
      if (bitmap[0] != 0x05) Damaged("表 " + table + " 的页面使用图页类型错误");
      for (std::uint64_t i = 0; i < per_map; ++i) {
        if (bitmap[4 + i / 8] & (1 << (i % 8))) {
          std::uint64_t page = m * per_map + i;
          if (page >= page_count) Damaged("表 " + table + " 的页面使用图指向文件之外");
          pages.push_back(static_cast<std::uint32_t>(page));
        }
      }
    }
  } else {
    Damaged("表 " + table + " 的页面使用图类型未知");
  }
  return pages;
}

const JetPage& MdbReader::Impl::Follow(const JetPage& page, RowSpan* span, JetPage* moved,
                                       const std::string& table) {
  const JetPage* where = &page;
  for (int hop = 0; span->overflow; ++hop) {
    if (hop == kMaxOverflowHops || span->size < 4) Damaged("表 " + table + " 的溢出行无效");
    std::uint32_t pointer = Get32(&(*where)[span->start]);
    std::uint32_t target = pointer >> 8;
    file_.ReadPage(target, moved);
    if ((*moved)[0] != kJetDataPage) Damaged("表 " + table + " 的溢出行指向非数据页");
    where = moved;
    *span = LocateRow(*moved, target, pointer & 0xFF, path(), true);
  }
  return *where;
}

// The bytes of a memo or OLE value from its 12-byte header: inline after
// it, in one row of an LVAL page, or in a chain of such rows.
void MdbReader::Impl::ReadLongValue(std::span<const unsigned char> header, const FieldPlace& place,
                                    Bytes* out) {
  Bytes& data = *out;
  data.clear();
  if (header.size() < 12) Damaged(place.Describe() + " 的长值头不完整");
  std::uint32_t word = Get32(header.data());
  std::size_t length = word & 0x3FFFFFFF;
  if (word & 0x80000000) {
    data.assign(header.begin() + 12, header.end());
  } else {
    bool single = word & 0x40000000;
    std::uint32_t pointer = Get32(header.data() + 4);
    for (std::uint32_t hops = 0; pointer != 0 && data.size() < length; ++hops) {
      if (hops > file_.page_count()) Damaged(place.Describe() + " 的长值页链成环");
      std::uint32_t page_number = pointer >> 8;
      const JetPage& page = file_.Page(page_number);
      RowSpan span = LocateRow(page, page_number, pointer & 0xFF, path(), true);
      if (page[0] != kJetDataPage) Damaged(place.Describe() + " 的长值指向无效的行");
      if (single) {
        data.assign(page.begin() + span.start, page.begin() + span.start + span.size);
        break;
      }
      if (span.size < 4) Damaged(place.Describe() + " 的长值行过短");
      pointer = Get32(&page[span.start]);
      data.insert(data.end(), page.begin() + span.start + 4, page.begin() + span.start + span.size);
    }
    if (data.size() < length) Damaged(place.Describe() + " 的长值不完整");
  }
  if (data.size() > length) data.resize(length);
}

std::vector<JetColumn> MdbReader::Impl::WalkTable(std::uint32_t tdef_page, const std::string& name,
                                                  const std::vector<bool>& wanted,
                                                  const RowVisitor& visit) {
  std::unique_ptr<MdbFile::Definition> def = file_.ReadDefinition(tdef_page, name);
  const std::vector<JetColumn>& columns = def->columns();
  if (columns.empty()) return columns;
  JetPage page;
  JetPage moved;
  std::vector<RawField> fields;
  std::vector<Bytes> longs(columns.size());
  for (std::uint32_t page_number : DataPages(def->usage_map(), name)) {
    file_.ReadPage(page_number, &page);
    // Stale bits in a usage map are normal; only this table's data pages count.
    if (page[0] != kJetDataPage || Get32(&page[4]) != tdef_page) continue;
    unsigned count = Get16(&page[kRowCountOffset]);
    for (unsigned r = 0; r < count; ++r) {
      RowSpan span = LocateRow(page, page_number, r, path());
      if (span.deleted) continue;
      const JetPage& where = Follow(page, &span, &moved, name);
      file_.CrackRow(*def, where, span, name, &fields);
      for (std::size_t i = 0; i < columns.size(); ++i) {
        longs[i].clear();
        const bool want = wanted.empty() || wanted[i];
        if (want && !fields[i].is_null && IsLongValueType(columns[i].type)) {
          ReadLongValue(fields[i].bytes, {path(), name, columns[i].name}, &longs[i]);
        }
      }
      visit(fields, longs);
    }
  }
  return columns;
}

std::unique_ptr<Table> MdbReader::Impl::ReadTableAt(std::uint32_t tdef_page,
                                                    const std::string& name,
                                                    const std::vector<std::string>& only) {
  std::unique_ptr<Table> table;
  std::vector<bool> wanted;
  std::vector<JetColumn> columns;
  auto visit = [&](std::vector<RawField>& fields, std::vector<Bytes>& longs) {
    std::vector<Value> row(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (!wanted[i]) continue;
      const JetColumn& col = columns[i];
      std::span<const unsigned char> data = fields[i].bytes;
      if (IsLongValueType(col.type)) data = longs[i];
      row[i] =
          DecodeJetValue(col.type, col.scale, fields[i].is_null, data, {path(), name, col.name});
    }
    table->AddRow(std::move(row));
  };
  // The columns come with the definition, before the first row.
  columns = Columns({name, tdef_page, false});
  std::vector<Column> kinds;
  for (const JetColumn& col : columns) {
    kinds.push_back({col.name, JetColumnKind(col.type)});
    bool want = only.empty();
    for (const std::string& o : only) want = want || FoldCase(o) == FoldCase(col.name);
    wanted.push_back(want);
  }
  table = std::make_unique<Table>(name, kinds);
  WalkTable(tdef_page, name, wanted, visit);
  return table;
}

std::vector<JetColumn> MdbReader::Impl::Columns(const CatalogItem& item) {
  return file_.ReadDefinition(item.tdef_page, item.name)->columns();
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
    if (t.kind() != Value::Kind::kInteger || (t.integer() & 0x7F) != kJetTableObject) continue;
    if (row[*id].kind() != Value::Kind::kInteger || row[*name].kind() != Value::Kind::kText) {
      continue;
    }
    std::int64_t f = row[*flags].kind() == Value::Kind::kInteger ? row[*flags].integer() : 0;
    catalog_.push_back({row[*name].text(),
                        static_cast<std::uint32_t>(row[*id].integer() & 0x00FFFFFF),
                        (static_cast<std::uint32_t>(f) & 0x80000002u) != 0});
  }
}

const MdbReader::Impl::CatalogItem& MdbReader::Impl::Find(std::string_view name) const {
  std::string wanted = FoldCase(name);
  for (const CatalogItem& item : catalog_) {
    if (FoldCase(item.name) == wanted) return item;
  }
  throw Error("找不到表 '" + std::string(name) + "'：" + path());
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
  const Impl::CatalogItem& item = impl_->Find(name);
  return impl_->ReadTableAt(item.tdef_page, item.name, {});
}

std::vector<JetColumn> MdbReader::Columns(std::string_view name) {
  return impl_->Columns(impl_->Find(name));
}

MdbReader::StoredTable MdbReader::ReadStoredTable(std::string_view name) {
  const Impl::CatalogItem& item = impl_->Find(name);
  StoredTable table;
  table.name = item.name;
  table.columns = impl_->Columns(item);
  auto visit = [&](std::vector<RawField>& fields, std::vector<Bytes>& longs) {
    std::vector<StoredField> row(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const JetColumn& col = table.columns[i];
      row[i].is_null = fields[i].is_null;
      row[i].stored.assign(fields[i].bytes.begin(), fields[i].bytes.end());
      row[i].long_value = std::move(longs[i]);
      const Bytes& data = IsLongValueType(col.type) ? row[i].long_value : row[i].stored;
      row[i].value = DecodeJetValue(col.type, col.scale, row[i].is_null, data,
                                    {impl_->path(), item.name, col.name});
    }
    table.rows.push_back(std::move(row));
  };
  impl_->WalkTable(item.tdef_page, item.name, {}, visit);
  return table;
}

}  // namespace generatesheet
