#include "data/query_runner.h"

#include <algorithm>
#include <optional>

#include "data/collation.h"
#include "util/error.h"

namespace generatesheet {

namespace {

// The rows of a join: for each, the row of every table, side by side.
struct Tuples {
  std::size_t width;
  std::vector<std::size_t> rows;
  std::size_t size() const { return rows.size() / width; }
  const std::size_t* operator[](std::size_t i) const { return rows.data() + i * width; }
};

struct BoundColumn {
  std::size_t table;
  std::size_t column;
};

// One side of a condition, resolved.
struct BoundOperand {
  std::optional<BoundColumn> column;
  Value literal;  // when not a column
};

struct BoundCondition {
  BoundOperand left, right;
  std::size_t last_table;  // the condition can be tested once this table is bound
};

class Runner {
 public:
  Runner(const Query& query, TableSource& source) : query_(query) {
    for (const std::string& name : query.tables) {
      std::shared_ptr<const Table> found;
      try {
        found = source.GetTable(name);
      } catch (const Error& e) {
        Fail(e.what());
      }
      for (const Table* t : tables_) {
        if (t == found.get()) Fail("FROM 子句中的表 '" + name + "' 重复");
      }
      tables_.push_back(found.get());
      held_.push_back(std::move(found));
    }
  }

  ResultSet Run() {
    for (const Condition& c : query_.where) conditions_.push_back(Bind(c));
    Tuples tuples{tables_.size(), {}};
    std::vector<std::size_t> current;
    Join(0, &current, &tuples);
    if (query_.order_by) Sort(&tuples);
    if (query_.top && tuples.size() > static_cast<std::size_t>(*query_.top)) Cut(&tuples);
    return Project(std::move(tuples));
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw Error(what + "。查询：" + query_.text);
  }

  BoundColumn Resolve(const ColumnRef& ref) const {
    std::optional<BoundColumn> found;
    for (std::size_t t = 0; t < tables_.size(); ++t) {
      if (!ref.table.empty() && !EqualsFolded(ref.table, query_.tables[t])) continue;
      if (auto c = tables_[t]->FindColumn(ref.column)) {
        if (found) Fail("字段 '" + ref.column + "' 可以引用 FROM 子句中的多个表");
        found = BoundColumn{t, *c};
      }
    }
    if (!found) {
      std::string shown = ref.table.empty() ? ref.column : ref.table + "." + ref.column;
      Fail("找不到字段 '" + shown + "'");
    }
    return *found;
  }

  std::size_t TableIndex(const std::string& name) const {
    for (std::size_t t = 0; t < tables_.size(); ++t) {
      if (EqualsFolded(name, query_.tables[t])) return t;
    }
    Fail("找不到表 '" + name + "'");
  }

  const Column& ColumnOf(const BoundColumn& c) const {
    return tables_[c.table]->columns()[c.column];
  }

  // Which comparisons Jet accepts: text with text, numbers (and Yes/No)
  // with numbers.
  static bool IsTextSide(const BoundOperand& o, const Runner& r) {
    if (o.column) return r.ColumnOf(*o.column).kind == ColumnKind::kText;
    return o.literal.kind() == Value::Kind::kText;
  }
  static bool IsNumberSide(const BoundOperand& o, const Runner& r) {
    if (o.column) {
      ColumnKind k = r.ColumnOf(*o.column).kind;
      return k == ColumnKind::kNumber || k == ColumnKind::kBoolean;
    }
    return o.literal.IsNumeric();
  }

  BoundCondition Bind(const Condition& c) {
    BoundCondition b{BindOperand(c.left), BindOperand(c.right), 0};
    bool comparable = (IsTextSide(b.left, *this) && IsTextSide(b.right, *this)) ||
                      (IsNumberSide(b.left, *this) && IsNumberSide(b.right, *this));
    if (!comparable) {
      Fail("标准表达式中数据类型不匹配：" + Describe(c.left) + " = " + Describe(c.right));
    }
    if (b.left.column) b.last_table = std::max(b.last_table, b.left.column->table);
    if (b.right.column) b.last_table = std::max(b.last_table, b.right.column->table);
    return b;
  }

  BoundOperand BindOperand(const Operand& o) {
    BoundOperand b;
    if (const auto* ref = std::get_if<ColumnRef>(&o)) {
      b.column = Resolve(*ref);
    } else {
      b.literal = std::get<Literal>(o).value;
    }
    return b;
  }

  static std::string Describe(const Operand& o) {
    if (const auto* ref = std::get_if<ColumnRef>(&o)) {
      return ref->table.empty() ? ref->column : ref->table + "." + ref->column;
    }
    return std::get<Literal>(o).source;
  }

  const Value& ValueOf(const BoundOperand& o, const std::size_t* tuple) const {
    if (!o.column) return o.literal;
    return tables_[o.column->table]->row(tuple[o.column->table])[o.column->column];
  }

  bool Holds(const BoundCondition& c, const std::size_t* tuple) const {
    return JetEquals(ValueOf(c.left, tuple), ValueOf(c.right, tuple));
  }

  // Rows of table `t` worth trying given the tables bound before it: those
  // an index lookup on some condition yields, else (nullptr) every row.
  const std::vector<std::size_t>* IndexedCandidates(std::size_t t, const std::size_t* tuple) const {
    for (const BoundCondition& c : conditions_) {
      if (c.last_table != t) continue;
      for (int side = 0; side < 2; ++side) {
        const BoundOperand& mine = side == 0 ? c.left : c.right;
        const BoundOperand& other = side == 0 ? c.right : c.left;
        if (!mine.column || mine.column->table != t) continue;
        if (other.column && other.column->table == t) continue;
        return &tables_[t]->RowsEqualTo(mine.column->column, ValueOf(other, tuple));
      }
    }
    return nullptr;
  }

