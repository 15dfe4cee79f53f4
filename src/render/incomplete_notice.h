// The notice at the top of a page that lacks parts: a reader who prints or
// opens the page sees that it is not whole, why, and what to do.
#ifndef GENERATESHEET_RENDER_INCOMPLETE_NOTICE_H_
#define GENERATESHEET_RENDER_INCOMPLETE_NOTICE_H_

#include <string>
#include <string_view>

namespace generatesheet {

// "此页面不完整：CAUSE。ADVICE" as one block, both texts escaped.  Styled
// inline, so it shows in any template and on paper.
std::string IncompleteNoticeHtml(std::string_view cause, std::string_view advice);

}  // namespace generatesheet

#endif  // GENERATESHEET_RENDER_INCOMPLETE_NOTICE_H_
