#include "grade/report_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

#include "grade/names.h"

namespace kit85::grade {
namespace {

namespace fs = std::filesystem;

// Where a path leads: the file there (device and inode), when there is one,
// and the path made absolute, its links resolved as far as it exists.
struct Place {
    std::optional<std::pair<dev_t, ino_t>> id;
    std::string path;
};

Place placeOf(const fs::path& p) {
    Place place;
    struct stat st {};
    if (::stat(p.c_str(), &st) == 0) place.id = {st.st_dev, st.st_ino};
    std::error_code ec;
    const fs::path absolute = fs::absolute(p, ec);
    const fs::path resolved = fs::weakly_canonical(absolute, ec);
    place.path = (ec ? absolute : resolved).lexically_normal().string();
    return place;
}

// Files already named, by identity and by path, each with what it is.
class Named {
public:
    void add(const Place& p, const std::string& what) {
        if (p.id) ids_.emplace(*p.id, what);
        paths_.emplace(p.path, what);
    }
    const std::string* find(const Place& p) const {
        if (p.id)
            if (auto i = ids_.find(*p.id); i != ids_.end()) return &i->second;
        auto i = paths_.find(p.path);
        return i == paths_.end() ? nullptr : &i->second;
    }

private:
    std::map<std::pair<dev_t, ino_t>, std::string> ids_;
    std::map<std::string, std::string> paths_;
};

std::string systemError() { return std::strerror(errno); }

// A file of this mode where a report goes: a link is never written through,
// and a report file cannot replace a folder nor a folder of pages a file.
std::optional<std::string> kindProblem(mode_t mode, const std::string& shown, bool folder) {
    if (S_ISLNK(mode)) return shown + " is a symbolic link; reports are not written through links";
    if (folder && !S_ISDIR(mode)) return shown + " is not a folder";
    if (!folder && S_ISDIR(mode)) return shown + " is a folder";
    return std::nullopt;
}

std::optional<std::string> refusedKind(const fs::path& p, const std::string& shown, bool folder) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) return std::nullopt;
    return kindProblem(st.st_mode, shown, folder);
}

// A report file must go into a folder that is there (the HTML folder is made).
std::optional<std::string> missingFolder(const ReportPath& r) {
    std::error_code ec;
    const fs::path parent = fs::absolute(r.path, ec).parent_path();
    if (r.folder || fs::is_directory(parent, ec)) return std::nullopt;
    return shownName(r.path.string()) + ": there is no folder " + shownName(parent.string());
}

// The report files `r` writes, each with where it leads: the folder's pages
// are placed from the folder's place, not resolved one by one.
std::vector<std::pair<fs::path, Place>> filesOf(const ReportPath& r, const std::vector<std::string>& pages) {
    std::vector<std::pair<fs::path, Place>> files{{r.path, placeOf(r.path)}};
    if (!r.folder) return files;
    const fs::path folder = files.front().second.path;
    for (const std::string& page : pages) {
        Place place{std::nullopt, (folder / page).string()};
        struct stat st {};
        if (::stat((r.path / page).c_str(), &st) == 0) place.id = {st.st_dev, st.st_ino};
        files.push_back({r.path / page, std::move(place)});
    }
    return files;
}

}  // namespace

std::optional<std::string> refusedReport(const std::vector<ReportPath>& reports, const std::vector<ReadFile>& read,
                                         const std::vector<std::string>& pages) {
    Named readFiles, written;
    for (const ReadFile& f : read) readFiles.add(placeOf(f.path), f.what);
    // The HTML folder first, so that a report file among its pages is named
    // as a clash with it.
    std::vector<ReportPath> ordered = reports;
    std::stable_partition(ordered.begin(), ordered.end(), [](const ReportPath& r) { return r.folder; });
    for (const ReportPath& r : ordered) {
        if (auto refused = refusedKind(r.path, shownName(r.path.string()) + " (" + r.option + ")", r.folder))
            return refused;
        for (const auto& [file, place] : filesOf(r, pages)) {
            const std::string shown = shownName(file.string());
            if (file != r.path)
                if (auto refused = refusedKind(file, shown, false)) return refused;
            if (const std::string* what = readFiles.find(place))
                return shown + " is " + *what + "; the report would overwrite it";
            if (const std::string* other = written.find(place))
                return shown + " is named by both " + *other + " and " + r.option + "; one would overwrite the other";
            written.add(place, r.option);
        }
    }
    for (const ReportPath& r : reports)
        if (auto missing = missingFolder(r)) return missing;
    return std::nullopt;
}

std::optional<ReportFolder> ReportFolder::open(const fs::path& dir, bool mayBeLink, std::string& problem) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (mayBeLink ? 0 : O_NOFOLLOW));
    if (fd >= 0) return ReportFolder(fd, dir);
    const bool link = errno == ELOOP || (errno == ENOTDIR && fs::is_symlink(dir));
    problem = shownName(dir.string()) + (link ? " is a symbolic link; reports are not written through links"
                                              : ": the folder cannot be opened (" + systemError() + ")");
    return std::nullopt;
}

ReportFolder::~ReportFolder() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<std::string> ReportFolder::unwritable(const std::vector<std::string>& names) const {
    for (const std::string& name : names) {
        struct stat st {};
        if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (auto refused = kindProblem(st.st_mode, shownName((dir_ / name).string()), false)) return refused;
    }
    return std::nullopt;
}

namespace {

// Every byte of `text` to `fd`.
bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A new file in the folder that no one else made: its name, or "" with errno set.
std::string newTemporary(int dir, int& fd) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = ".kit85-grade-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
        fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) return name;
        if (errno != EEXIST) break;
    }
    return {};
}

}  // namespace

std::optional<std::string> ReportFolder::write(const std::string& name, std::string_view text) const {
    const std::string shown = shownName((dir_ / name).string());
    int fd = -1;
    const std::string temporary = newTemporary(fd_, fd);
    if (temporary.empty()) return shown + ": the report could not be written (" + systemError() + ")";
    // A report put in place of an older one keeps its permissions: a file the
    // instructor made private stays private.
    struct stat old {};
    if (::fstatat(fd_, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode))
        (void)::fchmod(fd, old.st_mode & 07777);
    bool ok = writeAll(fd, text);
    std::string why = ok ? "" : systemError();
    if (::close(fd) != 0 && ok) ok = false, why = systemError();
    if (ok && ::renameat(fd_, temporary.c_str(), fd_, name.c_str()) != 0) ok = false, why = systemError();
    if (ok) return std::nullopt;
    ::unlinkat(fd_, temporary.c_str(), 0);
    return shown + ": the report could not be written (" + why + ")";
}

std::optional<std::string> writeReportFile(const fs::path& file, std::string_view text) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(file, ec);
    std::string problem;
    std::optional<ReportFolder> folder = ReportFolder::open(absolute.parent_path(), true, problem);
    if (!folder) return problem;
    return folder->write(absolute.filename().string(), text);
}

}  // namespace kit85::grade
