#include "asm/output_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace kit85::assembler {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTempMark = ".kit85-";           // ".NAME.kit85-XXXXXX"
constexpr std::string_view kLongTempName = ".kit85-long.";  // for a NAME too long to repeat
constexpr std::size_t kMostNameBytes = 255;
constexpr int kMostLinks = 40;  // as the kernel follows at most
// A leftover is removed only when this old: a writer locks its temporary file
// right after making it, and this closes the moment in between.
constexpr auto kLeftoverAge = std::chrono::seconds(10);

// The descriptor a link names when it is one of this process's open files
// (/dev/stdout leads to /proc/self/fd/1): a pipe there has no name to follow,
// and a file there is the one the shell opened, to be written through where
// it stands (appending after >>), not replaced.
std::optional<int> ownDescriptor(const fs::path& p) {
    const std::string folder = p.parent_path().string();
    if (folder != "/dev/fd" && folder != "/proc/self/fd" && folder != "/proc/thread-self/fd" &&
        folder != "/proc/" + std::to_string(::getpid()) + "/fd")
        return std::nullopt;
    const std::string name = p.filename().string();
    if (name.empty() || name.size() > 9 || name.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(name);
}

// The file a name leads to, its symbolic links followed; a dangling link
// leads to the file it names. ELOOP for a loop. A link to one of this
// process's descriptors is not followed: `descriptor` is set instead.
fs::path followLinks(const fs::path& file, int& error, std::optional<int>& descriptor) {
    fs::path p = file;
    for (int hops = 0;; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(p, ec))) return p;
        if ((descriptor = ownDescriptor(p))) return p;
        if (hops == kMostLinks) {
            error = ELOOP;
            return p;
        }
        fs::path to = fs::read_symlink(p, ec);
        if (ec) {
            error = ec.value();
            return p;
        }
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
}

fs::path folderOf(const fs::path& p) { return p.has_parent_path() ? p.parent_path() : fs::path("."); }

bool isTempSuffix(std::string_view s) {
    if (s.size() != 6) return false;
    for (char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

// Whether `name` is one of our temporary files for a target named `base`.
bool isOurTemp(std::string_view name, const std::string& base) {
    for (const std::string& prefix : {"." + base + std::string(kTempMark), std::string(kLongTempName)})
        if (name.size() == prefix.size() + 6 && name.starts_with(prefix) && isTempSuffix(name.substr(prefix.size())))
            return true;
    return false;
}

// Removes temporary files of `target` left by writers that are gone: ours by
// name and owner, unlocked, and older than kLeftoverAge.
void removeLeftovers(const fs::path& target) {
    const std::string base = target.filename().string();
    const auto now = fs::file_time_type::clock::now();
    std::error_code ec;
    for (fs::directory_iterator it(folderOf(target), ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path p = it->path();
        if (!isOurTemp(p.filename().string(), base)) continue;
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        std::error_code tec;
        const auto written = fs::last_write_time(p, tec);
        if (tec || now - written < kLeftoverAge) continue;
        int fd = ::open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat held {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && held.st_ino == st.st_ino &&
            held.st_dev == st.st_dev)
            ::unlink(p.c_str());
        ::close(fd);
    }
}

bool writeAll(int fd, std::string_view text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string OutputProblem::message(std::string_view nothing) const {
    if (reached.empty()) return problem + "; " + std::string(nothing);
    std::string m = problem + "; only ";
    for (std::size_t i = 0; i < reached.size(); ++i) m += (i ? ", " : "") + reached[i];
    return m + (reached.size() == 1 ? " got its output" : " got their output");
}

PendingOutput::PendingOutput(PendingOutput&& o) noexcept
    : file_(std::move(o.file_)), target_(std::move(o.target_)), temp_(std::move(o.temp_)), fd_(o.fd_), mode_(o.mode_) {
    o.temp_.clear();
    o.fd_ = -1;
}

PendingOutput::~PendingOutput() {
    if (!temp_.empty()) ::unlink(temp_.c_str());
    if (fd_ >= 0) ::close(fd_);
}

std::string PendingOutput::problem(int error) const { return "cannot write " + file_ + ": " + std::strerror(error); }

std::optional<std::string> PendingOutput::open(const std::string& file) {
    file_ = file;
    int error = 0;
    std::optional<int> descriptor;
    const fs::path target = followLinks(file, error, descriptor);
    if (error == ELOOP) return "cannot write " + file + ": its symbolic links form a loop";
    if (error) return problem(error);
    target_ = target.string();
    if (descriptor) {
        fd_ = ::fcntl(*descriptor, F_DUPFD_CLOEXEC, 0);
        return fd_ < 0 ? std::optional<std::string>(problem(errno)) : std::nullopt;
    }
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && S_ISREG(st.st_mode)) mode_ = static_cast<int>(st.st_mode & 0777);
    if (exists && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) return "cannot write " + file + ": it is a folder";
        fd_ = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd_ < 0) return problem(errno);
        return std::nullopt;
    }
    removeLeftovers(target);
    const std::string base = target.filename().string();
    std::string name = "." + base + std::string(kTempMark) + "XXXXXX";
    if (name.size() > kMostNameBytes) name = std::string(kLongTempName) + "XXXXXX";
    std::string tmpl = (folderOf(target) / name).string();
    fd_ = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd_ < 0) return problem(errno);
    temp_ = tmpl;
    // Held until the file is placed or removed, so that a later run sees it
    // is in use. A file system without locks leaves it to the age alone.
    ::flock(fd_, LOCK_EX | LOCK_NB);
    return std::nullopt;
}

