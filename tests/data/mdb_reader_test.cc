// Every table of the Access files made by other programs reads exactly as
// an independent reader (mdb-reader) saw it.
#include "data/mdb_reader.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "util/error.h"

namespace generatesheet {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

fs::path AccessDir() { return fs::path(GENERATESHEET_TESTDATA_DIR) / "access"; }

std::string Base64Decode(const std::string& in) {
  static const std::string kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  int bits = 0, value = 0;
  for (char c : in) {
    auto pos = kAlphabet.find(c);
    if (pos == std::string::npos) continue;
    value = value << 6 | static_cast<int>(pos);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((value >> bits) & 0xFF));
    }
  }
  return out;
}

std::string Show(const Value& v) { return v.IsNull() ? "Null" : v.ToText(); }

double AsNumber(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kInteger:
      return static_cast<double>(v.integer());
    case Value::Kind::kDouble:
      return v.real();
    default:
      ADD_FAILURE() << "not a number: " << Show(v);
      return NAN;
  }
}

// Checks one value against mdb-reader's JSON for it.  Dates are compared to
// the second; binary values byte for byte; numbers by value.
void ExpectSame(const json& expected, const Value& actual, const std::string& where) {
  SCOPED_TRACE(where);
  if (expected.is_null()) {
    EXPECT_TRUE(actual.IsNull()) << Show(actual);
  } else if (expected.is_boolean()) {
    ASSERT_EQ(actual.kind(), Value::Kind::kBoolean);
    EXPECT_EQ(actual.boolean(), expected.get<bool>());
  } else if (expected.is_number()) {
    EXPECT_DOUBLE_EQ(AsNumber(actual), expected.get<double>());
  } else if (expected.is_object() && expected.contains("date")) {
    std::string iso = expected["date"];
    ASSERT_EQ(actual.kind(), Value::Kind::kText);
    EXPECT_EQ(actual.text(), iso.substr(0, 10) + " " + iso.substr(11, 8));
  } else if (expected.is_object() && expected.contains("base64")) {
    ASSERT_EQ(actual.kind(), Value::Kind::kText);
    EXPECT_EQ(actual.text(), Base64Decode(expected["base64"]));
  } else if (expected.is_string() && actual.kind() == Value::Kind::kText) {
    EXPECT_EQ(actual.text(), expected.get<std::string>());
  } else if (expected.is_string()) {  // decimal and currency values
    EXPECT_DOUBLE_EQ(AsNumber(actual), std::strtod(expected.get<std::string>().c_str(), nullptr));
  } else {
    ADD_FAILURE() << "unexpected JSON value " << expected.dump();
  }
}

// Each row of the overflow test file holds texts "row<N>col<M>", N its
// insertion number.  mdb-reader lists the rows that moved to overflow pages
// after all others; Jet (and jackcess, which wrote the file) read a moved row
// in its original place, and so do we: rows 1 to 7 in order.
void PutOverflowRowsInPlace(json* rows) {
  auto number = [](const json& row) {
    for (const auto& [name, value] : row.items()) {
      if (value.is_string()) return std::stoi(value.get<std::string>().substr(3));
    }
    return 0;
  };
  std::stable_sort(rows->begin(), rows->end(),
                   [&](const json& a, const json& b) { return number(a) < number(b); });
}

class RealAccessFileTest : public testing::TestWithParam<std::string> {};

TEST_P(RealAccessFileTest, ReadsEveryTableLikeAnIndependentReader) {
  fs::path mdb = AccessDir() / (GetParam() + ".mdb");
  std::ifstream json_in(AccessDir() / (GetParam() + ".json"));
  json expected = json::parse(json_in);
  if (GetParam() == "jackcess-overflowTestV2000")
    PutOverflowRowsInPlace(&expected["Table1"]["rows"]);

  MdbReader reader(mdb.string());
  std::vector<std::string> names = reader.UserTableNames();
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), expected.size());
  for (auto& [table_name, table_json] : expected.items()) {
    // Each table twice in a row on the one reader, its definition read in
    // between: the second time no row may come from a page left in
    // libmdb's buffer by the first.
    for (int read = 1; read <= 2; ++read) {
      SCOPED_TRACE(table_name + ", read " + std::to_string(read));
      if (read == 2) {
        EXPECT_EQ(reader.Columns(table_name).size(), table_json["columns"].size());
      }
      std::unique_ptr<Table> table = reader.ReadTable(table_name);
      ASSERT_EQ(table->columns().size(), table_json["columns"].size());
      ASSERT_EQ(table->row_count(), table_json["rows"].size());
      for (std::size_t r = 0; r < table->row_count(); ++r) {
        for (const json& column : table_json["columns"]) {
          std::string name = column["name"];
          auto index = table->FindColumn(name);
          ASSERT_TRUE(index) << name;
          ExpectSame(table_json["rows"][r][name], table->row(r)[*index],
                     "row " + std::to_string(r) + " column " + name);
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AccessTestData, RealAccessFileTest,
                         testing::Values("jackcess-delTestV2000", "jackcess-fixedNumericTestV2000",
                                         "jackcess-overflowTestV2000", "jackcess-test2V2000",
                                         "jackcess-testUnicodeCompV2003", "mdbreader-V2000-numeric",
                                         "mdbreader-V2000-test"));

TEST(MdbReaderTest, TableNamesAreCaseInsensitive) {
  MdbReader reader((AccessDir() / "jackcess-testUnicodeCompV2003.mdb").string());
  EXPECT_EQ(reader.ReadTable("TABLE")->row_count(), 8u);
}

TEST(MdbReaderTest, UnknownTableNamesTheTableAndTheFile) {
  std::string path = (AccessDir() / "jackcess-delTestV2000.mdb").string();
  MdbReader reader(path);
  try {
    reader.ReadTable("tbl_nothing");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "找不到表 'tbl_nothing'：" + path);
  }
}

}  // namespace
}  // namespace generatesheet
