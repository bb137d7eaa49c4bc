#include "cleanup/cleanup.h"

#include "console/console.h"
#include "filesystem/directory_tree.h"

namespace {

// The console texts, as GBK bytes.
constexpr char kEmptyLine[] = "\r\n";
// " ", 34 hyphens, " 【 Orlavex 】 ", 29 hyphens, " ", CR LF.
constexpr char kBanner[] =
    " ---------------------------------- \xA1\xBE Orlavex \xA1\xBF ----------------------------- \r\n";
// Eight spaces, "回车执行 / 关闭取消", and a space. No line end: the cursor waits after it.
constexpr char kPrompt[] =
    "        \xBB\xD8\xB3\xB5\xD6\xB4\xD0\xD0 / \xB9\xD8\xB1\xD5\xC8\xA1\xCF\xFB ";

static_assert(sizeof kBanner - 1 == 1 + 34 + 1 + 2 + 9 + 2 + 1 + 29 + 1 + 2);
static_assert(sizeof kPrompt - 1 == 28);

}  // namespace

int run_cleanup() {
  console_write({kEmptyLine});
  console_write({kBanner});
  console_write({kEmptyLine});
  console_write({kPrompt});
  // A failed read is how Ctrl+C at the prompt can reach us before the system ends the process:
  // it cancels like closing the window does. The line itself is released unread.
  if (console_read_line().failed) return 1;
  for (const char* target : cleanup_targets) remove_directory_tree(target);
  return 1;
}
