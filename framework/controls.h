#pragma once
// Thin wrappers over the common controls the wizard pages use. A wrapper does
// not own the control window (the dialog does); the image list is owned.
#include <windows.h>
#include <commctrl.h>
#include <string>

class CWndControl {
public:
    void Attach(HWND wnd) { m_hWnd = wnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND m_hWnd = nullptr;

protected:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return SendMessageW(m_hWnd, message, wParam, lParam);
    }
};

class CEdit : public CWndControl {
public:
    void SetSel(int start, int end) const { Send(EM_SETSEL, static_cast<WPARAM>(start), end); }
    void ReplaceSel(const std::wstring& text, BOOL canUndo = FALSE) const
    {
        Send(EM_REPLACESEL, canUndo, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void ScrollCaret() const { Send(EM_SCROLLCARET); }
    void LineScroll(int lines) const { Send(EM_LINESCROLL, 0, lines); }
    int GetFirstVisibleLine() const { return static_cast<int>(Send(EM_GETFIRSTVISIBLELINE)); }
    int GetLineCount() const { return static_cast<int>(Send(EM_GETLINECOUNT)); }
    DWORD GetMargins() const { return static_cast<DWORD>(Send(EM_GETMARGINS)); }
    void SetReadOnly(BOOL readOnly) const { Send(EM_SETREADONLY, readOnly); }
    void SetLimitText(int count) const { Send(EM_LIMITTEXT, static_cast<WPARAM>(count)); }
    void Clear() const { SetWindowTextW(m_hWnd, L""); }
};

class CProgressCtrl : public CWndControl {
public:
    void SetRange32(int lower, int upper) const { Send(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
    int SetPos(int pos) const { return static_cast<int>(Send(PBM_SETPOS, static_cast<WPARAM>(pos))); }
    int GetPos() const { return static_cast<int>(Send(PBM_GETPOS)); }
};

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    BOOL Create(int cx, int cy, UINT flags, int initial, int grow)
    {
        DeleteImageList();
        m_list = ImageList_Create(cx, cy, flags, initial, grow);
        return m_list != nullptr;
    }
    // Appends `icon` (index -1) or replaces image `index`; the image index, or -1.
    int ReplaceIcon(int index, HICON icon) const { return m_list ? ImageList_ReplaceIcon(m_list, index, icon) : -1; }
    int GetImageCount() const { return m_list ? ImageList_GetImageCount(m_list) : 0; }
    HIMAGELIST GetSafeHandle() const { return m_list; }
    void DeleteImageList()
    {
        if (m_list)
            ImageList_Destroy(m_list);
        m_list = nullptr;
    }

private:
    HIMAGELIST m_list = nullptr;
};

class CComboBoxEx : public CWndControl {
public:
    // The insertion position, or -1.
    int InsertItem(const COMBOBOXEXITEMW& item) const
    {
        return static_cast<int>(Send(CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    }
    BOOL GetItem(COMBOBOXEXITEMW& item) const { return Send(CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0; }
    void SetImageList(const CImageList& list) const
    {
        Send(CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list.GetSafeHandle()));
    }
    HWND GetComboBoxCtrl() const { return reinterpret_cast<HWND>(Send(CBEM_GETCOMBOCONTROL)); }
    int GetCount() const { return static_cast<int>(Send(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(Send(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    int SetDroppedWidth(int width) const { return static_cast<int>(Send(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width))); }
};
