// Data exchange between a dialog's controls and its fields, in both directions.
//
// A dialog's DoDataExchange lists its exchanges once; loading (CDialog::UpdateData(false)) fills
// the controls, saving (UpdateData(true)) reads them back and validates. A validation that
// refuses tells the user why, puts the focus on the control and marks the exchange failed; the
// exchanges after it do nothing, so the fields after the refused one keep their values.
#pragma once

#include <windows.h>

#include <string>

namespace sv::ui {

class CDialog;

class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool saving) : dialog_(dialog), saving_(saving) {}

    bool Saving() const { return saving_; }
    bool Failed() const { return failed_; }
    CDialog& Dialog() const { return dialog_; }

    // The control of the exchange under way; later validations refer to it.
    HWND PrepareControl(int id);
    HWND LastControl() const { return lastControl_; }
    // Refuses the exchange: focus on the last control (its text selected when it is an edit box).
    void Fail();

private:
    CDialog& dialog_;
    bool saving_;
    bool failed_ = false;
    HWND lastControl_ = nullptr;
};

// Text of a control.
void DDX_Text(CDataExchange& dx, int id, std::wstring& value);
// Check box state (BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE).
void DDX_Check(CDataExchange& dx, int id, int& value);
// Radio group starting at `id` (which has WS_GROUP): the index of the checked button, -1 for none.
void DDX_Radio(CDataExchange& dx, int id, int& value);
// The control's window handle.
void DDX_Control(CDataExchange& dx, int id, HWND& control);
// Text length limit of the edit box of the previous DDX_Text: loading sets the limit, saving
// refuses a longer text with "Enter no more than %1 characters.".
void DDV_MaxChars(CDataExchange& dx, const std::wstring& value, int maxChars);

// The framework's message for DDV_MaxChars.
std::wstring MaxCharsMessage(int maxChars);

}  // namespace sv::ui
