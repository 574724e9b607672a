// Page 0: the installer's language and what the installer is about to do.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "app/Language.h"
#include "ui/WizardPage.h"

namespace sv::ui {

class CDlgStart : public CWizardPage {
public:
    // `languageChanged` runs after the user picked a language: the frame reloads its texts.
    CDlgStart(InstallerState& state, std::function<void()> languageChanged);
    ~CDlgStart() override;

    void RefreshTexts() override;
    void GrowBy(int dx, int dy) override;

    // Makes `language` current; for a language the installer is not translated into, tells the
    // user (message 1129) and continues in English.
    void SelectLanguage(LanguageIndex language);

    HWND LanguageList() const { return languageList_; }

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void OnLanguageListChanged();

    HWND languageList_ = nullptr;
    HIMAGELIST flags_ = nullptr;
    std::function<void()> languageChanged_;
};

}  // namespace sv::ui
