#include "wizard/dlg_start.h"

#include "app/install_app.h"
#include "app/installer_texts.h"
#include "app/language.h"
#include "app/product.h"
#include "framework/data_exchange.h"
#include "resources/dialog_ids.h"

#include <algorithm>

// French, English, German, Spanish, Italian, Portuguese, Dutch, Norwegian,
// Turkish, Romanian, Czech, Chinese.
const int CDlgStart::kLanguageOrder[12] = {0, 1, 2, 3, 11, 4, 5, 13, 7, 9, 12, 10};

CDlgStart::CDlgStart(CInstallApp& app) : CWizardPage(app)
{
    OnCommandFrom(IDC_LANGUAGE_LIST, CBN_SELCHANGE, [this] { OnLanguageSelected(); });
}

void CDlgStart::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_LANGUAGE_LIST, m_languageCombo);
}

BOOL CDlgStart::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    m_flagImages.Create(18, 12, ILC_COLOR24, 8, 1);
    m_languageCombo.SetImageList(m_flagImages);
    int position = 0;
    int currentPosition = -1;
    for (int language : kLanguageOrder)
        AddLanguage(position, currentPosition, language);
    SetDropDownWidth();
    m_languageCombo.SetCurSel(currentPosition);
    return TRUE;
}

void CDlgStart::AddLanguage(int& position, int& currentPosition, int language)
{
    std::wstring name = tw::language_native_name(language);
    // A missing flag leaves the entry without a picture.
    HICON flag = static_cast<HICON>(LoadImageW(AfxGetInstanceHandle(),
                                               MAKEINTRESOURCEW(tw::language_flag_icon(language)), IMAGE_ICON, 16,
                                               12, LR_DEFAULTCOLOR));
    int image = flag ? m_flagImages.ReplaceIcon(-1, flag) : -1;
    if (flag)
        DestroyIcon(flag);

    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_LPARAM;
    item.iItem = position++;
    item.pszText = name.data();
    item.iImage = image < 0 ? I_IMAGENONE : image;
    item.iSelectedImage = item.iImage;
    item.lParam = language;
    int inserted = m_languageCombo.InsertItem(item);
    if (language == tw::current_language())
        currentPosition = inserted;
}

void CDlgStart::SetDropDownWidth()
{
    HWND combo = m_languageCombo.GetComboBoxCtrl();
    HDC dc = GetDC(combo ? combo : m_hWnd);
    HGDIOBJ oldFont = SelectObject(dc, GetFont());
    int widest = 0;
    for (int i = 0, n = m_languageCombo.GetCount(); i < n; ++i) {
        wchar_t text[257] = {};
        COMBOBOXEXITEMW item = {};
        item.mask = CBEIF_TEXT;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = 256;
        if (!m_languageCombo.GetItem(item))
            continue;
        SIZE size = {};
        GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
        widest = std::max(widest, static_cast<int>(size.cx) + 30);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(combo ? combo : m_hWnd, dc);
    m_languageCombo.SetDroppedWidth(widest);
}

void CDlgStart::OnLanguageSelected()
{
    int position = m_languageCombo.GetCurSel();
    if (position == -1)
        return;
    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_LPARAM;
    item.iItem = position;
    if (!m_languageCombo.GetItem(item))
        return;
    OnLanguageChanged(static_cast<int>(item.lParam));
}

void CDlgStart::RefreshTexts()
{
    std::wstring installed;
    InstallState state = m_app.GetInstallState(&installed);
    std::wstring product = ProductNameWithVersion();
    std::wstring next = LoadText(IDS_NEXT_BUTTON);
    std::wstring cancel = LoadText(IDS_CANCEL_BUTTON);
    std::wstring info, status;
    switch (state) {
    case Update:
        info = PageText(IDS_INFO_UPDATE, {installed, product});
        status = PageText(IDS_STATUS_CONTINUE, {next});
        break;
    case SameVersion:
        info = PageText(IDS_INFO_SAME_VERSION, {product}) + L"\r\n" + LoadText(IDS_CONFIRM_REINSTALL);
        status = PageText(IDS_STATUS_CONTINUE_OR_EXIT, {next, cancel});
        break;
    case NewerInstalled:
        info = PageText(IDS_INFO_INSTALL, {product}) + L"\r\n" + PageText(IDS_INFO_NEWER_VERSION, {installed});
        status = PageText(IDS_STATUS_EXIT, {cancel});
        break;
    case NotInstalled:
    default:
        info = PageText(IDS_INFO_INSTALL, {product});
        status = PageText(IDS_STATUS_CONTINUE, {next});
        break;
    }
    SetDlgItemText(IDC_INFO, info);
    SetDlgItemText(IDC_STATUS, status);
    SetDlgItemText(IDC_COPYRIGHT, PageText(IDS_COPYRIGHT, {product}));
    SetDlgItemText(IDC_LANGUAGE_LABEL, LoadText(IDS_LANGUAGE_LABEL));
}

void CDlgStart::StretchControls(int dx, int dy)
{
    Widen(IDC_LANGUAGE_LIST, dx);
    Widen(IDC_COPYRIGHT, dx);
    Grow(IDC_INFO, dx, dy);
    WidenAndShiftDown(IDC_STATUS, dx, dy);
}
