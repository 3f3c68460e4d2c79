#pragma once
// File-system queries that never raise: the extractor asks them before it
// writes, the uninstall log writer to recognise an entry it already has.
// Portable: built for Windows and natively for the payload tools and tests.
#include <boost/filesystem/path.hpp>

namespace tw {

// True when something exists at `p`; a failed query answers false.
bool path_exists(const boost::filesystem::path& p);

// Clears the read-only state of a regular file (of a link's target); leaves
// folders and missing paths alone. Errors are ignored.
void make_writable(const boost::filesystem::path& p);

// True when `a` and `b` name the same file-system object: equal as written,
// equivalent on disk, or equal element by element without regard to letter
// case once made absolute and normalised (for paths that do not exist).
bool same_path(const boost::filesystem::path& a, const boost::filesystem::path& b);

// The absolute, normalised form used by same_path: "." dropped, ".." removing
// the element before it (a path that would climb above its root is returned
// unchanged), forward slashes as backslashes on Windows.
boost::filesystem::path normalised_absolute(const boost::filesystem::path& p);

} // namespace tw
