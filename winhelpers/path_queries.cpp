#include "winhelpers/path_queries.h"

#include <boost/filesystem/operations.hpp>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shlwapi.h>
#else
#include <cwctype>
#endif

namespace fs = boost::filesystem;

namespace tw {
namespace {

bool same_element_ignoring_case(const fs::path& a, const fs::path& b)
{
    const auto& x = a.native();
    const auto& y = b.native();
    if (x.size() != y.size())
        return false;
#ifdef _WIN32
    return StrIsIntlEqualW(FALSE, x.c_str(), y.c_str(), static_cast<int>(x.size())) != FALSE;
#else
    // Natively the names are UTF-8 bytes: compare them as wide text.
    std::wstring wx = a.wstring(), wy = b.wstring();
    if (wx.size() != wy.size())
        return false;
    for (size_t i = 0; i < wx.size(); ++i)
        if (std::towlower(wx[i]) != std::towlower(wy[i]))
            return false;
    return true;
#endif
}

} // namespace

bool path_exists(const fs::path& p)
{
    boost::system::error_code ec;
    fs::file_status st = fs::status(p, ec);
    return !ec && st.type() != fs::status_error && st.type() != fs::file_not_found;
}

void make_writable(const fs::path& p)
{
    boost::system::error_code ec;
    fs::file_status st = fs::symlink_status(p, ec);
    if (ec)
        return;
    if (st.type() == fs::regular_file) {
        fs::permissions(p, fs::perms::add_perms | fs::perms::owner_write | fs::perms::group_write |
                               fs::perms::others_write, ec);
    } else if (st.type() == fs::symlink_file) {
        fs::path target = fs::read_symlink(p, ec);
        if (ec)
            return;
        if (target.is_relative())
            target = p.parent_path() / target;
        // Only one level: a chain of links is not followed further.
        if (fs::symlink_status(target, ec).type() == fs::regular_file && !ec)
            make_writable(target);
    }
}

fs::path normalised_absolute(const fs::path& p)
{
    fs::path abs = p;
    if (!p.is_absolute()) {
        boost::system::error_code ec;
        fs::path cwd = fs::current_path(ec);
        if (!ec) {
            // A path rooted without a drive is on the current drive, not below the current folder.
            abs = p.has_root_directory() ? cwd.root_name() / p : cwd / p;
        }
    }
    std::vector<fs::path> kept;
    fs::path root = abs.root_path();
    fs::path rel = abs.relative_path();
    for (const fs::path& element : rel) {
        if (element == ".") {
            continue;
        }
        if (element == "..") {
            if (!kept.empty() && kept.back() != "..") {
                kept.pop_back();
                continue;
            }
            if (!root.empty())
                return abs; // would climb above the root: unchanged
            kept.push_back(element);
            continue;
        }
        if (element.empty())
            continue; // a trailing separator
        kept.push_back(element);
    }
    fs::path out = root;
    for (const fs::path& element : kept)
        out /= element;
#ifdef _WIN32
    out.make_preferred();
#endif
    return out;
}

bool same_path(const fs::path& a, const fs::path& b)
{
    if (a == b)
        return true; // element by element, as written

    boost::system::error_code ec;
    bool equivalent = fs::equivalent(a, b, ec);
    if (!ec)
        return equivalent;

    fs::path x = normalised_absolute(a);
    fs::path y = normalised_absolute(b);
    auto i = x.begin(), j = y.begin();
    for (; i != x.end() && j != y.end(); ++i, ++j)
        if (!same_element_ignoring_case(*i, *j))
            return false;
    return i == x.end() && j == y.end();
}

} // namespace tw
