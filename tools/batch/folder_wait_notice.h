// Tells the user on stderr when a run waits for another run that holds its
// package folder: the wait can last minutes, and would otherwise look like a
// hang.
#ifndef GENERATESHEET_TOOLS_BATCH_FOLDER_WAIT_NOTICE_H_
#define GENERATESHEET_TOOLS_BATCH_FOLDER_WAIT_NOTICE_H_

namespace generatesheet::cli {

// From now on, the first wait for each folder is shown as one line on
// stderr (on a terminal, over a progress line being drawn).
void ShowFolderWaitsOnStderr();

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_BATCH_FOLDER_WAIT_NOTICE_H_
