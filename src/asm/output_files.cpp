#include "asm/output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace kit85::assembler {
namespace {

namespace fs = std::filesystem;

void removeTemps(const std::vector<std::string>& temps) {
    for (const std::string& t : temps)
        if (!t.empty()) ::unlink(t.c_str());
}

bool writeFd(int fd, const std::string& text) {
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

std::optional<std::string> writeOutputFiles(const std::vector<OutputFile>& outputs, std::ostream& standardOutput) {
    std::vector<std::string> temps(outputs.size());
    auto failed = [&](const OutputFile& o) {
        std::string problem = "cannot write " + o.file + ": " + std::strerror(errno);
        removeTemps(temps);
        return problem;
    };
    std::vector<const OutputFile*> devices;
    std::vector<fs::path> targets(outputs.size());
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const OutputFile& o = outputs[i];
        if (o.file == "-") continue;
        std::error_code ec;
        fs::path target = fs::canonical(o.file, ec);
        if (ec) target = o.file;
        fs::file_status st = fs::status(target, ec);
        if (!ec && fs::exists(st) && !fs::is_regular_file(st)) {
            devices.push_back(&o);
            continue;
        }
        targets[i] = target;
        std::string name = ".";
        name += target.filename().string();
        name += ".XXXXXX";
        std::string tmpl = (target.parent_path() / name).string();
        int fd = ::mkstemp(tmpl.data());
        if (fd < 0) return failed(o);
        temps[i] = tmpl;
        // mkstemp makes the file private; an output gets the mode any new file would.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        bool ok = writeFd(fd, o.text) && ::fchmod(fd, 0666 & ~mask) == 0 && ::fsync(fd) == 0;
        int saved = errno;
        if (::close(fd) != 0 && ok) saved = errno, ok = false;
        errno = saved;
        if (!ok) return failed(o);
    }
    // Renaming within a folder whose temporary file was just made there does
    // not fail short of the disk failing; then files renamed already stay.
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const OutputFile& o = outputs[i];
        if (temps[i].empty()) continue;
        if (::rename(temps[i].c_str(), targets[i].c_str()) != 0) return failed(o);
        temps[i].clear();
    }
    for (const OutputFile* o : devices) {
        int fd = ::open(o->file.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        bool ok = fd >= 0 && writeFd(fd, o->text);
        int saved = errno;
        if (fd >= 0) ::close(fd);
        if (!ok) return "cannot write " + o->file + ": " + std::strerror(saved);
    }
    for (const OutputFile& o : outputs)
        if (o.file == "-") standardOutput << o.text;
    standardOutput.flush();
    if (!standardOutput) return "cannot write to the standard output";
    return std::nullopt;
}

}  // namespace kit85::assembler
