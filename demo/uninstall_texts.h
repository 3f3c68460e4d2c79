#pragma once
// The uninstaller's own texts, in its own string table: one block per
// language it speaks (English, French, German), the same text numbers in
// each. Independent of the installer's resources.
#include <windows.h>

#include <initializer_list>
#include <string>

namespace uninstall {

enum class text : UINT {
    confirm = 1,        // Remove %1 and all of its components?
    close_product,      // Close %1 before it is removed.
    removed,            // %1 has been removed.
    partly_removed,     // %1 has been partly removed.
    kept_folders,       // Your own data files were kept in:
    not_removed,        // These items could not be removed:
    log_missing,        // No uninstall information (%1): nothing removed.
    log_damaged,        // Damaged uninstall information (%1): partial removal.
    handover_failed,    // The temporary copy could not be started (%1).
};

// The first identifier of each language's block; a text's identifier is the
// block's plus its number.
constexpr UINT kEnglishBlock = 100;
constexpr UINT kFrenchBlock = 200;
constexpr UINT kGermanBlock = 300;

// The block for a product language index (0 French, 1 English, 2 German,
// as TwLanguage records it); English for any language without texts.
UINT language_block(int languageIndex);
// The language index of the user's interface language when the uninstaller
// speaks it, else English.
int user_language();

// Chooses the block every later text comes from.
void set_text_language(int languageIndex);
// The text in the chosen language, "%1"... replaced by the arguments.
std::wstring load_text(text id, std::initializer_list<std::wstring> args = {});

} // namespace uninstall
