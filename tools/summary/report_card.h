// A student's report card (成绩报告单): one A4 page for the student and the
// parents, beside the student's page as NAME.card.html.  It holds the
// student's standing (total, share of full marks, ranks in class and year,
// percentile, T score), each section's score against the class's and the
// year's means as a small bar chart, the counts of right, partly right,
// wrong and unanswered questions, and the questions that lost the most
// points.  Every text from a record is escaped and stripped of control
// characters; the card has no script and forbids any (its content security
// policy), and reads in black and white (bars told apart by fill pattern
// and labelled with their values).
#ifndef GENERATESHEET_TOOLS_SUMMARY_REPORT_CARD_H_
#define GENERATESHEET_TOOLS_SUMMARY_REPORT_CARD_H_

#include <optional>
#include <string>
#include <vector>

namespace generatesheet::cli {

// A place among `of` students: 1 is the highest total.
struct Place {
  size_t rank = 0;
  size_t of = 0;
};

struct CardSection {
  std::string heading;  // the short heading: "一、单项选择"
  double full = 0;      // 0 when unknown
  std::optional<double> own, class_mean, year_mean;
};

struct LostQuestion {
  int number = 0;
  std::string family;  // 单选题 ...
  double obtained = 0, full = 0;
  std::optional<double> year_facility;  // the year's score rate of the question
};

struct ReportCard {
  std::string student_id, student_name, subject, class_name;  // class "" when none
  std::string page;                                           // the page's file name
  std::string total;                                          // exact, as the summary shows it
  double full = 0;                                            // the paper's full marks
  std::optional<double> share;                                // total / full
  std::optional<Place> class_place, year_place;
  std::optional<double> percentile;  // in the year
  std::optional<double> t_score;     // 50 + 10z in the year
  std::vector<CardSection> sections;
  int right = 0, partial = 0, wrong = 0, unanswered = 0;
  std::vector<LostQuestion> lost;  // most points lost first
};

// The card as a whole HTML page.
std::string ReportCardHtml(const ReportCard& card);

// Several cards as one document, one A4 page each, in order: for printing
// many cards at once.
std::string ReportCardsDocument(const std::vector<ReportCard>& cards);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_SUMMARY_REPORT_CARD_H_
