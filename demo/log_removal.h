#pragma once
// Takes back what an uninstall log lists, newest entry first: the product's
// self-registration (undone by the product itself), the Uninstall key, the
// link files, the files, and last the folders that are then empty. Data
// files the user may have edited (payload kind 3) are kept. A path the
// guard refuses is never touched; a file already gone is no error.
#include "demo/protected_paths.h"
#include "uninstall_log/log_entry.h"

#include <functional>
#include <string>
#include <vector>

namespace uninstall {

struct removal_outcome {
    std::vector<std::wstring> kept;   // data files left in place
    std::vector<std::wstring> failed; // entries that could not be removed, as the log names them

    // The folders of the kept files, each once, in the order met.
    std::vector<std::wstring> kept_folders() const;
};

class log_removal {
public:
    // Undoes the product's self-registration with its main program; true on success.
    using unregistration = std::function<bool(const std::wstring& mainProgram)>;

    log_removal(protected_paths guard, unregistration unregister);

    // `entries` in file order. `logFile`, the log itself, is deleted before
    // the folders when `deleteLog` holds (it was read to its end), so that
    // its folder can go.
    removal_outcome run(const std::vector<UninstallLogEntry>& entries, const std::wstring& logFile,
                        bool deleteLog) const;

private:
    bool remove_file(const std::wstring& path) const;
    bool remove_folder(const std::wstring& path) const;

    protected_paths guard_;
    unregistration unregister_;
};

// The product's own undo: runs `mainProgram` with "/Unregister" and waits
// for its exit code -10, as for its registration.
bool unregister_with_product(const std::wstring& mainProgram);

// The product's key in the list of installed programs; a key already gone
// counts as removed.
bool delete_uninstall_key();

} // namespace uninstall
