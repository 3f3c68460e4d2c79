#pragma once
// What the install sequence needs of the page it runs on: the status line,
// the log box, the progress bar and an owner for the shell. The wizard's
// install page implements it; a test records what it is told.
#include <windows.h>

#include <string>

class IInstallView {
public:
    virtual ~IInstallView() = default;

    virtual void SetStatus(const std::wstring& text) = 0;
    // The same, shortened as a path to the status line's width.
    virtual void SetStatusPath(const std::wstring& text) = 0;
    // A heading, or an empty text, becomes a rule as wide as the log box.
    virtual void AppendLine(const std::wstring& text, bool heading) = 0;
    virtual void ShowProgress(bool show) = 0;
    virtual void SetProgress(int position) = 0; // 0 to 100
    virtual HWND Owner() const = 0;
};
