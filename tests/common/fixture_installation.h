#pragma once
// Pieces of an earlier installation of the product, laid out in the test's
// Wine prefix: registry values, folders and the uninstall log that a previous
// run of the installer would have left.
#include <string>

namespace fixture {

// A REG_SZ value under HKEY_LOCAL_MACHINE; the key is created when missing.
void set_machine_string(const std::wstring& key, const wchar_t* name, const std::wstring& text);
// The product language an earlier run recorded (TwLanguage under the
// product's uninstall key), which the installer starts in; a negative
// language removes the value.
void record_product_language(int language);
// A folder with every missing parent.
void make_folder(const std::wstring& path);
// An uninstall log as an earlier installation of version 6.50 wrote it:
// UTF-16 with a byte-order mark, its two folders in the header, one file entry.
void write_uninstall_log(const std::wstring& path, const std::wstring& installPath,
                         const std::wstring& shortcutPath);

} // namespace fixture
