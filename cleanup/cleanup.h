// The cleanup flow: banner, prompt, one line of input, then the removal of the targets.
#pragma once

#include <array>

// The folders removed, in the order of removal. H comes before G.
inline constexpr std::array<const char*, 6> cleanup_targets = {
    "C:\\TaobaoAssistant\\Users", "D:\\TaobaoAssistant\\Users", "E:\\TaobaoAssistant\\Users",
    "F:\\TaobaoAssistant\\Users", "H:\\TaobaoAssistant\\Users", "G:\\TaobaoAssistant\\Users",
};

// Writes the banner and the prompt, waits for one line on standard input (its content is
// ignored; end of input counts as a line), then removes each of cleanup_targets as far as the
// file system allows. A failed read removes nothing. Writes nothing after the prompt. Returns 1.
int run_cleanup();