bool PendingOutput::write(std::string_view text) { return writeAll(fd_, text); }

std::optional<std::string> PendingOutput::finish() {
    if (isDevice()) return std::nullopt;
    // mkstemp makes the file private; an output keeps the permissions of the
    // file it replaces (a private file stays private), or gets those any new
    // file would.
    mode_t mode = static_cast<mode_t>(mode_);
    if (mode_ < 0) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd_, mode) != 0 || ::fsync(fd_) != 0) return problem(errno);
    return std::nullopt;
}

std::optional<std::string> PendingOutput::place() {
    if (isDevice()) return std::nullopt;
    if (::rename(temp_.c_str(), target_.c_str()) != 0) return problem(errno);
    temp_.clear();
    return std::nullopt;
}

std::optional<OutputProblem> writeOutputFiles(const std::vector<OutputFile>& outputs, std::ostream& standardOutput) {
    // Every target opened first: a folder, a missing folder or a loop is
    // found before a byte is written anywhere.
    std::vector<PendingOutput> pending;
    pending.reserve(outputs.size());
    std::vector<const OutputFile*> of;
    for (const OutputFile& o : outputs) {
        if (o.file == "-") continue;
        pending.emplace_back();
        of.push_back(&o);
        if (std::optional<std::string> p = pending.back().open(o.file)) return OutputProblem{*p, {}};
    }
    // Temporary files, then devices: what cannot be held back comes last.
    OutputProblem failed;
    for (bool devices : {false, true})
        for (std::size_t i = 0; i < pending.size(); ++i) {
            PendingOutput& p = pending[i];
            if (p.isDevice() != devices) continue;
            if (!p.write(of[i]->text)) {
                failed.problem = "cannot write " + p.file() + ": " + std::strerror(errno);
                return failed;
            }
            std::optional<std::string> finished = p.finish();
            if (finished) {
                failed.problem = *finished;
                return failed;
            }
            if (devices) failed.reached.push_back(p.file());
        }
    bool toStdout = false;
    for (const OutputFile& o : outputs)
        if (o.file == "-") standardOutput << o.text, toStdout = true;
    standardOutput.flush();
    if (!standardOutput) {
        failed.problem = "cannot write to the standard output";
        return failed;
    }
    if (toStdout) failed.reached.push_back("the standard output");
    // Renaming within a folder whose temporary file was just made there does
    // not fail short of the disk failing; then files renamed already stay.
    for (PendingOutput& p : pending)
        if (std::optional<std::string> problem = p.place()) {
            failed.problem = *problem;
            return failed;
        }
    return std::nullopt;
}

namespace {

// A file's identity: device and inode when it exists, else its folder's and
// its name.
struct FileKey {
    dev_t dev = 0;
    ino_t ino = 0;
    std::string name;
    bool operator==(const FileKey&) const = default;
};

std::optional<FileKey> keyOf(const std::string& file) {
    int error = 0;
    std::optional<int> descriptor;
    const fs::path p = followLinks(file, error, descriptor);
    if (error) return std::nullopt;
    struct stat st {};
    if (descriptor) {
        if (::fstat(*descriptor, &st) != 0) return std::nullopt;
        return FileKey{st.st_dev, st.st_ino, ""};
    }
    if (::stat(p.c_str(), &st) == 0) return FileKey{st.st_dev, st.st_ino, ""};
    if (::stat(folderOf(p).c_str(), &st) == 0) return FileKey{st.st_dev, st.st_ino, p.filename().string()};
    return FileKey{0, 0, fs::absolute(p).lexically_normal().string()};
}

}  // namespace

std::optional<Clash> findClash(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs) {
    auto keys = [](const std::vector<std::string>& files) {
        std::vector<std::optional<FileKey>> k;
        for (const std::string& f : files) k.push_back(f == "-" ? std::nullopt : keyOf(f));
        return k;
    };
    const auto out = keys(outputs), in = keys(inputs);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (!out[i]) continue;
        for (std::size_t j = 0; j < in.size(); ++j)
            if (in[j] && *in[j] == *out[i]) return Clash{i, j, true};
        for (std::size_t j = 0; j < i; ++j)
            if (out[j] && *out[j] == *out[i]) return Clash{i, j, false};
    }
    return std::nullopt;
}

}  // namespace kit85::assembler
