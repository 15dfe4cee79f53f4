// Rich text (RTF) to plain text.  A pure function, safe on any thread.
//
// Characters keep their identity whatever the code page of the document:
// \'hh bytes and literal bytes are decoded together in the code page of the
// current font's \fcharset (or \cpg), else the default font's (\deff), else
// \ansicpg, else Windows-1252; code page 936 is read as Windows reads it.  \uN escapes
// (surrogate pairs joined) pass over their \ucN fallback.  Formatting,
// pictures, objects, \binN data, headers, footers, footnotes, field
// instructions and other hidden destinations are dropped; field results and
// list numbers (\listtext) are kept.
//
// Layout: \par, \line, \sect, \page and a backslash before a line break
// become "\n"; raw line breaks in the source are not text.  \tab and \cell
// become a tab, \row a "\n" in place of the row's last tab.  \~ is U+00A0,
// \_ U+2011 and \- the soft hyphen U+00AD (shown only where a line wraps).
// Line breaks at the very end are removed, so a document ending in \par
// adds no empty line to the page.
//
// Failure: undecodable bytes and lone surrogates become U+FFFD; unbalanced
// braces end the text where the input ends; text after the outermost group
// closes is ignored; text nested deeper than 1,000 groups is dropped (the
// input is read without recursion, however deep).  Input that does not begin
// with "{\rtf" (after white space or a UTF-8 byte-order mark) is not rich
// text and comes back unchanged.
//
// Example: RtfToPlainText("{\\rtf1\\ansicpg936 \\'d6\\'d0\\'ce\\'c4\\par}") == "中文".
#ifndef GENERATESHEET_RTF_RTF_TO_TEXT_H_
#define GENERATESHEET_RTF_RTF_TO_TEXT_H_

#include <string>
#include <string_view>

namespace generatesheet {

// Returns UTF-8 text.  Never throws for malformed RTF: what can be read is
// returned.
std::string RtfToPlainText(std::string_view rtf);

}  // namespace generatesheet

#endif  // GENERATESHEET_RTF_RTF_TO_TEXT_H_
