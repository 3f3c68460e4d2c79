#pragma once
// The uninstaller's run, as the temporary copy does it: the product family's
// running members closed, the user's confirmation, the removal of what the
// log beside the original uninstaller lists, and the closing box.
#include <string>

namespace uninstall {

// The process exit codes.
constexpr int kRemoved = 0;
constexpr int kCancelled = 1;
constexpr int kNotAllRemoved = 2;

class CUninstaller {
public:
    // `originalPath`: the uninstaller in the installation folder.
    explicit CUninstaller(std::wstring originalPath);
    // Shows its boxes and answers the exit code.
    int Run();

private:
    bool OthersClosed() const;
    bool Confirmed() const;

    std::wstring m_logPath;
};

// The language the installation recorded (TwLanguage), else the user's.
int installed_language();
// A box of the uninstaller, captioned with the product's name.
int show_box(const std::wstring& text, unsigned type);

} // namespace uninstall
