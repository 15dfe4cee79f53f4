#include "tools/mdb_column_types.h"

// libmdb's header needs glib's declarations first.
#include <glib.h>
#include <mdbtools.h>

#include "util/error.h"

namespace generatesheet::cli {

namespace {

struct HandleCloser {
  void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableDefFreer {
  void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

// The names the independent reader mdb-reader gives the Jet types.
const char* TypeName(int col_type) {
  switch (col_type) {
    case MDB_BOOL:
      return "boolean";
    case MDB_BYTE:
      return "byte";
    case MDB_INT:
      return "integer";
    case MDB_LONGINT:
      return "long";
    case MDB_MONEY:
      return "currency";
    case MDB_FLOAT:
      return "float";
    case MDB_DOUBLE:
      return "double";
    case MDB_DATETIME:
      return "datetime";
    case MDB_BINARY:
      return "binary";
    case MDB_TEXT:
      return "text";
    case MDB_OLE:
      return "ole";
    case MDB_MEMO:
      return "memo";
    case MDB_REPID:
      return "repid";
    case MDB_NUMERIC:
      return "numeric";
    case MDB_COMPLEX:
      return "complex";
    case 0x13:  // 64-bit integer (newer Access), unnamed in libmdb 1.0
      return "bigint";
    default:
      return "unknown";
  }
}

}  // namespace

class MdbColumnTypes::Impl {
 public:
  explicit Impl(const std::string& path) : path_(path), mdb_(mdb_open(path.c_str(), MDB_NOFLAGS)) {
    if (!mdb_ || !mdb_read_catalog(mdb_.get(), MDB_TABLE)) {
      throw Error("无法读取数据库文件的目录：" + path);
    }
  }

  std::vector<ColumnType> Columns(const std::string& table) {
    MdbCatalogEntry* entry = mdb_get_catalogentry_by_name(mdb_.get(), table.c_str());
    if (entry == nullptr) throw Error("找不到表 '" + table + "'：" + path_);
    std::unique_ptr<MdbTableDef, TableDefFreer> def(mdb_read_table(entry));
    if (!def || !mdb_read_columns(def.get())) {
      throw Error("无法读取表 " + table + " 的字段定义：" + path_);
    }
    std::vector<ColumnType> columns;
    for (guint i = 0; i < def->columns->len; ++i) {
      auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i));
      columns.push_back({col->name, TypeName(col->col_type)});
    }
    return columns;
  }

 private:
  std::string path_;
  std::unique_ptr<MdbHandle, HandleCloser> mdb_;
};

MdbColumnTypes::MdbColumnTypes(const std::string& path) : impl_(std::make_unique<Impl>(path)) {}
MdbColumnTypes::~MdbColumnTypes() = default;

std::vector<ColumnType> MdbColumnTypes::Columns(const std::string& table) {
  return impl_->Columns(table);
}

}  // namespace generatesheet::cli
