// Start-up's use of the previous installation's log: read it when reinstalling or updating, and
// take its folders as the installer's (possibly empty) folders.
//
//   ReadPreviousLogInto(state, state.uninstallLog);   // before the default folders are applied
//
// State needs installMode (an enum with SameVersion and Update), FindPreviousLog(), installFolder
// and startMenuFolder; Log needs ReadPrevious(path), PreviousInstallPath() and
// PreviousShortcutPath(). Header-only so that the journal needs nothing of the application.
#pragma once

#include <string>

namespace sv {

template <typename State, typename Log>
void ReadPreviousLogInto(State& state, Log& log) {
    using Mode = decltype(state.installMode);
    if (state.installMode != Mode::SameVersion && state.installMode != Mode::Update) {
        log.ReadPrevious(std::wstring());  // reads nothing; empties the two previous folders
        return;
    }
    const std::wstring path = state.FindPreviousLog();
    if (path.empty()) return;
    log.ReadPrevious(path);
    state.installFolder = log.PreviousInstallPath();
    state.startMenuFolder = log.PreviousShortcutPath();
}

}  // namespace sv
