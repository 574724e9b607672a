// Dialogs made from the program's dialog templates: modal (DoModal) or as a child of another
// window (Create), with data exchange and a message dispatch that derived dialogs extend.
//
// The object is bound to its window when the window receives WM_INITDIALOG (the object's address
// travels as the creation parameter); messages before that go to the system's defaults. The
// window is destroyed at the latest with the object.
#pragma once

#include <windows.h>

#include <string>

namespace sv::ui {

class CDataExchange;

class CDialog {
public:
    explicit CDialog(UINT templateId);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally; answers the value given to EndDialog, or -1 when the window
    // could not be created.
    INT_PTR DoModal(HWND owner = nullptr);
    // Creates the dialog as a child (or modeless) window of `parent`; answers false on failure.
    bool Create(HWND parent);
    // Ends a modal run with `result`.
    void EndDialog(INT_PTR result);

    HWND Hwnd() const { return hwnd_; }
    UINT TemplateId() const { return templateId_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    std::wstring ItemText(int id) const;
    void SetItemText(int id, const std::wstring& text);
    // Moves a control by (dx, dy) and makes it dw wider and dh taller.
    void AdjustItem(int id, int dx, int dy, int dw, int dh);

    // Data exchange: loading (false) fills the controls, saving (true) reads and validates them.
    // Answers false when a validation refused; the user has then been told why.
    bool UpdateData(bool saveAndValidate = true);

protected:
    // Dialog initialisation. The base runs the loading data exchange and answers true (the
    // dialog manager sets the focus).
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange& dx);
    // The dialog's OK command (IDOK): the base saves the data and ends a modal run with IDOK.
    virtual void OnOK();
    // The dialog's Cancel command (IDCANCEL, Escape, close box): the base ends with IDCANCEL.
    virtual void OnCancel();
    // WM_COMMAND; answers true when handled. The base sends IDOK and IDCANCEL to OnOK/OnCancel.
    virtual bool OnCommand(int id, int code, HWND control);
    // Every message after WM_INITDIALOG passes here first; answer true when handled and put the
    // dialog procedure's answer into `result`.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    UINT templateId_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
};

}  // namespace sv::ui
