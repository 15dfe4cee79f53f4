#include "jetwriter/libmdb_dump.h"

// clang-format off
#include <glib.h>
#include <mdbtools.h>
// clang-format on

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace generatesheet::testing {

namespace {

struct HandleCloser {
  void operator()(MdbHandle* h) const { mdb_close(h); }
};
struct TableFreer {
  void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};

// The whole memo through libmdb's long-value reader, which starts from the
// 12-byte header in the column's bind buffer.
std::string ReadMemo(MdbHandle* mdb, MdbColumn* col, const MdbField& field) {
  std::vector<char> buffer(2 * MDB_PGSIZE);
  std::memcpy(buffer.data(), field.value, 12);
  col->bind_ptr = buffer.data();
  col->cur_value_start = field.start;
  col->cur_value_len = field.siz;
  size_t size = 0;
  void* data = mdb_ole_read_full(mdb, col, &size);
  col->bind_ptr = nullptr;
  if (data == nullptr)
    throw std::runtime_error("libmdb cannot read memo " + std::string(col->name));
  std::string out(static_cast<char*>(data), size);
  std::free(data);
  return out;
}

LibmdbTable ReadTable(MdbHandle* mdb, MdbCatalogEntry* entry) {
  std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(entry));
  if (!table || !mdb_read_columns(table.get())) {
    throw std::runtime_error("libmdb cannot read table " + std::string(entry->object_name));
  }
  LibmdbTable out;
  for (unsigned i = 0; i < table->num_cols; ++i) {
    auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
    out.columns.push_back({col->name, col->col_type});
  }
  std::vector<MdbField> fields(table->num_cols);
  mdb_rewind_table(table.get());
  while (mdb_fetch_row(table.get())) {
    int start = 0;
    size_t size = 0;
    if (mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &start, &size) != 0 ||
        mdb_crack_row(table.get(), start & 0x1FFF, size, fields.data()) < 0) {
      throw std::runtime_error("libmdb cannot crack a row of " + std::string(entry->object_name));
    }
    std::vector<LibmdbField> row;
    for (unsigned i = 0; i < table->num_cols; ++i) {
      const MdbField& f = fields[i];
      auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, f.colnum));
      LibmdbField field;
      field.is_null = f.is_null;
      if (!f.is_null && col->col_type == MDB_MEMO) {
        field.memo_flags = static_cast<const uint8_t*>(f.value)[3];
        field.bytes = ReadMemo(mdb, col, f);
      } else if (!f.is_null && col->col_type != MDB_BOOL) {
        field.bytes.assign(static_cast<const char*>(f.value), f.siz);
        char* text = mdb_col_to_string(mdb, mdb->pg_buf, f.start, col->col_type, f.siz);
        field.text = text;
        g_free(text);
      }
      row.push_back(std::move(field));
    }
    out.rows.push_back(std::move(row));
  }
  return out;
}

}  // namespace

std::map<std::string, LibmdbTable> ReadWithLibmdb(const std::string& path) {
  std::unique_ptr<MdbHandle, HandleCloser> mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
  if (!mdb) throw std::runtime_error("libmdb cannot open " + path);
  if (mdb_read_catalog(mdb.get(), MDB_ANY) == nullptr) {
    throw std::runtime_error("libmdb cannot read the catalog of " + path);
  }
  std::map<std::string, LibmdbTable> tables;
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (!mdb_is_user_table(entry)) continue;
    // Look the entry up by name, the way the data layer opens tables.
    MdbCatalogEntry* by_name = mdb_get_catalogentry_by_name(mdb.get(), entry->object_name);
    tables[entry->object_name] = ReadTable(mdb.get(), by_name);
  }
  return tables;
}

}  // namespace generatesheet::testing
