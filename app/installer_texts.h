#pragma once
// The installer's own texts: one string block per language, looked up by the
// French identifier with fallbacks to English and then French.
#include "resources/text_ids.h"

#include <windows.h>
#include <initializer_list>
#include <string>

bool IsProductLanguage(int index);
bool HasInstallerTexts(int index);

// The string identifier to load for the French identifier `baseId` in the
// current language ("#" in a block means: not translated, fall back).
UINT TextId(UINT baseId);
// The text itself; a missing resource gives the empty text.
std::wstring LoadText(UINT baseId);

// Message-insertion formatting: %1 to %9 insert the arguments, "%%" is a
// percent sign; anything else is copied as it stands.
std::wstring FormatText(const std::wstring& format, std::initializer_list<std::wstring> args);
// Formats the resource TextId(baseId). Throws std::invalid_argument when that
// resource is missing or empty.
std::wstring FormatTextId(UINT baseId, std::initializer_list<std::wstring> args);

// Posted to the main window after a language change: re-label everything.
constexpr UINT WM_TW_REFRESH_TEXTS = WM_APP + 0x100;

// Applies a language the user picked on the start page.
void OnLanguageChanged(int index);
