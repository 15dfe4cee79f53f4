// The test reader script must give exactly the JSON recorded with
// mdb-reader for real Access files, or the round trips prove nothing.
#include <gtest/gtest.h>

#include <string>

#include "support/jet_test_support.h"
#include "support/temp_dir.h"

namespace generatesheet {
namespace {

class ReadMdbScriptTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ReadMdbScriptTest, MatchesTheRecordedReading) {
  const std::string base = std::string(GENERATESHEET_TESTDATA_DIR) + "/access/" + GetParam();
  const nlohmann::json expected = nlohmann::json::parse(testing::ReadFileForTest(base + ".json"));
  EXPECT_TRUE(testing::ReadWithMdbReader(base + ".mdb") == expected);
}

INSTANTIATE_TEST_SUITE_P(AccessTestData, ReadMdbScriptTest,
                         ::testing::Values("jackcess-delTestV2000",
                                           "jackcess-fixedNumericTestV2000",
                                           "jackcess-overflowTestV2000", "jackcess-test2V2000",
                                           "jackcess-testUnicodeCompV2003",
                                           "mdbreader-V2000-numeric", "mdbreader-V2000-test"),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                           std::string name = param.param;
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace generatesheet
