#include "builder/jet/database.h"

#include <strings.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "builder/jet/file_builder.h"
#include "util/error.h"

namespace generatesheet::jet {

Table& Database::AddTable(std::string name, std::vector<Column> columns) {
  for (const auto& t : tables_) {
    // Both readers look tables up ignoring ASCII case.
    if (strcasecmp(t->name().c_str(), name.c_str()) == 0) {
      throw Error("Access 数据库中已有表 " + t->name() + "，不能再添加表 " + name);
    }
  }
  tables_.push_back(std::make_unique<Table>(std::move(name), std::move(columns)));
  return *tables_.back();
}

Table& Database::GetTable(std::string_view name) {
  for (const auto& t : tables_) {
    if (t->name() == name) return *t;
  }
  throw Error("Access 数据库中没有表 " + std::string(name));
}

std::string Database::Serialize() const {
  std::vector<const Table*> tables;
  for (const auto& t : tables_) tables.push_back(t.get());
  return BuildFile(tables);
}

void Database::Save(const std::string& path) const {
  const std::string contents = Serialize();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    throw Error("无法写入 Access 数据库文件：" + path + "：" + ErrnoText(errno));
  }
  const bool written = std::fwrite(contents.data(), 1, contents.size(), f) == contents.size();
  const int write_errno = errno;
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    throw Error("无法写入 Access 数据库文件：" + path + "：" +
                ErrnoText(written ? errno : write_errno));
  }
}

}  // namespace generatesheet::jet
