// The folder pages are written to.
#ifndef GENERATESHEET_TOOLS_JOB_OUTPUT_FOLDER_H_
#define GENERATESHEET_TOOLS_JOB_OUTPUT_FOLDER_H_

#include <string>

namespace generatesheet::cli {

// Creates the folder named by --out (and its parents) when missing and
// returns it with a trailing "/", ready to be HTMLPaperPath.  Throws Error
// naming the folder when it cannot be made or is not a folder.
std::string PrepareOutputFolder(const std::string& folder);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_JOB_OUTPUT_FOLDER_H_
