#include "cleanup/startup.h"

#include <algorithm>
#include <string>

std::optional<std::string_view> module_folder(std::string_view module_path, DWORD buffer_size,
                                              LeadBytePredicate is_lead_byte) {
  // GetModuleFileNameA reports a path that does not fit as the buffer's full size; Windows XP
  // leaves it unterminated too. Such a path names some other folder, so none of it is used.
  if (module_path.empty() || module_path.size() >= buffer_size) return std::nullopt;
  const std::size_t last_separator = ansi_find_last_of(module_path, "\\", is_lead_byte);
  if (last_separator == std::string_view::npos) return std::nullopt;
  return module_path.substr(0, last_separator);
}

void enter_executable_folder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::optional<std::string_view> folder =
      module_folder(std::string_view(path, std::min<DWORD>(length, MAX_PATH)), MAX_PATH, system_lead_byte);
  if (folder) SetCurrentDirectoryA(std::string(*folder).c_str());
}
