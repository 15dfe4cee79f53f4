// Text as Jet 4 stores it, turned into UTF-8.
//
// Jet 4 keeps text and memo values as UTF-16LE, or in its compressed form:
// the marker FF FE, then runs of one byte per character (the low byte; the
// high byte is zero) and runs of plain UTF-16LE, each switch marked by a
// zero byte.  Every character survives, including U+0000 and characters
// outside the Basic Multilingual Plane; an unpaired surrogate becomes U+FFFD.
#ifndef GENERATESHEET_DATA_JET_TEXT_H_
#define GENERATESHEET_DATA_JET_TEXT_H_

#include <cstddef>
#include <string>

namespace generatesheet {

std::string DecodeJetText(const unsigned char* data, std::size_t size);

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_JET_TEXT_H_
