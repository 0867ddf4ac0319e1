#pragma once

// Where the grader's reports may go, and writing them there safely.
//
// The grader writes nothing but its reports. Before anything is written,
// every report path is checked: it must not be the lab file, a reference
// program, a submission or another report (the same file, by device and
// inode where it exists, else the same normalised path), and must not be a
// symbolic link, nor a page's path in the HTML folder, nor that folder. Then
// each report is written to a temporary file in its own folder and renamed
// into place: a reader never sees half a report, a failed write leaves the
// old one as it was, and a link put where a report goes is replaced, never
// written through.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kit85::grade {

// A report the user asked for: the option that names it and its path.
struct ReportPath {
    std::string option;  // "--csv", "--html", ...
    std::filesystem::path path;
    bool folder = false;  // the HTML folder, which holds `pages`
};

// A file the grader reads, which no report may replace.
struct ReadFile {
    std::filesystem::path path;
    std::string what;  // "the lab file", "ann's submission"
};

// The first reason a report may not be written as asked, or none.
std::optional<std::string> refusedReport(const std::vector<ReportPath>& reports, const std::vector<ReadFile>& read,
                                         const std::vector<std::string>& pages);

// A folder reports are written into, held open so that what is written lands
// in the folder that was checked.
class ReportFolder {
public:
    // With `mayBeLink` false, a folder that is a symbolic link is refused.
    static std::optional<ReportFolder> open(const std::filesystem::path& dir, bool mayBeLink, std::string& problem);
    ReportFolder(ReportFolder&& other) noexcept : fd_(other.fd_), dir_(std::move(other.dir_)) { other.fd_ = -1; }
    ReportFolder& operator=(ReportFolder&&) = delete;
    ~ReportFolder();

    // The first of `names` that is a symbolic link or a folder, with why.
    std::optional<std::string> unwritable(const std::vector<std::string>& names) const;
    // `text` as the file `name` in the folder, through a temporary renamed
    // into place; the problem when it cannot be written.
    std::optional<std::string> write(const std::string& name, std::string_view text) const;

private:
    ReportFolder(int fd, std::filesystem::path dir) : fd_(fd), dir_(std::move(dir)) {}
    int fd_;
    std::filesystem::path dir_;
};

// Writes one report file as ReportFolder::write does.
std::optional<std::string> writeReportFile(const std::filesystem::path& file, std::string_view text);

}  // namespace kit85::grade