  void Join(std::size_t t, std::vector<std::size_t>* tuple, Tuples* out) const {
    if (t == tables_.size()) {
      out->rows.insert(out->rows.end(), tuple->begin(), tuple->end());
      return;
    }
    const std::vector<std::size_t>* indexed = IndexedCandidates(t, tuple->data());
    const std::size_t count = indexed ? indexed->size() : tables_[t]->row_count();
    for (std::size_t k = 0; k < count; ++k) {
      const std::size_t row = indexed ? (*indexed)[k] : k;
      tuple->push_back(row);
      bool ok = true;
      for (const BoundCondition& c : conditions_) {
        if (c.last_table == t && !Holds(c, tuple->data())) {
          ok = false;
          break;
        }
      }
      if (ok) Join(t + 1, tuple, out);
      tuple->pop_back();
    }
  }

  // <0, 0, >0; Null sorts first, numbers by value, text without case.
  static int Compare(const Value& a, const Value& b) {
    if (a.IsNull() || b.IsNull()) return (b.IsNull() ? 0 : -1) + (a.IsNull() ? 0 : 1);
    if (a.IsNumeric() && b.IsNumeric()) {
      double x = AsDouble(a), y = AsDouble(b);
      return x < y ? -1 : x > y ? 1 : 0;
    }
    if (a.kind() == Value::Kind::kText && b.kind() == Value::Kind::kText) {
      return CompareText(a.text(), b.text());
    }
    return a.IsNumeric() ? -1 : 1;
  }
  static double AsDouble(const Value& v) {
    switch (v.kind()) {
      case Value::Kind::kBoolean:
        return v.boolean() ? -1 : 0;
      case Value::Kind::kInteger:
        return static_cast<double>(v.integer());
      default:
        return v.real();
    }
  }

  void Sort(Tuples* tuples) {
    order_column_ = Resolve(*query_.order_by);
    // Fold text once per row, not once per comparison.
    std::vector<std::pair<Value, std::size_t>> keys;
    keys.reserve(tuples->size());
    for (std::size_t i = 0; i < tuples->size(); ++i) {
      Value v = OrderValue((*tuples)[i]);
      if (v.kind() == Value::Kind::kText) v = Value::Text(FoldCase(v.text()));
      keys.emplace_back(std::move(v), i);
    }
    bool desc = query_.descending;
    std::stable_sort(keys.begin(), keys.end(), [desc](const auto& a, const auto& b) {
      int c = Compare(a.first, b.first);
      return desc ? c > 0 : c < 0;
    });
    std::vector<std::size_t> sorted;
    sorted.reserve(tuples->rows.size());
    for (const auto& k : keys) {
      const std::size_t* tuple = (*tuples)[k.second];
      sorted.insert(sorted.end(), tuple, tuple + tuples->width);
    }
    tuples->rows = std::move(sorted);
  }

  const Value& OrderValue(const std::size_t* tuple) const {
    return tables_[order_column_.table]->row(tuple[order_column_.table])[order_column_.column];
  }

  // Keeps the first n rows and, under an order, the rows tied with the n-th.
  void Cut(Tuples* tuples) const {
    std::size_t n = static_cast<std::size_t>(*query_.top);
    if (query_.order_by) {
      while (n < tuples->size() &&
             Compare(OrderValue((*tuples)[n]), OrderValue((*tuples)[n - 1])) == 0) {
        ++n;
      }
    }
    tuples->rows.resize(n * tuples->width);
  }

  ResultSet Project(Tuples tuples) const {
    std::vector<BoundColumn> picked;
    for (const SelectItem& item : query_.items) {
      if (item.kind == SelectItem::Kind::kColumn) {
        picked.push_back(Resolve(item.ref));
        continue;
      }
      std::size_t only =
          item.kind == SelectItem::Kind::kTableAll ? TableIndex(item.ref.table) : tables_.size();
      for (std::size_t t = 0; t < tables_.size(); ++t) {
        if (only != tables_.size() && t != only) continue;
        for (std::size_t c = 0; c < tables_[t]->columns().size(); ++c) picked.push_back({t, c});
      }
    }
    std::vector<ResultColumn> columns;
    std::vector<ResultSet::Source> sources;
    for (const BoundColumn& b : picked) {
      columns.push_back({tables_[b.table]->name(), ColumnOf(b).name});
      sources.push_back({b.table, b.column});
    }
    return ResultSet(std::move(columns), held_, std::move(sources), std::move(tuples.rows));
  }

  const Query& query_;
  std::vector<std::shared_ptr<const Table>> held_;
  std::vector<const Table*> tables_;
  std::vector<BoundCondition> conditions_;
  BoundColumn order_column_{0, 0};
};

}  // namespace

ResultSet::ResultSet(std::vector<ResultColumn> columns,
                     std::vector<std::shared_ptr<const Table>> tables, std::vector<Source> sources,
                     std::vector<std::size_t> tuples)
    : columns_(std::move(columns)),
      tables_(std::move(tables)),
      sources_(std::move(sources)),
      tuples_(std::move(tuples)),
      row_count_(tables_.empty() ? 0 : tuples_.size() / tables_.size()) {}

ResultSet RunQuery(const Query& query, TableSource& source) { return Runner(query, source).Run(); }

}  // namespace generatesheet
