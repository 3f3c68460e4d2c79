#pragma once
// What the frame asks of every page: a modeless child dialog that is created
// once, stretched once to the common page area and re-labelled after each
// change of language.
#include "framework/dialog.h"

#include <initializer_list>
#include <string>

class CInstallApp;

class CWizardPage : public CDialog {
public:
    // The run state the page loads from and stores into.
    explicit CWizardPage(CInstallApp& app) : m_app(app) {}

    // dx, dy: how much wider and taller the page area is than the template.
    virtual void StretchControls(int dx, int dy) = 0;
    virtual void RefreshTexts() = 0;

protected:
    // Enter and Escape inside a page belong to the frame's buttons.
    void OnOK() override;
    void OnCancel() override;

    // Moves the edges of control `id` by the given amounts (page client
    // pixels), without repainting.
    void MoveControlEdges(int id, int left, int top, int right, int bottom) const;
    void Widen(int id, int dx) const { MoveControlEdges(id, 0, 0, dx, 0); }
    void ShiftRight(int id, int dx) const { MoveControlEdges(id, dx, 0, dx, 0); }
    void WidenAndShiftDown(int id, int dx, int dy) const { MoveControlEdges(id, 0, dy, dx, dy); }
    void Grow(int id, int dx, int dy) const { MoveControlEdges(id, 0, 0, dx, dy); }

    CInstallApp& m_app;
};

// The installer text `baseId` in the current language with %1, %2 ... filled
// in; the empty text when the resource is missing.
std::wstring PageText(unsigned baseId, std::initializer_list<std::wstring> args = {});
