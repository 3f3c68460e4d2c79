#pragma once
// An install page that records what the install sequence shows on it.
#include "engine/install_view.h"

#include <string>
#include <vector>

class RecordingView : public IInstallView {
public:
    void SetStatus(const std::wstring& text) override { statuses.push_back(text); }
    void SetStatusPath(const std::wstring& text) override { statuses.push_back(text); }
    // A rule is recorded as "<rule>" or "<rule:heading>" on a line of its own.
    void AppendLine(const std::wstring& text, bool heading) override
    {
        if (heading || text.empty())
            log += (text.empty() ? std::wstring(L"<rule>") : L"<rule:" + text + L">") + L"\r\n";
        else
            log += text;
    }
    void ShowProgress(bool show) override { progressShown = show; }
    void SetProgress(int position) override { positions.push_back(position); }
    HWND Owner() const override { return nullptr; }

    std::vector<std::wstring> statuses;
    std::wstring log;
    std::vector<int> positions;
    bool progressShown = false;
};
