// The fonts the printer cuts down for each page, read back with HarfBuzz:
// which faces it takes from what fontconfig offers, and which characters
// each subset holds.
#include "tools/pdf/print_fonts.h"

#include <gtest/gtest.h>
#include <hb.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace generatesheet::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kFonts[] = "/usr/share/fonts/opentype/noto/";

// A fontconfig configuration that knows only the fonts linked into a
// folder of its own.
std::string ConfigWith(const TempDir& dir, const std::vector<std::string>& fonts) {
  fs::create_directories(dir.File("fonts"));
  for (const std::string& font : fonts) {
    fs::create_symlink(kFonts + font, dir.File("fonts/" + font));
  }
  const std::string config = dir.File("fonts.conf");
  WriteFileForTest(config, "<?xml version=\"1.0\"?><fontconfig><dir>" + dir.File("fonts") +
                               "</dir><cachedir>" + dir.File("cache") +
                               "</cachedir></fontconfig>\n");
  return config;
}

bool Maps(const std::string& font, hb_codepoint_t character) {
  hb_blob_t* blob = hb_blob_create(font.data(), static_cast<unsigned>(font.size()),
                                   HB_MEMORY_MODE_READONLY, nullptr, nullptr);
  hb_face_t* face = hb_face_create(blob, 0);
  hb_font_t* loaded = hb_font_create(face);
  hb_codepoint_t glyph = 0;
  const bool found = hb_font_get_nominal_glyph(loaded, character, &glyph);
  hb_font_destroy(loaded);
  hb_face_destroy(face);
  hb_blob_destroy(blob);
  return found;
}

// Only the family the template names, at the weight asked for, is cut: a
// bold that fontconfig would stand in for with the regular face, or a sans
// it would stand in for with the serif, is left to the browser, which then
// emboldens or falls back as it would without subsets.
TEST(PrintFontsTest, TakesOnlyTheFamilyAtEachWeightAndCutsToThePagesCharacters) {
  if (!fs::exists(std::string(kFonts) + "NotoSansCJK-Bold.ttc")) {
    if (std::getenv("GENERATESHEET_SKIP_BROWSER_TEST") != nullptr) GTEST_SKIP();
    FAIL() << kFonts << " lacks Noto Sans CJK: run scripts/install-deps.sh --with-browser";
  }
  const struct {
    std::vector<std::string> fonts;
    std::vector<int> weights;
  } cases[] = {
      {{"NotoSansCJK-Regular.ttc", "NotoSansCJK-Bold.ttc"}, {400, 700}},
      {{"NotoSansCJK-Regular.ttc"}, {400}},
      {{"NotoSansCJK-Bold.ttc"}, {700}},
      {{"NotoSerifCJK-Regular.ttc", "NotoSerifCJK-Bold.ttc"}, {}},
      {{}, {}},
  };
  const char* const set = std::getenv("FONTCONFIG_FILE");
  const std::optional<std::string> saved =
      set != nullptr ? std::optional<std::string>(set) : std::nullopt;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.fonts));
    TempDir dir;
    ::setenv("FONTCONFIG_FILE", ConfigWith(dir, c.fonts).c_str(), 1);
    const cli::PrintFonts fonts;
    const std::vector<cli::PrintFonts::Subset> subsets = fonts.SubsetFor("学号：\xff李明");
    std::vector<int> weights;
    for (const auto& subset : subsets) {
      weights.push_back(subset.weight);
      EXPECT_TRUE(Maps(subset.bytes, U'学'));
      EXPECT_TRUE(Maps(subset.bytes, U'明')) << "after a byte that is not UTF-8";
      EXPECT_TRUE(Maps(subset.bytes, U'~')) << "printable ASCII is always kept";
      EXPECT_FALSE(Maps(subset.bytes, U'字')) << "not on the page";
      EXPECT_LT(subset.bytes.size(), 200000u);
    }
    EXPECT_EQ(weights, c.weights);
  }
  if (saved) {
    ::setenv("FONTCONFIG_FILE", saved->c_str(), 1);
  } else {
    ::unsetenv("FONTCONFIG_FILE");
  }
}

}  // namespace
}  // namespace generatesheet::testing
