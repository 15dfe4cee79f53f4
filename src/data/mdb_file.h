// The one owner of libmdb in the project: an open Jet 4 file, its pages,
// the table definitions libmdb parses and the rows it cracks.  Nothing else
// includes mdbtools.h.
//
// libmdb trusts the file, and prints to stderr when it meets a damaged
// one.  This class checks everything libmdb is handed before each call, so
// that no call can follow a pointer out of the file, size its work by a
// damaged count or reach one of its printing paths: the header before
// mdb_open; before mdb_read_table the definition's counts, the rows holding
// its usage maps and every page of its chain that mdb_read_columns will
// read.  Rows are cracked here, not by libmdb: checking a row for
// mdb_crack_row would be cracking it.  libmdb's catalog and property
// parsers are never used (the reader walks the catalog itself).
//
// Not thread-safe: one file belongs to one thread at a time.
#ifndef GENERATESHEET_DATA_MDB_FILE_H_
#define GENERATESHEET_DATA_MDB_FILE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <span>

#include "data/jet_page.h"
#include "data/page_cache.h"
#include "util/file_descriptor.h"

namespace generatesheet {

struct JetColumn {
  std::string name;
  int type = 0;   // a JetType
  int scale = 0;  // numeric columns
};

// One field of a row as stored: the null flag and the bytes in the row,
// which lie in the page the row was cracked from.
struct RawField {
  bool is_null = true;
  std::span<const unsigned char> bytes;
};

class MdbFile {
 public:
  // Opens the file at `path` (a native path).  Throws Error naming the file
  // when it is missing, unreadable, not a Jet 4 database or too short to
  // hold a catalog.
  explicit MdbFile(const std::string& path);
  ~MdbFile();
  MdbFile(const MdbFile&) = delete;
  MdbFile& operator=(const MdbFile&) = delete;

  const std::string& path() const { return path_; }
  std::uint32_t page_count() const { return page_count_; }

  // Page `page`, valid until the next call of Page or ReadPage; throws
  // Error (damaged file) for a page outside the file or a failed read.
  const JetPage& Page(std::uint32_t page);
  // Page as a copy of its own, for a caller that reads other pages while
  // it holds this one.
  void ReadPage(std::uint32_t page, JetPage* out) { *out = Page(page); }

  // A table definition as libmdb parses it, from its first page.
  class Definition {
   public:
    ~Definition();
    const std::vector<JetColumn>& columns() const { return columns_; }
    const Bytes& usage_map() const { return usage_map_; }

   private:
    friend class MdbFile;
    // Where a column's value lies in a row, in column order.
    struct Place {
      unsigned number = 0;  // the bit in the null mask
      bool fixed = false;
      unsigned fixed_offset = 0;  // after the row's column count
      unsigned size = 0;          // of a fixed value
      unsigned variable_index = 0;
    };
    Definition();
    std::vector<JetColumn> columns_;
    std::vector<Place> places_;
    bool has_variable_columns_ = false;
    Bytes usage_map_;
  };

  // The definition of table `name` whose first page is `tdef_page`.  Throws
  // Error (damaged file) when the page is no definition or its counts are
  // beyond what a Jet 4 table can hold.
  std::unique_ptr<Definition> ReadDefinition(std::uint32_t tdef_page, const std::string& name);

  // The fields of the row at `span` of `page` (the page numbered
  // span.page), in column order, into
  // `fields` (whose views point into `page`).  Throws Error (damaged file)
  // naming `table` when the row cannot be cracked or a field lies outside
  // it.
  void CrackRow(const Definition& definition, const JetPage& page, const RowSpan& span,
                const std::string& table, std::vector<RawField>* fields);

 private:
  struct Handle;
  void CheckFile();
  void CheckMapRow(std::uint32_t pointer, const std::string& name);
  void CheckColumnChain(const JetPage& tdef, const std::string& name);

  std::string path_;
  std::uint32_t page_count_ = 0;
  FileDescriptor fd_;  // the reader's own, for pages
  std::unique_ptr<PageCache> pages_;
  std::unique_ptr<Handle> mdb_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_MDB_FILE_H_
