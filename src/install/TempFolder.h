// The run's private temporary folder and the removal of temporary files when a run ends.
#pragma once

#include <string>
#include <vector>

namespace sv {

// Names the run's folder: the user's temporary folder joined with "kavren_{" + a random UUID +
// "}" (not created here). A temporary folder path of no characters or of more than 246 fails with
// "%08x (GetTempPath)" of the thread's last error in `errorText`.
bool PrepareTempFolder(std::wstring& tempFolder, std::wstring& errorText);

// Exists while an installation runs. Temporary files of the payload are added to it; when it ends
// it removes them (a file, or a folder when empty; a missing path is no error) and then the run's
// folder when empty. Removal errors are ignored.
class TempFileSweeper {
public:
    explicit TempFileSweeper(std::wstring folder);
    ~TempFileSweeper();
    TempFileSweeper(const TempFileSweeper&) = delete;
    TempFileSweeper& operator=(const TempFileSweeper&) = delete;

    void Add(std::wstring path) { files_.push_back(std::move(path)); }
    const std::vector<std::wstring>& files() const { return files_; }
    const std::wstring& folder() const { return folder_; }

    // The sweeper of the run in progress, or null.
    static TempFileSweeper* Current();

private:
    std::wstring folder_;
    std::vector<std::wstring> files_;
};

}  // namespace sv
