#include "rtf/rtf_control_words.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace generatesheet {

namespace {

constexpr std::pair<std::string_view, RtfWordMeaning> kWords[] = {
    // Destinations whose text a reader never sees.
    {"aftncn", {RtfAction::kHiddenDestination}},
    {"aftnsep", {RtfAction::kHiddenDestination}},
    {"aftnsepc", {RtfAction::kHiddenDestination}},
    {"annotation", {RtfAction::kHiddenDestination}},
    {"atnauthor", {RtfAction::kHiddenDestination}},
    {"atndate", {RtfAction::kHiddenDestination}},
    {"atnicn", {RtfAction::kHiddenDestination}},
    {"atnid", {RtfAction::kHiddenDestination}},
    {"atnparent", {RtfAction::kHiddenDestination}},
    {"atnref", {RtfAction::kHiddenDestination}},
    {"atntime", {RtfAction::kHiddenDestination}},
    {"atrfend", {RtfAction::kHiddenDestination}},
    {"atrfstart", {RtfAction::kHiddenDestination}},
    {"author", {RtfAction::kHiddenDestination}},
    {"background", {RtfAction::kHiddenDestination}},
    {"bkmkend", {RtfAction::kHiddenDestination}},
    {"bkmkstart", {RtfAction::kHiddenDestination}},
    {"buptim", {RtfAction::kHiddenDestination}},
    {"category", {RtfAction::kHiddenDestination}},
    {"colorschememapping", {RtfAction::kHiddenDestination}},
    {"colortbl", {RtfAction::kHiddenDestination}},
    {"comment", {RtfAction::kHiddenDestination}},
    {"company", {RtfAction::kHiddenDestination}},
    {"creatim", {RtfAction::kHiddenDestination}},
    {"datafield", {RtfAction::kHiddenDestination}},
    {"datastore", {RtfAction::kHiddenDestination}},
    {"defchp", {RtfAction::kHiddenDestination}},
    {"defpap", {RtfAction::kHiddenDestination}},
    {"do", {RtfAction::kHiddenDestination}},
    {"doccomm", {RtfAction::kHiddenDestination}},
    {"docvar", {RtfAction::kHiddenDestination}},
    {"dptxbxtext", {RtfAction::kHiddenDestination}},
    {"ebcend", {RtfAction::kHiddenDestination}},
    {"ebcstart", {RtfAction::kHiddenDestination}},
    {"factoidname", {RtfAction::kHiddenDestination}},
    {"falt", {RtfAction::kHiddenDestination}},
    {"ffdeftext", {RtfAction::kHiddenDestination}},
    {"ffentrymcr", {RtfAction::kHiddenDestination}},
    {"ffexitmcr", {RtfAction::kHiddenDestination}},
    {"ffformat", {RtfAction::kHiddenDestination}},
    {"ffhelptext", {RtfAction::kHiddenDestination}},
    {"ffl", {RtfAction::kHiddenDestination}},
    {"ffname", {RtfAction::kHiddenDestination}},
    {"ffstattext", {RtfAction::kHiddenDestination}},
    {"file", {RtfAction::kHiddenDestination}},
    {"filetbl", {RtfAction::kHiddenDestination}},
    {"fldinst", {RtfAction::kHiddenDestination}},
    {"fldtype", {RtfAction::kHiddenDestination}},
    {"fname", {RtfAction::kHiddenDestination}},
    {"fontemb", {RtfAction::kHiddenDestination}},
    {"fontfile", {RtfAction::kHiddenDestination}},
    {"footer", {RtfAction::kHiddenDestination}},
    {"footerf", {RtfAction::kHiddenDestination}},
    {"footerl", {RtfAction::kHiddenDestination}},
    {"footerr", {RtfAction::kHiddenDestination}},
    {"footnote", {RtfAction::kHiddenDestination}},
    {"formfield", {RtfAction::kHiddenDestination}},
    {"ftncn", {RtfAction::kHiddenDestination}},
    {"ftnsep", {RtfAction::kHiddenDestination}},
    {"ftnsepc", {RtfAction::kHiddenDestination}},
    {"generator", {RtfAction::kHiddenDestination}},
    {"gridtbl", {RtfAction::kHiddenDestination}},
    {"header", {RtfAction::kHiddenDestination}},
    {"headerf", {RtfAction::kHiddenDestination}},
    {"headerl", {RtfAction::kHiddenDestination}},
    {"headerr", {RtfAction::kHiddenDestination}},
    {"hl", {RtfAction::kHiddenDestination}},
    {"hlfr", {RtfAction::kHiddenDestination}},
    {"hlinkbase", {RtfAction::kHiddenDestination}},
    {"hlloc", {RtfAction::kHiddenDestination}},
    {"hlsrc", {RtfAction::kHiddenDestination}},
    {"hsv", {RtfAction::kHiddenDestination}},
    {"htmltag", {RtfAction::kHiddenDestination}},
    {"info", {RtfAction::kHiddenDestination}},
    {"keycode", {RtfAction::kHiddenDestination}},
    {"keywords", {RtfAction::kHiddenDestination}},
    {"latentstyles", {RtfAction::kHiddenDestination}},
    {"levelnumbers", {RtfAction::kHiddenDestination}},
    {"leveltext", {RtfAction::kHiddenDestination}},
    {"lfolevel", {RtfAction::kHiddenDestination}},
    {"linkval", {RtfAction::kHiddenDestination}},
    {"list", {RtfAction::kHiddenDestination}},
    {"listlevel", {RtfAction::kHiddenDestination}},
    {"listname", {RtfAction::kHiddenDestination}},
    {"listoverride", {RtfAction::kHiddenDestination}},
    {"listoverridetable", {RtfAction::kHiddenDestination}},
    {"listpicture", {RtfAction::kHiddenDestination}},
    {"liststylename", {RtfAction::kHiddenDestination}},
    {"listtable", {RtfAction::kHiddenDestination}},
    {"lsdlockedexcept", {RtfAction::kHiddenDestination}},
    {"mailmerge", {RtfAction::kHiddenDestination}},
    {"manager", {RtfAction::kHiddenDestination}},
    {"mmathPr", {RtfAction::kHiddenDestination}},
    {"nesttableprops", {RtfAction::kHiddenDestination}},
    {"nextfile", {RtfAction::kHiddenDestination}},
    {"nonesttables", {RtfAction::kHiddenDestination}},
    {"nonshppict", {RtfAction::kHiddenDestination}},
    {"objalias", {RtfAction::kHiddenDestination}},
    {"objclass", {RtfAction::kHiddenDestination}},
    {"objdata", {RtfAction::kHiddenDestination}},
    {"object", {RtfAction::kHiddenDestination}},
    {"objname", {RtfAction::kHiddenDestination}},
    {"objsect", {RtfAction::kHiddenDestination}},
    {"objtime", {RtfAction::kHiddenDestination}},
    {"oldcprops", {RtfAction::kHiddenDestination}},
    {"oldpprops", {RtfAction::kHiddenDestination}},
    {"oldsprops", {RtfAction::kHiddenDestination}},
    {"oldtprops", {RtfAction::kHiddenDestination}},
    {"operator", {RtfAction::kHiddenDestination}},
    {"panose", {RtfAction::kHiddenDestination}},
    {"password", {RtfAction::kHiddenDestination}},
    {"passwordhash", {RtfAction::kHiddenDestination}},
    {"pgp", {RtfAction::kHiddenDestination}},
    {"pgptbl", {RtfAction::kHiddenDestination}},
    {"picprop", {RtfAction::kHiddenDestination}},
    {"pict", {RtfAction::kHiddenDestination}},
    {"pn", {RtfAction::kHiddenDestination}},
    {"pnseclvl", {RtfAction::kHiddenDestination}},
    {"pntxta", {RtfAction::kHiddenDestination}},
    {"pntxtb", {RtfAction::kHiddenDestination}},
    {"printim", {RtfAction::kHiddenDestination}},
    {"private", {RtfAction::kHiddenDestination}},
    {"propname", {RtfAction::kHiddenDestination}},
    {"protend", {RtfAction::kHiddenDestination}},
    {"protstart", {RtfAction::kHiddenDestination}},
    {"protusertbl", {RtfAction::kHiddenDestination}},
    {"pxe", {RtfAction::kHiddenDestination}},
    {"revtbl", {RtfAction::kHiddenDestination}},
    {"revtim", {RtfAction::kHiddenDestination}},
    {"rsidtbl", {RtfAction::kHiddenDestination}},
    {"rxe", {RtfAction::kHiddenDestination}},
    {"shp", {RtfAction::kHiddenDestination}},
    {"shpgrp", {RtfAction::kHiddenDestination}},
    {"shpinst", {RtfAction::kHiddenDestination}},
    {"shppict", {RtfAction::kHiddenDestination}},
    {"shprslt", {RtfAction::kHiddenDestination}},
    {"shptxt", {RtfAction::kHiddenDestination}},
    {"sn", {RtfAction::kHiddenDestination}},
    {"sp", {RtfAction::kHiddenDestination}},
    {"staticval", {RtfAction::kHiddenDestination}},
    {"stylesheet", {RtfAction::kHiddenDestination}},
    {"subject", {RtfAction::kHiddenDestination}},
    {"sv", {RtfAction::kHiddenDestination}},
    {"svb", {RtfAction::kHiddenDestination}},
    {"tc", {RtfAction::kHiddenDestination}},
    {"template", {RtfAction::kHiddenDestination}},
    {"themedata", {RtfAction::kHiddenDestination}},
    {"title", {RtfAction::kHiddenDestination}},
    {"txe", {RtfAction::kHiddenDestination}},
    {"userprops", {RtfAction::kHiddenDestination}},
    {"wgrffmtfilter", {RtfAction::kHiddenDestination}},
    {"windowcaption", {RtfAction::kHiddenDestination}},
    {"writereservation", {RtfAction::kHiddenDestination}},
    {"writereservhash", {RtfAction::kHiddenDestination}},
    {"xe", {RtfAction::kHiddenDestination}},
    {"xform", {RtfAction::kHiddenDestination}},
    {"xmlattrname", {RtfAction::kHiddenDestination}},
    {"xmlattrvalue", {RtfAction::kHiddenDestination}},
    {"xmlclose", {RtfAction::kHiddenDestination}},
    {"xmlname", {RtfAction::kHiddenDestination}},
    {"xmlnstbl", {RtfAction::kHiddenDestination}},
    {"xmlopen", {RtfAction::kHiddenDestination}},
    // Words that change the text, its layout or its code page.
    {"fonttbl", {RtfAction::kFontTable}},
    {"upr", {RtfAction::kUpr}},
    {"ud", {RtfAction::kUd}},
    {"par", {RtfAction::kLineBreak}},
    {"line", {RtfAction::kLineBreak}},
    {"softline", {RtfAction::kLineBreak}},
    {"sect", {RtfAction::kLineBreak}},
    {"page", {RtfAction::kLineBreak}},
    {"column", {RtfAction::kLineBreak}},
    {"tab", {RtfAction::kTab}},
    {"cell", {RtfAction::kCellEnd}},
    {"nestcell", {RtfAction::kCellEnd}},
    {"row", {RtfAction::kRowEnd}},
    {"nestrow", {RtfAction::kRowEnd}},
    {"emdash", {RtfAction::kCharacter, 0x2014}},
    {"endash", {RtfAction::kCharacter, 0x2013}},
    {"emspace", {RtfAction::kCharacter, 0x2003}},
    {"enspace", {RtfAction::kCharacter, 0x2002}},
    {"qmspace", {RtfAction::kCharacter, 0x2005}},
    {"bullet", {RtfAction::kCharacter, 0x2022}},
    {"lquote", {RtfAction::kCharacter, 0x2018}},
    {"rquote", {RtfAction::kCharacter, 0x2019}},
    {"ldblquote", {RtfAction::kCharacter, 0x201C}},
    {"rdblquote", {RtfAction::kCharacter, 0x201D}},
    {"zwj", {RtfAction::kCharacter, 0x200D}},
    {"zwnj", {RtfAction::kCharacter, 0x200C}},
    {"ltrmark", {RtfAction::kCharacter, 0x200E}},
    {"rtlmark", {RtfAction::kCharacter, 0x200F}},
    {"f", {RtfAction::kFont}},
    {"fcharset", {RtfAction::kFontCharset}},
    {"cpg", {RtfAction::kFontCodePage}},
    {"deff", {RtfAction::kDefaultFont}},
    {"ansicpg", {RtfAction::kDocumentCodePage}},
    {"ansi", {RtfAction::kAnsi}},
    {"mac", {RtfAction::kMac}},
    {"pc", {RtfAction::kPc}},
    {"pca", {RtfAction::kPca}},
    {"plain", {RtfAction::kPlain}},
    {"uc", {RtfAction::kUnicodeSkip}},
    {"u", {RtfAction::kUnicode}},
    {"bin", {RtfAction::kBinary}},
};

// Every control word of a document is looked up, so the words sit in an
// open-addressed table with a hash of a few instructions a letter.
class WordTable {
 public:
  WordTable() {
    for (const auto& [word, meaning] : kWords) {
      size_t slot = Slot(word);
      while (!slots_[slot].first.empty()) slot = (slot + 1) % kSlots;
      slots_[slot] = {word, &meaning};
    }
  }

  const RtfWordMeaning* Find(std::string_view word) const {
    for (size_t slot = Slot(word);; slot = (slot + 1) % kSlots) {
      const auto& [held, meaning] = slots_[slot];
      if (held.empty()) return nullptr;
      if (held == word) return meaning;
    }
  }

 private:
  static constexpr size_t kSlots = 1024;  // a power of two, over four times the words
  static_assert(std::size(kWords) * 4 <= kSlots);

  static size_t Slot(std::string_view word) {
    uint32_t hash = static_cast<uint32_t>(word.size());
    for (const char c : word) hash = hash * 31 + static_cast<unsigned char>(c);
    return (hash * 2654435761u) >> 22;  // the top ten bits
  }

  std::array<std::pair<std::string_view, const RtfWordMeaning*>, kSlots> slots_{};
};

}  // namespace

const RtfWordMeaning* FindWordMeaning(std::string_view word) {
  static const WordTable kTable;
  if (word.empty()) return nullptr;
  return kTable.Find(word);
}

}  // namespace generatesheet
