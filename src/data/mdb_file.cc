#include "data/mdb_file.h"

// glib first: mdbtools.h includes it inside extern "C", which breaks its C++
// templates.
#include <fcntl.h>
#include <glib.h>
#include <mdbtools.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "data/jet_values.h"
#include "data/libmdb_messages.h"
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

}  // namespace

struct MdbFile::Handle {
  std::unique_ptr<MdbHandle, HandleCloser> mdb;
  std::vector<MdbField> cracked;  // scratch for CrackRow
  // The page whose bytes CrackRow last put into libmdb's page buffer: the
  // rows of one page are cracked one after another.
  std::uint32_t buffered_page = 0;
};

struct MdbFile::Definition::Handle {
  // libmdb keeps a pointer to the catalog entry in the definition.
  MdbCatalogEntry entry;
  std::unique_ptr<MdbTableDef, TableDefFreer> def;
};

MdbFile::Definition::Definition() : handle_(std::make_unique<Handle>()) {}
MdbFile::Definition::~Definition() = default;

MdbFile::MdbFile(const std::string& path) : path_(path), mdb_(std::make_unique<Handle>()) {
  CheckFile();
  LibmdbMessages messages(path_);
  mdb_->mdb.reset(mdb_open(path_.c_str(), MDB_NOFLAGS));
  if (!mdb_->mdb) throw Error("无法打开 Access 数据库：" + path_);
  if (mdb_->mdb->fmt->pg_size != static_cast<ssize_t>(kJetPageSize)) {
    throw Error("不是 Access 2000/2003 (Jet 4) 数据库：" + path_);
  }
}

MdbFile::~MdbFile() {
  LibmdbMessages messages(path_);
  mdb_->mdb.reset();
}

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

std::unique_ptr<MdbFile::Definition> MdbFile::ReadDefinition(std::uint32_t tdef_page,
                                                             const std::string& name) {
  MdbHandle* mdb = mdb_->mdb.get();
  const JetPage& tdef = Page(tdef_page);
  if (tdef[0] != 0x02) ThrowDamaged(path_, "表 " + name + " 的定义页类型错误");
  const MdbFormatConstants& format = *mdb->fmt;
  if (Get16(&tdef[format.tab_num_cols_offset]) > kMaxColumns ||
      Get32(&tdef[format.tab_num_idxs_offset]) > kMaxIndexes ||
      Get32(&tdef[format.tab_num_ridxs_offset]) > kMaxIndexes) {
    ThrowDamaged(path_, "表 " + name + " 的定义无效");
  }
  std::unique_ptr<Definition> definition(new Definition());
  MdbCatalogEntry& entry = definition->handle_->entry;
  std::memset(&entry, 0, sizeof entry);
  entry.mdb = mdb;
  std::snprintf(entry.object_name, sizeof entry.object_name, "%s", name.c_str());
  entry.object_type = MDB_TABLE;
  entry.table_pg = tdef_page;

  // mdb_read_pg skips the read when it believes the page is still in its
  // buffer; CrackRow overwrites that buffer, so never let it believe so.
  mdb->cur_pg = 0;
  mdb_->buffered_page = 0;
  LibmdbMessages messages(path_);
  definition->handle_->def.reset(mdb_read_table(&entry));
  MdbTableDef* def = definition->handle_->def.get();
  if (!def) ThrowDamaged(path_, "无法读取表 " + name + " 的定义");
  // (The count of variable columns includes deleted ones, so it may exceed
  // the column count.)
  if (def->num_cols > kMaxColumns || def->num_real_idxs > static_cast<int>(kMaxIndexes)) {
    ThrowDamaged(path_, "表 " + name + " 的定义无效");
  }
  if (!mdb_read_columns(def) || def->columns->len != def->num_cols) {
    ThrowDamaged(path_, "无法读取表 " + name + " 的字段");
  }
  for (std::size_t i = 0; i < def->num_cols; ++i) {
    auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i));
    // libmdb 1.0.0 reads the Jet 4 precision and scale bytes the wrong way
    // round: the scale is in col_prec.
    definition->columns_.push_back({col->name, col->col_type, col->col_prec});
  }
  const auto* map = static_cast<const unsigned char*>(def->usage_map);
  if (map != nullptr && def->map_sz > 0) definition->usage_map_.assign(map, map + def->map_sz);
  return definition;
}

void MdbFile::CrackRow(const Definition& definition, const JetPage& page, const RowSpan& span,
                       const std::string& table, std::vector<RawField>* fields) {
  MdbHandle* mdb = mdb_->mdb.get();
  MdbTableDef* def = definition.handle_->def.get();
  if (mdb_->buffered_page != span.page || span.page == 0) {
    std::memcpy(mdb->pg_buf, page.data(), kJetPageSize);
    mdb->cur_pg = 0;  // the buffer no longer holds the page libmdb last read
    mdb_->buffered_page = span.page;
  }
  std::vector<MdbField>& cracked = mdb_->cracked;
  cracked.assign(def->num_cols, MdbField{});
  {
    LibmdbMessages messages(path_);
    if (mdb_crack_row(def, static_cast<int>(span.start), span.size, cracked.data()) < 0) {
      ThrowDamaged(path_, "表 " + table + " 有无法解析的行");
    }
  }
  fields->assign(def->num_cols, RawField{});
  for (std::size_t i = 0; i < def->num_cols; ++i) {
    const MdbField& f = cracked[i];
    RawField& out = (*fields)[i];
    out.is_null = f.is_null;
    if (f.siz == 0) continue;
    if (f.siz < 0 || f.start < static_cast<int>(span.start) ||
        static_cast<std::size_t>(f.start) + f.siz > span.start + span.size) {
      ThrowDamaged(path_, "表 " + table + " 有字段位置无效的行");
    }
    out.bytes = std::span<const unsigned char>(page.data() + f.start, f.siz);
  }
}

}  // namespace generatesheet
