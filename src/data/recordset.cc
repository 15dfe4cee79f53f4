#include "data/recordset.h"

#include <optional>
#include <string>
#include <vector>

#include "data/collation.h"
#include "data/connection_impl.h"
#include "data/query.h"
#include "data/query_runner.h"
#include "util/error.h"

namespace generatesheet {

class Recordset::Impl {
 public:
  explicit Impl(ResultSet result) : result_(std::move(result)) {}

  bool Eof() const { return row_ >= result_.row_count(); }
  void MoveNext() {
    if (Eof())
      throw Error(
          "BOF 或 EOF 中有一个是“真”，或者当前的记录已被删除，所请求的操作要求一个当前的记录");
    ++row_;
  }

  const Value& Field(std::string_view name) const {
    const std::optional<std::size_t> column = Find(name);
    if (!column) {
      throw Error("在对应所需名称或序数的集合中，未找到项目：字段 " + std::string(name));
    }
    if (Eof()) {
      throw Error("BOF 或 EOF 中有一个是“真”，或者当前的记录已被删除，无法读取字段 " +
                  std::string(name));
    }
    return result_.at(row_, *column);
  }

  bool HasField(std::string_view name) const { return Find(name).has_value(); }

 private:
  // "table.column" matches that column of that table; a bare name matches
  // the first result column of that name.
  std::optional<std::size_t> Find(std::string_view name) const {
    const bool qualified = name.find('.') != std::string_view::npos;
    for (std::size_t i = 0; i < result_.columns().size(); ++i) {
      const ResultColumn& c = result_.columns()[i];
      if (qualified ? IsQualifiedName(name, c) : EqualsFolded(name, c.name)) return i;
    }
    return std::nullopt;
  }

  // Whether `name` is "table.column" for result column `c`.  Folding keeps
  // the length of every character, so the parts split at the same place.
  static bool IsQualifiedName(std::string_view name, const ResultColumn& c) {
    const std::size_t dot = c.table.size();
    return name.size() == dot + 1 + c.name.size() && name[dot] == '.' &&
           EqualsFolded(name.substr(0, dot), c.table) && EqualsFolded(name.substr(dot + 1), c.name);
  }

  ResultSet result_;
  std::size_t row_ = 0;
};

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

void Recordset::Open(std::string_view query, Connection& connection) {
  impl_.reset();  // a failed Open leaves the recordset closed
  if (!connection.IsOpen()) {
    throw Error("对象关闭时，不允许操作：连接未打开。查询：" + std::string(query));
  }
  impl_ = std::make_unique<Impl>(RunQuery(ParseQuery(query), connection.impl()));
}

bool Recordset::Eof() const { return !impl_ || impl_->Eof(); }

void Recordset::MoveNext() {
  if (!impl_) throw Error("对象关闭时，不允许操作：记录集未打开");
  impl_->MoveNext();
}

bool Recordset::HasField(std::string_view name) const { return impl_ && impl_->HasField(name); }

const Value& Recordset::Field(std::string_view name) const {
  if (!impl_)
    throw Error("对象关闭时，不允许操作：记录集未打开，无法读取字段 " + std::string(name));
  return impl_->Field(name);
}

}  // namespace generatesheet
