#pragma once
// Shell shortcuts (.lnk files) that start a program.
#include <string>

namespace tw {

// Writes `folder`\`name`.lnk pointing at `target`, with the target's folder
// as working folder and nothing else set. A null `name` takes the target's
// file name without extension; a given name is kept whole, dots included.
// `folder` must exist. On success `outLinkPath`, when given, gets the link
// file's path. COM is initialised for the duration of the call.
bool create_shortcut(const std::wstring& target, const std::wstring& folder, const wchar_t* name,
                     std::wstring* outLinkPath);

} // namespace tw
