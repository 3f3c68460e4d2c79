#pragma once
// Readable texts for system error codes, with a last resort.
#include <windows.h>
#include <cstdint>
#include <string>

namespace tw {

// The system's text for an HRESULT or Win32 code in `language` (0: the
// system's default search), without trailing line breaks; the text of E_FAIL
// when the system has none, and "Error" when even that is missing.
std::wstring error_text(uint32_t code, LANGID language);

// The text of a code as the helper layer reports it: a code with the customer
// bit and 0x08000000 names a string resource in its low 16 bits.
std::wstring reported_error_text(uint32_t code);

} // namespace tw
