// The path queries the extractor and the uninstall log rely on.
#include "tests/payload/payload_fixtures.h"
#include "winhelpers/path_queries.h"

#include <boost/filesystem/operations.hpp>
#include <gtest/gtest.h>

namespace fs = boost::filesystem;
using namespace tw::test;

namespace {

bool writable(const fs::path& p) { return (fs::status(p).permissions() & fs::perms::owner_write) != fs::perms::no_perms; }

// Restores the current folder at the end of a test.
class current_folder {
public:
    explicit current_folder(const fs::path& p) : previous_(fs::current_path()) { fs::current_path(p); }
    ~current_folder() { fs::current_path(previous_); }

private:
    fs::path previous_;
};

} // namespace

TEST(PathQueries, SamePath)
{
    scratch_folder scratch;
    write_file(scratch.path() / "file.txt", "x");
    current_folder here(scratch.path());
    const fs::path missing = scratch.path() / "Not There";
    struct row {
        const char* name;
        fs::path a, b;
        bool same;
    };
    const std::vector<row> rows = {
        {"identical", missing, missing, true},
        {"missing folder, other letter case", missing, scratch.path() / "NOT THERE", true},
        {"missing folder with a trailing dot element", missing, missing / ".", true},
        {"missing folder through ..", missing, scratch.path() / "x" / ".." / "Not There", true},
        {"existing file, relative spelling", scratch.path() / "file.txt", "file.txt", true},
        {"existing file, relative spelling through .", scratch.path() / "file.txt", fs::path(".") / "file.txt", true},
        {"different missing names", missing, scratch.path() / "Not Here", false},
        {"prefix only", missing, missing / "deeper", false},
        {"existing and missing", scratch.path() / "file.txt", missing, false},
    };
    for (const row& r : rows) {
        EXPECT_EQ(tw::same_path(r.a, r.b), r.same) << r.name;
        EXPECT_EQ(tw::same_path(r.b, r.a), r.same) << r.name << " (swapped)";
    }
}

TEST(PathQueries, NormalisedAbsolute)
{
    const fs::path root = fs::current_path().root_path();
    EXPECT_EQ(tw::normalised_absolute(root / "a" / "." / "b" / ".." / "c"), root / "a" / "c");
    // Climbing above the root leaves the path as it was.
    EXPECT_EQ(tw::normalised_absolute(root / ".." / "a"), root / ".." / "a");
    EXPECT_EQ(tw::normalised_absolute("rel"), fs::current_path() / "rel");
}

TEST(PathQueries, MakeWritableAndPathExists)
{
    scratch_folder scratch;
    fs::path file = scratch.path() / "ro.txt";
    write_file(file, "x");
    fs::permissions(file, fs::perms::owner_read);
    ASSERT_FALSE(writable(file));
    tw::make_writable(file);
    EXPECT_TRUE(writable(file));

    fs::path folder = scratch.path() / "folder";
    fs::create_directory(folder);
    fs::perms before = fs::status(folder).permissions();
    tw::make_writable(folder);
    EXPECT_EQ(fs::status(folder).permissions(), before);
    tw::make_writable(scratch.path() / "missing"); // nothing to do, nothing raised

    EXPECT_TRUE(tw::path_exists(file));
    EXPECT_TRUE(tw::path_exists(folder));
    EXPECT_FALSE(tw::path_exists(scratch.path() / "missing"));
    EXPECT_FALSE(tw::path_exists(file / "below a file"));
}
