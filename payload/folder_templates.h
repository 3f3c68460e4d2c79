#pragma once
// Destination templates: a first element such as <CommonData> stands for a
// folder known only on the target machine.
#include "payload/target_folders.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tw {

// CSIDL values of the shell folders the placeholders name.
enum shell_folder : int {
    folder_personal = 0x05,
    folder_desktop_directory = 0x10,
    folder_common_desktop_directory = 0x19,
    folder_appdata = 0x1A,
    folder_common_appdata = 0x23,
    folder_windows = 0x24,
    folder_system = 0x25,
    folder_program_files = 0x26,
    folder_program_files_common = 0x2B,
    folder_common_documents = 0x2E,
};

// Where shell folders come from: the path of a CSIDL, empty when it cannot be
// determined. On Windows the default asks the shell; natively the default
// knows no folder, so tools and tests set their own table.
using shell_folder_source = std::function<std::wstring(int csidl)>;

// Installs `source` (an empty function restores the default) and returns the
// one it replaces.
shell_folder_source set_shell_folder_source(shell_folder_source source);

// The folder for `csidl`, else for `fallback`; throws "unexpected error" when
// neither can be determined.
std::wstring shell_folder_path(int csidl, std::optional<int> fallback = std::nullopt);

// Joins `element` to `base` with a backslash unless base is empty, already
// ends with a separator or a colon, or the element starts with a separator.
std::wstring join_path(const std::wstring& base, const std::wstring& element);

// The folder `folder_template` names; throws "unexpected error" when a shell
// folder it needs cannot be determined. Unknown placeholders (letter case
// counts) give an empty base.
std::wstring resolve_folder_template(const target_folders& folders, const std::wstring& folder_template);

// The elements of a template, split at runs of separators ("\\" and "/"); a
// leading separator gives an empty first element, a trailing one a final ".".
std::vector<std::wstring> template_elements(const std::wstring& folder_template);

// True when `element` is one of the thirteen placeholders, spelled exactly.
bool is_placeholder(const std::wstring& element);
// The thirteen placeholders in lookup order ("<InstallPath>" ...).
std::vector<std::wstring> placeholder_names();

} // namespace tw
