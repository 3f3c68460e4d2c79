// The install sequence in-process, under Wine, with a recording page: the
// reactions to the extractor's notifications by file kind and installation
// state, the code texts, the progress rounding, the temporary working folder
// and the journal's refusal to overwrite what it could not back up.
#include "app/install_app.h"
#include "app/language.h"
#include "engine/install_sequence.h"
#include "engine/temp_folder.h"
#include "payload/compress_error.h"
#include "tests/engine/installation_check.h"
#include "tests/engine/recording_view.h"
#include "winhelpers/scoped_handle.h"

#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <regex>
#include <sstream>

namespace {

using installation::exists;
using installation::make_folder;
using installation::read_bytes;
using tw::notification;
using result = tw::notification::result;

// Sets an environment variable for the test's lifetime.
class scoped_env {
public:
    scoped_env(const wchar_t* name, const std::wstring& value) : name_(name)
    {
        wchar_t old[32768];
        DWORD n = GetEnvironmentVariableW(name, old, 32768);
        had_ = n > 0 && n < 32768;
        if (had_)
            old_ = old;
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~scoped_env() { SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

private:
    const wchar_t* name_;
    std::wstring old_;
    bool had_ = false;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { tw::set_language(tw::language_english); }

    CInstallApp app;
    RecordingView view;
    std::wstring mainProgram, uninstaller;
    CInstallSequence sequence{app, view, mainProgram, uninstaller};
};

// --- Reactions to file_begin and file_end, by kind and installation state ---

struct ReactionCase {
    const char* name;
    uint32_t kind;
    InstallState state;
    bool existing;       // a file is at the destination before
    bool listedBefore;   // the previous log lists it as a completed file
    result answer;       // to file_begin
    bool journaled;      // this run's journal has an entry for it
    bool backedUp;       // that entry has a backup
    bool keptAsItWas;    // the old content is still at the destination afterwards
};

void PrintTo(const ReactionCase& c, std::ostream* os)
{
    *os << c.name;
}

const ReactionCase kReactions[] = {
    {"program_new", tw::kind_program_file, NotInstalled, false, false, result::proceed, true, false, false},
    {"program_over_old", tw::kind_program_file, Update, true, false, result::proceed, true, true, false},
    {"main_program", tw::kind_main_program, NotInstalled, false, false, result::proceed, true, false, false},
    {"uninstaller", tw::kind_uninstaller, SameVersion, true, true, result::proceed, true, true, false},
    {"kept_fresh_present", tw::kind_kept_data, NotInstalled, true, false, result::skip, true, true, true},
    {"kept_fresh_listed_absent", tw::kind_kept_data, NotInstalled, false, true, result::proceed, true, false, false},
    {"kept_update_listed", tw::kind_kept_data, Update, true, true, result::skip, false, false, true},
    {"kept_reinstall_listed", tw::kind_kept_data, SameVersion, true, true, result::skip, false, false, true},
    {"kept_update_absent", tw::kind_kept_data, Update, false, false, result::proceed, true, false, false},
    {"content_update", tw::kind_content, Update, true, false, result::skip, false, false, true},
    {"content_reinstall", tw::kind_content, SameVersion, true, false, result::proceed, true, true, false},
    {"content_fresh", tw::kind_content, NotInstalled, false, false, result::proceed, true, false, false},
    {"special", tw::kind_special, NotInstalled, false, false, result::proceed, false, false, false},
    {"unknown_kind", 9, NotInstalled, false, false, result::proceed, true, false, false},
};

class Reactions : public EngineTest, public ::testing::WithParamInterface<ReactionCase> {};

TEST_P(Reactions, LinesJournalAndAnswers)
{
    const ReactionCase& c = GetParam();
    std::wstring folder = L"C:\\tw-engine\\reactions\\" + std::wstring(c.name, c.name + strlen(c.name)) + L" dir";
    ASSERT_TRUE(make_folder(folder.c_str()));
    tw::archive_entry entry;
    entry.destination = folder + L"\\file.dat";
    entry.kind = c.kind;
    if (c.existing) {
        ASSERT_TRUE(installation::write_bytes(entry.destination, "old"));
    }
    if (c.listedBefore) {
        UninstallLogEntry listed;
        listed.kind = LogEntryKind::File;
        listed.path = entry.destination;
        listed.done = true;
        listed.fileKind = static_cast<int32_t>(c.kind);
        app.m_previousLog.previousEntries.push_back(listed);
    }
    app.m_installState = c.state;
    TempFolder temp(L"C:\\tw-engine\\reactions\\temp");
    temp.MakeCurrent();

    ASSERT_EQ(sequence.React(notification::file_begin{entry}), c.answer);
    std::wstring line = L"Copying File  \"" + entry.destination + L"\"...";
    if (c.answer == result::proceed) {
        EXPECT_EQ(view.log, line);
        EXPECT_EQ(view.statuses, std::vector<std::wstring>{line});
        ASSERT_TRUE(installation::write_bytes(entry.destination, "new"));
        ASSERT_EQ(sequence.React(notification::file_end{entry}), result::proceed);
        EXPECT_EQ(view.log, line + L"OK\r\n");
    } else {
        EXPECT_EQ(view.log, L"") << "a skipped file leaves no line";
        EXPECT_TRUE(view.statuses.empty());
    }

    const auto& journal = app.m_previousLog.currentEntries;
    ASSERT_EQ(journal.size(), c.journaled ? 1u : 0u);
    EXPECT_FALSE(app.m_previousLog.pending);
    if (c.journaled) {
        EXPECT_EQ(journal[0].kind, LogEntryKind::File);
        EXPECT_EQ(journal[0].path, entry.destination);
        EXPECT_TRUE(journal[0].done);
        EXPECT_EQ(journal[0].fileKind, static_cast<int32_t>(c.kind));
        EXPECT_EQ(!journal[0].backup.empty(), c.backedUp);
        if (c.backedUp) {
            EXPECT_EQ(read_bytes(journal[0].backup), "old");
        }
    }
    if (c.keptAsItWas) {
        EXPECT_EQ(read_bytes(entry.destination), "old");
    }
    EXPECT_EQ(mainProgram, c.kind == tw::kind_main_program ? entry.destination : L"");
    EXPECT_EQ(uninstaller, c.kind == tw::kind_uninstaller ? entry.destination : L"");
    EXPECT_EQ(temp.files, c.kind == tw::kind_special ? std::vector<std::wstring>{entry.destination}
                                                     : std::vector<std::wstring>{});
    app.m_previousLog.DeleteBackups();
}

INSTANTIATE_TEST_SUITE_P(ByKindAndState, Reactions, ::testing::ValuesIn(kReactions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineTest, ErrorClosesThePendingFileAsFailedAndShowsTheCode)
{
    ASSERT_TRUE(make_folder(L"C:\\tw-engine\\error"));
    tw::archive_entry entry;
    entry.destination = L"C:\\tw-engine\\error\\file.dat";
    ASSERT_EQ(sequence.React(notification::file_begin{entry}), result::proceed);
    EXPECT_EQ(sequence.React(notification::error{std::error_code(112, std::system_category()), entry.destination}),
              result::abort);
    EXPECT_EQ(view.log, L"Copying File  C:\\tw-engine\\error\\file.dat...Failed\r\n");
    EXPECT_EQ(view.statuses.back(), L"Installation failed (Error Code 1:00000070).");
    ASSERT_EQ(app.m_previousLog.currentEntries.size(), 1u);
    EXPECT_FALSE(app.m_previousLog.currentEntries[0].done);
    EXPECT_FALSE(app.m_previousLog.pending);
}

TEST_F(EngineTest, StartChecksThePayloadAndRewindsIt)
{
    std::ostringstream packed;
    {
        boost::iostreams::filtering_ostream out;
        out.push(boost::iostreams::bzip2_compressor());
        out.push(packed);
        out << std::string(10000, 'k');
    }
    std::istringstream payload(packed.str());
    sequence.SetPayloadStream(&payload);
    EXPECT_EQ(sequence.React(notification::start{}), result::proceed);
    EXPECT_EQ(view.log, L"Preparing Installation...OK\r\n");
    EXPECT_EQ(payload.tellg(), std::streampos(0));
    EXPECT_TRUE(payload.good());

    std::string damaged = packed.str();
    damaged[damaged.size() / 2] ^= 0x10;
    std::istringstream bad(damaged);
    sequence.SetPayloadStream(&bad);
    view.log.clear();
    try {
        sequence.React(notification::start{});
        ADD_FAILURE() << "a damaged payload passed the pre-check";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), tw::make_error_code(tw::compress_errc::precheck_failed));
    }
    EXPECT_EQ(view.log, L"Preparing Installation...");
}

TEST_F(EngineTest, ProgressSetsThePosition)
{
    EXPECT_EQ(sequence.React(notification::progress{995, 1000}), result::proceed);
    EXPECT_EQ(sequence.React(notification::progress{1000, 1000}), result::proceed);
    EXPECT_EQ(view.positions, (std::vector<int>{99, 100}));
}

// --- An existing file that cannot be backed up ---

TEST_F(EngineTest, FileThatCannotBeBackedUpIsNeitherOverwrittenNorRolledBack)
{
    ASSERT_TRUE(make_folder(L"C:\\tw-engine\\nobackup"));
    const std::wstring path = L"C:\\tw-engine\\nobackup\\Korvane.exe";
    ASSERT_TRUE(installation::write_bytes(path, "previous installation"));
    app.m_installState = Update;
    // No temporary folder to put the backup in.
    scoped_env tmp(L"TMP", L"C:\\tw-engine\\no such folder");
    scoped_env temp(L"TEMP", L"C:\\tw-engine\\no such folder");

    tw::archive_entry entry;
    entry.destination = path;
    entry.kind = tw::kind_main_program;
    try {
        sequence.React(notification::file_begin{entry});
        ADD_FAILURE() << "the file would be overwritten without a backup";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().category(), std::system_category());
        EXPECT_NE(e.code().value(), 0);
    }
    EXPECT_TRUE(app.m_previousLog.currentEntries.empty());
    EXPECT_FALSE(app.m_previousLog.pending);
    sequence.React(notification::error{std::error_code(3, std::system_category()), path});
    EXPECT_EQ(view.log, L"Copying File  " + path + L"...Failed\r\n");
    app.m_previousLog.Rollback();
    EXPECT_EQ(read_bytes(path), "previous installation");
}

TEST_F(EngineTest, KeptFileWhoseCopyFailsStaysUntouchedAndUnjournaled)
{
    ASSERT_TRUE(make_folder(L"C:\\tw-engine\\keptnobackup"));
    const std::wstring path = L"C:\\tw-engine\\keptnobackup\\Standard.crv";
    ASSERT_TRUE(installation::write_bytes(path, "user's curves"));
    scoped_env tmp(L"TMP", L"C:\\tw-engine\\no such folder");
    scoped_env temp(L"TEMP", L"C:\\tw-engine\\no such folder");
    tw::archive_entry entry;
    entry.destination = path;
    entry.kind = tw::kind_kept_data;
    EXPECT_EQ(sequence.React(notification::file_begin{entry}), result::skip);
    EXPECT_TRUE(app.m_previousLog.currentEntries.empty());
    app.m_previousLog.Rollback();
    EXPECT_EQ(read_bytes(path), "user's curves");
}

// --- Code texts and progress ---

TEST(CodeText, BySource)
{
    struct {
        std::error_code code;
        const wchar_t* text;
    } cases[] = {
        {{5, std::system_category()}, L"1:00000005"},
        {{112, std::system_category()}, L"1:00000070"},
        {{static_cast<int>(0x80070020), std::system_category()}, L"1:80070020"},
        {{28, std::generic_category()}, L"2:0000001C"},
        {tw::compress_errc::invalid_checksum, L"3"},
        {tw::compress_errc::precheck_failed, L"4"},
        {tw::compress_errc::bzip2_error, L"6"},
        {tw::compress_errc::unexpected_error, L"7"},
        {std::make_error_code(std::io_errc::stream), L"7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InstallErrorCodeText(c.code), c.text) << c.code.message();
}

TEST(Progress, RoundsButNeverShowsDoneEarly)
{
    struct {
        uint64_t processed, total;
        int position;
    } cases[] = {
        {0, 100, 0},       {1, 200, 1},        {1, 201, 0},          {1, 3, 33},
        {2, 3, 67},        {994, 1000, 99},    {995, 1000, 99},      {999, 1000, 99},
        {1000, 1000, 100}, {5829861, 5829862, 99}, {5829862, 5829862, 100},
        {0xFFFFFFFFFFull, 0x10000000000ull, 99},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgressPosition(c.processed, c.total), c.position) << c.processed << "/" << c.total;
}

// --- The temporary working folder ---

TEST_F(EngineTest, TempFolderNameIsAFreshVersion4Uuid)
{
    std::wstring error;
    ASSERT_TRUE(app.MakeTempFolderPath(error));
    std::wstring first = app.m_tempFolder;
    ASSERT_TRUE(app.MakeTempFolderPath(error));
    EXPECT_NE(first, app.m_tempFolder);
    std::wregex form(LR"(.*\\tarnwick_\{[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}\})");
    EXPECT_TRUE(std::regex_match(first, form)) << testing::PrintToString(first);
    EXPECT_FALSE(exists(first)) << "the name is formed, not created";
}

TEST_F(EngineTest, TempPathLengthLimits)
{
    // GetTempPathW adds the final backslash. The folder's element (47
    // characters) fits behind at most 212; 246 is the most the temporary
    // path may have at all.
    struct {
        size_t length;
        bool accepted;
    } cases[] = {{212, true}, {213, false}, {246, false}, {247, false}};
    for (const auto& c : cases) {
        std::wstring tmp = L"C:\\" + std::wstring(c.length - 4, L'a');
        scoped_env variable(L"TMP", tmp);
        std::wstring error;
        app.m_tempFolder = L"untouched";
        EXPECT_EQ(app.MakeTempFolderPath(error), c.accepted) << c.length;
        if (c.accepted) {
            EXPECT_EQ(app.m_tempFolder.substr(0, c.length), tmp + L"\\");
            EXPECT_EQ(app.m_tempFolder.size(), c.length + 47);
            EXPECT_EQ(error, L"");
        } else {
            EXPECT_EQ(error, L"000000ce (GetTempPath)") << c.length;
            EXPECT_EQ(app.m_tempFolder, L"untouched");
        }
    }
}

TEST(TempFolderRecord, ReleaseDeletesRegisteredFilesThenTheEmptyFolder)
{
    const std::wstring folder = L"C:\\tw-engine\\temp-release";
    ASSERT_TRUE(make_folder(folder.c_str()));
    {
        TempFolder record(folder);
        record.MakeCurrent();
        EXPECT_EQ(TempFolder::Current(), &record);
        ASSERT_TRUE(installation::write_bytes(folder + L"\\a.tmp", "a"));
        ASSERT_TRUE(installation::write_bytes(folder + L"\\b.tmp", "b"));
        TempFolder::RegisterTempFile(folder + L"\\a.tmp");
        TempFolder::RegisterTempFile(folder + L"\\b.tmp");
        TempFolder::RegisterTempFile(folder + L"\\never written.tmp");
        TempFolder::ClearCurrent();
        TempFolder::RegisterTempFile(folder + L"\\not registered.tmp");
        EXPECT_EQ(record.files.size(), 3u);
        record.Release();
        EXPECT_TRUE(record.files.empty());
        EXPECT_TRUE(record.path.empty());
    }
    EXPECT_FALSE(exists(folder));

    // A folder with something else in it stays, with that file.
    ASSERT_TRUE(make_folder(folder.c_str()));
    ASSERT_TRUE(installation::write_bytes(folder + L"\\other.txt", "x"));
    {
        TempFolder record(folder);
        record.MakeCurrent();
        ASSERT_TRUE(installation::write_bytes(folder + L"\\a.tmp", "a"));
        TempFolder::RegisterTempFile(folder + L"\\a.tmp");
    } // the destructor releases and forgets the current record
    EXPECT_EQ(TempFolder::Current(), nullptr);
    EXPECT_FALSE(exists(folder + L"\\a.tmp"));
    EXPECT_TRUE(exists(folder + L"\\other.txt"));
}

} // namespace
