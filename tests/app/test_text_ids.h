#pragma once
// Test-only texts (test_texts.rc) beside the installer's own, at French
// identifiers the installer does not use, to follow the fallback chain through
// real resources.
#define IDS_TEST_GERMAN_PLACEHOLDER 1019   // "#" in German only
#define IDS_TEST_ENGLISH_PLACEHOLDER 1020  // "#" in English and German
#define IDS_TEST_FRENCH_PLACEHOLDER 1021   // "#" in every block, French included
