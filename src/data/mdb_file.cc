#include "data/mdb_file.h"

// glib first: mdbtools.h includes it inside extern "C", which breaks its C++
// templates.
#include <fcntl.h>
#include <glib.h>
#include <mdbtools.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>

#include "util/error.h"

namespace generatesheet {

namespace {

// The most a Jet 4 table can hold; a definition that claims more is damaged,
// and libmdb would size its work by the claim.
constexpr std::size_t kMaxColumns = 255;
constexpr std::uint32_t kMaxIndexes = 1000;

struct HandleCloser {
  void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableDefFreer {
  void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using TableDefPtr = std::unique_ptr<MdbTableDef, TableDefFreer>;

// Reads the bytes of a table definition as libmdb's mdb_read_columns does
// (through read_pg_if_n), page by page along the chain, so that every page
// it will load is known before it is called.  libmdb moves to the next page
// also when a read ends exactly at the end of one.
class DefinitionChain {
 public:
  using Loader = std::function<void(std::uint32_t page, JetPage* out)>;
  DefinitionChain(const JetPage& first, std::size_t position, Loader load)
      : page_(first), position_(position), load_(std::move(load)) {}

  void Read(std::size_t size, unsigned char* out) {
    while (position_ >= kJetPageSize) {
      Next();
      position_ -= kJetPageSize - kTableDefinitionPageHeader;
    }
    while (position_ + size >= kJetPageSize) {
      const std::size_t piece = kJetPageSize - position_;
      if (out != nullptr) out = std::copy_n(page_.data() + position_, piece, out);
      size -= piece;
      Next();
      position_ = kTableDefinitionPageHeader;
    }
    if (out != nullptr) std::copy_n(page_.data() + position_, size, out);
    position_ += size;
  }

 private:
  void Next() { load_(Get32(&page_[4]), &page_); }

  JetPage page_;
  std::size_t position_;
  Loader load_;
};

}  // namespace

struct MdbFile::Handle {
  std::unique_ptr<MdbHandle, HandleCloser> mdb;
};

MdbFile::Definition::Definition() = default;
MdbFile::Definition::~Definition() = default;

MdbFile::MdbFile(const std::string& path) : path_(path), mdb_(std::make_unique<Handle>()) {
  CheckFile();
  // libmdb opens the file checked above, not whatever may have taken its
  // name since.
  const std::string opened = "/proc/self/fd/" + std::to_string(fd_.get());
  struct stat st;
  const std::string& name = ::stat(opened.c_str(), &st) == 0 ? opened : path_;
  mdb_->mdb.reset(mdb_open(name.c_str(), MDB_NOFLAGS));
  if (!mdb_->mdb) throw Error("无法打开 Access 数据库：" + path_);
  if (mdb_->mdb->fmt->pg_size != static_cast<ssize_t>(kJetPageSize)) {
    throw Error("不是 Access 2000/2003 (Jet 4) 数据库：" + path_);
  }
}

MdbFile::~MdbFile() = default;

// Checks what libmdb takes on trust before it touches the file: that it is a
// readable regular file with a Jet 4 header and room for the catalog.  The
// descriptor opened here is the one pages are read through.
void MdbFile::CheckFile() {
  fd_.Reset(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd_.valid()) {
    if (errno == ENOENT) throw Error("找不到数据库文件：" + path_);
    throw SystemError("无法读取数据库文件", path_, errno);
  }
  struct stat st;
  if (::fstat(fd_.get(), &st) != 0) throw SystemError("无法读取数据库文件", path_, errno);
  if (!S_ISREG(st.st_mode)) throw Error("数据库路径不是文件：" + path_);
  unsigned char header[0x20] = {};
  std::size_t got = ReadUpTo(fd_.get(), header, sizeof header, path_);
  static const unsigned char kMagic[] = {0x00, 0x01, 0x00, 0x00, 'S', 't', 'a', 'n', 'd', 'a',
                                         'r',  'd',  ' ',  'J',  'e', 't', ' ', 'D', 'B', 0};
  if (got < sizeof header || std::memcmp(header, kMagic, sizeof kMagic) != 0) {
    throw Error("不是 Access 数据库文件：" + path_);
  }
  if (header[0x14] != 0x01) throw Error("不是 Access 2000/2003 (Jet 4) 数据库：" + path_);
  if (st.st_size < static_cast<off_t>(kJetPageSize * (kCatalogPage + 1))) {
    ThrowDamaged(path_, "文件过短，没有系统目录");
  }
  page_count_ = static_cast<std::uint32_t>((st.st_size + kJetPageSize - 1) / kJetPageSize);
  pages_ = std::make_unique<PageCache>(fd_.get(), page_count_, path_);
}

const JetPage& MdbFile::Page(std::uint32_t page) {
  if (page == 0 || page >= page_count_) {
    ThrowDamaged(path_, "页号 " + std::to_string(page) + " 超出文件范围");
  }
  return pages_->Get(page);
}

// Checks the row `pointer` (page << 8 | row) that holds one of a table's
// usage maps as libmdb's mdb_find_pg_row will find it.
void MdbFile::CheckMapRow(std::uint32_t pointer, const std::string& name) {
  const std::uint32_t page_number = pointer >> 8, row = pointer & 0xFF;
  if (page_number == 0 || page_number >= page_count_) {
    ThrowDamaged(path_, "无法读取表 " + name + " 的定义");
  }
  const JetPage& page = Page(page_number);
  const unsigned start = Get16(&page[kRowCountOffset + 2 + row * 2]) & 0x1FFF;
  const unsigned end = row == 0 ? kJetPageSize : Get16(&page[kRowCountOffset + row * 2]) & 0x1FFFu;
  if (start >= kJetPageSize || start > end || end > kJetPageSize) {
    ThrowDamaged(path_, "无法读取表 " + name + " 的定义");
  }
}

// Reads the column entries and names of the definition `tdef` as
// mdb_read_columns will, checking that each page it moves to lies in the
// file.
void MdbFile::CheckColumnChain(const JetPage& tdef, const std::string& name) {
  const MdbFormatConstants& format = *mdb_->mdb->fmt;
  const std::size_t columns = Get16(&tdef[format.tab_num_cols_offset]);
  const std::size_t indexes = Get32(&tdef[format.tab_num_ridxs_offset]);
  DefinitionChain chain(tdef, format.tab_cols_start_offset + indexes * format.tab_ridx_entry_size,
                        [&](std::uint32_t page, JetPage* out) {
                          if (page >= page_count_) {
                            ThrowDamaged(path_, "无法读取表 " + name + " 的字段");
                          }
                          *out = pages_->Get(page);  // libmdb reads page 0 too
                        });
  chain.Read(columns * format.tab_col_entry_size, nullptr);
  for (std::size_t i = 0; i < columns; ++i) {
    unsigned char size[2];
    chain.Read(2, size);
    chain.Read(Get16(size), nullptr);
  }
}

std::unique_ptr<MdbFile::Definition> MdbFile::ReadDefinition(std::uint32_t tdef_page,
                                                             const std::string& name) {
  MdbHandle* mdb = mdb_->mdb.get();
  JetPage tdef;
  ReadPage(tdef_page, &tdef);
  if (tdef[0] != kJetTableDefinitionPage) ThrowDamaged(path_, "表 " + name + " 的定义页类型错误");
  const MdbFormatConstants& format = *mdb->fmt;
  if (Get16(&tdef[format.tab_num_cols_offset]) > kMaxColumns ||
      Get32(&tdef[format.tab_num_idxs_offset]) > kMaxIndexes ||
      Get32(&tdef[format.tab_num_ridxs_offset]) > kMaxIndexes) {
    ThrowDamaged(path_, "表 " + name + " 的定义无效");
  }
  CheckMapRow(Get32(&tdef[format.tab_usage_map_offset]), name);
  CheckMapRow(Get32(&tdef[format.tab_free_map_offset]), name);
  CheckColumnChain(tdef, name);

  MdbCatalogEntry entry;  // libmdb keeps a pointer to it only in the definition freed here
  std::memset(&entry, 0, sizeof entry);
  entry.mdb = mdb;
  std::snprintf(entry.object_name, sizeof entry.object_name, "%s", name.c_str());
  entry.object_type = MDB_TABLE;
  entry.table_pg = tdef_page;
  // The definition page goes into libmdb's page buffer, so that it reads
  // the page checked above rather than the file again.
  std::memcpy(mdb->pg_buf, tdef.data(), kJetPageSize);
  mdb->cur_pg = tdef_page;
  TableDefPtr def(mdb_read_table(&entry));
  if (!def) ThrowDamaged(path_, "无法读取表 " + name + " 的定义");
  if (!mdb_read_columns(def.get()) || def->columns->len != def->num_cols) {
    ThrowDamaged(path_, "无法读取表 " + name + " 的字段");
  }
  std::unique_ptr<Definition> definition(new Definition());
  for (std::size_t i = 0; i < def->num_cols; ++i) {
    auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i));
    // libmdb 1.0.0 reads the Jet 4 precision and scale bytes the wrong way
    // round: the scale is in col_prec.
    definition->columns_.push_back({col->name, col->col_type, col->col_prec});
    definition->places_.push_back({static_cast<unsigned>(col->col_num), col->is_fixed != 0,
                                   static_cast<unsigned>(col->fixed_offset),
                                   static_cast<unsigned>(col->col_size),
                                   static_cast<unsigned>(col->var_col_num)});
  }
  definition->has_variable_columns_ = def->num_var_cols > 0;
  const auto* map = static_cast<const unsigned char*>(def->usage_map);
  if (map != nullptr && def->map_sz > 0) definition->usage_map_.assign(map, map + def->map_sz);
  return definition;
}

// A Jet 4 row: the count of its columns; the fixed values; the variable
// values; their offsets in the row, last first, one more than there are
// values, and their count; the null mask (a set bit is a value).
void MdbFile::CrackRow(const Definition& definition, const JetPage& page, const RowSpan& span,
                       const std::string& table, std::vector<RawField>* fields) {
  auto unreadable = [&] { ThrowDamaged(path_, "表 " + table + " 有无法解析的行"); };
  const unsigned char* row = page.data() + span.start;
  const std::size_t size = span.size;
  if (size < 2) unreadable();
  const std::size_t row_columns = Get16(row);
  const std::size_t mask_size = (row_columns + 7) / 8;
  if (2 + mask_size > size) unreadable();
  const unsigned char* mask = row + size - mask_size;
  std::size_t variable_count = 0;
  const unsigned char* offsets = nullptr;  // the first value's offset
  if (definition.has_variable_columns_) {
    if (2 + 2 + mask_size > size) unreadable();
    variable_count = Get16(row + size - mask_size - 2);
    if (2 + 2 * (variable_count + 1) + 2 + mask_size > size || variable_count > row_columns) {
      unreadable();
    }
    offsets = row + size - mask_size - 4;
  }
  const std::size_t fixed_count = row_columns - variable_count;
  std::size_t fixed_found = 0;
  fields->assign(definition.places_.size(), RawField{});
  for (std::size_t i = 0; i < definition.places_.size(); ++i) {
    const Definition::Place& place = definition.places_[i];
    RawField& out = (*fields)[i];
    const std::size_t byte = place.number / 8;
    out.is_null = byte >= mask_size || !(mask[byte] & (1u << place.number % 8));
    std::size_t start = 0, end = 0;
    if (place.fixed && fixed_found < fixed_count) {
      start = place.fixed_offset + 2;
      end = start + place.size;
      ++fixed_found;
    } else if (!place.fixed && place.variable_index < variable_count) {
      start = Get16(offsets - 2 * place.variable_index);
      end = Get16(offsets - 2 * (place.variable_index + 1));
      if (end < start) ThrowDamaged(path_, "表 " + table + " 有字段位置无效的行");
    } else {
      out.is_null = true;
    }
    if (end > size) unreadable();
    if (end > start) out.bytes = std::span<const unsigned char>(row + start, end - start);
  }
}

}  // namespace generatesheet
