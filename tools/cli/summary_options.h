// The options of batch and summary that shape the class's files: the
// exam's title (--title), the thresholds of the score bands (--pass,
// --excellent, --low) and the key that signs the archive manifest (--sign).
#ifndef GENERATESHEET_TOOLS_CLI_SUMMARY_OPTIONS_H_
#define GENERATESHEET_TOOLS_CLI_SUMMARY_OPTIONS_H_

#include <string>

#include "tools/cli/cli_args.h"
#include "tools/summary/exam_title.h"
#include "tools/summary/score_bands.h"

namespace generatesheet::cli {

// --title of batch and summary, with today's date.  Throws UsageError for
// an empty or blank title.
ExamTitle ExamTitleOption(const ParsedArgs& args);

// The options of batch and summary that set the thresholds.
inline const OptionSpec kPassOption = {"pass", "百分比",
                                       "及格率的及格线：得分不低于满分的此百分比（默认 60%）"};
inline const OptionSpec kExcellentOption = {"excellent", "百分比",
                                            "优秀率的优秀线：得分不低于满分的此百分比（默认 85%）"};
inline const OptionSpec kLowOption = {"low", "百分比",
                                      "低分率的低分线：得分低于满分的此百分比（默认 40%）"};

// The thresholds the options give, the defaults where they are not given.
ScoreBands ScoreBandsOption(const ParsedArgs& args);

// A threshold as its option gives it: "60%" or "60", more than 0 and at
// most 100; throws UsageError naming `option` otherwise.
double ParseBandShare(const std::string& option, const std::string& text);

// The key file of the --sign option ("" without it), read at once so that a
// key that cannot sign fails before any work.  Throws UsageError for a key
// inside `out_folder` (the folder the manifest lists), Error for one that
// cannot sign; warns on stderr when others may read the key.
std::string SigningKeyOption(const ParsedArgs& args, const std::string& out_folder);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_CLI_SUMMARY_OPTIONS_H_
