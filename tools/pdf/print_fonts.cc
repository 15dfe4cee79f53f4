#include "tools/pdf/print_fonts.h"

#include <fontconfig/fontconfig.h>
#include <hb-subset.h>

#include <cstring>
#include <optional>
#include <utility>

#include "util/utf8.h"

namespace generatesheet::cli {

namespace {

struct FontFile {
  int css_weight;
  std::string path;
  int index;  // the face's place in a collection
};

template <typename T, void (*Destroy)(T*)>
struct Deleter {
  void operator()(T* p) const { Destroy(p); }
};
using ConfigPtr = std::unique_ptr<FcConfig, Deleter<FcConfig, FcConfigDestroy>>;
using PatternPtr = std::unique_ptr<FcPattern, Deleter<FcPattern, FcPatternDestroy>>;
using BlobPtr = std::unique_ptr<hb_blob_t, Deleter<hb_blob_t, hb_blob_destroy>>;
using FacePtr = std::unique_ptr<hb_face_t, Deleter<hb_face_t, hb_face_destroy>>;
using InputPtr =
    std::unique_ptr<hb_subset_input_t, Deleter<hb_subset_input_t, hb_subset_input_destroy>>;

bool HasFamily(FcPattern* match, const char* family) {
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (std::strcmp(reinterpret_cast<const char*>(name), family) == 0) return true;
  }
  return false;
}

// The file fontconfig gives for the family at `fc_weight`, when it is that
// family at that weight and not a stand-in.
std::optional<FontFile> FindFace(FcConfig* config, int css_weight, int fc_weight) {
  PatternPtr pattern(FcPatternCreate());
  FcPatternAddString(pattern.get(), FC_FAMILY,
                     reinterpret_cast<const FcChar8*>(PrintFonts::kFamily));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, fc_weight);
  FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
  FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result;
  PatternPtr match(FcFontMatch(config, pattern.get(), &result));
  FcChar8* file = nullptr;
  int index = 0, weight = 0;
  if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch ||
      FcPatternGetInteger(match.get(), FC_INDEX, 0, &index) != FcResultMatch ||
      FcPatternGetInteger(match.get(), FC_WEIGHT, 0, &weight) != FcResultMatch ||
      weight != fc_weight || !HasFamily(match.get(), PrintFonts::kFamily)) {
    return std::nullopt;
  }
  return FontFile{css_weight, reinterpret_cast<const char*>(file), index};
}

// The family's regular and bold faces, looked up in a fontconfig
// configuration of their own (fontconfig's process-wide one keeps its
// allocations to the end); $FONTCONFIG_FILE names another, as for any
// fontconfig program.
std::vector<FontFile> InstalledFaces() {
  std::vector<FontFile> found;
  ConfigPtr config(FcInitLoadConfigAndFonts());
  if (!config) return found;
  for (const auto& [css, fc] :
       {std::pair{400, FC_WEIGHT_REGULAR}, std::pair{700, FC_WEIGHT_BOLD}}) {
    if (auto face = FindFace(config.get(), css, fc)) found.push_back(*face);
  }
  return found;
}

}  // namespace

struct PrintFonts::Face {
  int weight;
  FacePtr face;
};

PrintFonts::PrintFonts() {
  for (const FontFile& file : InstalledFaces()) {
    // The collection is mapped, not read: a subset touches a small part.
    BlobPtr blob(hb_blob_create_from_file_or_fail(file.path.c_str()));
    if (!blob) continue;
    FacePtr face(hb_face_create(blob.get(), static_cast<unsigned>(file.index)));
    if (hb_face_get_glyph_count(face.get()) == 0) continue;
    faces_.push_back(std::make_unique<Face>(Face{file.css_weight, std::move(face)}));
  }
}

PrintFonts::~PrintFonts() = default;

std::unique_ptr<PrintFonts> OpenPrintFonts() { return std::make_unique<PrintFonts>(); }

std::vector<PrintFonts::Subset> PrintFonts::SubsetFor(std::string_view text) const {
  std::vector<Subset> subsets;
  for (const auto& face : faces_) {
    InputPtr input(hb_subset_input_create_or_fail());
    if (!input) continue;
    hb_set_t* characters = hb_subset_input_unicode_set(input.get());
    hb_set_add_range(characters, 0x20, 0x7E);
    char32_t c;
    for (size_t pos = 0; pos < text.size();) {
      if (NextCodePoint(text, &pos, &c)) hb_set_add(characters, c);
    }
    // Every feature, so a page that turns one on (vertical forms,
    // proportional punctuation) finds its glyphs in the subset too.
    hb_set_t* features = hb_subset_input_set(input.get(), HB_SUBSET_SETS_LAYOUT_FEATURE_TAG);
    hb_set_clear(features);
    hb_set_invert(features);
    FacePtr subset(hb_subset_or_fail(face->face.get(), input.get()));
    if (!subset) continue;
    BlobPtr blob(hb_face_reference_blob(subset.get()));
    unsigned length = 0;
    const char* data = hb_blob_get_data(blob.get(), &length);
    if (length == 0) continue;
    subsets.push_back({face->weight, std::string(data, length)});
  }
  return subsets;
}

}  // namespace generatesheet::cli
