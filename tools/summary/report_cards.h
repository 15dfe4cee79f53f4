// The report cards of a class summary, from the figures the summary's files
// show (no figure is worked out a second time): one card per student whose
// page is complete and whose total is known.  Any other student gets no
// card: a card of a page with gaps or of an unknown total would tell the
// parents a score the paper does not bear out; such students are listed
// with the reason instead.
#ifndef GENERATESHEET_TOOLS_SUMMARY_REPORT_CARDS_H_
#define GENERATESHEET_TOOLS_SUMMARY_REPORT_CARDS_H_

#include <string>
#include <vector>

#include "tools/summary/report_card.h"
#include "tools/summary/summary_tables.h"

namespace generatesheet::cli {

// The questions a card lists as losing the most points, at most.
inline constexpr size_t kLostListed = 5;

// A student the summary lists without a card, and why.
struct CardLeftOut {
  std::string student_id, student_name, subject, page;
  std::string why;
};

struct ReportCards {
  std::vector<ReportCard> cards;      // in the summary's order
  std::vector<CardLeftOut> left_out;  // in the summary's order
};

ReportCards ReportCardsOf(const SummaryContent& content);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_REPORT_CARDS_H_
