// Small text mappings the renderers share.  None can fail.
#ifndef GENERATESHEET_RENDER_TEXT_HELPERS_H_
#define GENERATESHEET_RENDER_TEXT_HELPERS_H_

#include <cstddef>
#include <string>

namespace generatesheet {

// "1".."10" become 一..十; any other text, "01" and " 1" included, stays.
std::string ToChineseNumeral(const std::string& number);

// The option letter of a stored choice answer: "1" A, "2" B, "4" C, "8" D.
// Anything else (a sum such as "3", a letter, a padded code) stays.
std::string AnswerCodeToLetter(const std::string& code);

// The first line of a question's plain text that holds more than blanks,
// its blanks trimmed, cut to `max_characters` characters (a cut line ends
// with "…") so a table of questions stays readable.
std::string FirstLineOf(const std::string& text, std::size_t max_characters);

}  // namespace generatesheet

#endif  // GENERATESHEET_RENDER_TEXT_HELPERS_H_
