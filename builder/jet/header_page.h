// Page 0 of a Jet 4 file: the format signature and the database settings,
// the latter masked with RC4 as every Jet reader expects.
#ifndef GENERATESHEET_BUILDER_JET_HEADER_PAGE_H_
#define GENERATESHEET_BUILDER_JET_HEADER_PAGE_H_

#include <cstdint>

namespace generatesheet::jet {

// Fills `page` (kJetPageSize bytes, zeroed) as the header of an unencrypted
// Jet 4 database without a password, code page 1252 and the General sort
// order.
void WriteHeaderPage(uint8_t* page);

}  // namespace generatesheet::jet

#endif  // GENERATESHEET_BUILDER_JET_HEADER_PAGE_H_
