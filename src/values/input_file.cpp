#include "values/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace kit85 {
namespace {

InputRead refused(InputProblem::What what, std::string file, std::size_t limit, int err = 0) {
    InputRead r;
    r.problem = InputProblem{what, std::move(file), err ? std::strerror(err) : "", limit};
    return r;
}

// Reads `fd` to its end; a read past `limit` bytes refuses it.
InputRead readAll(int fd, std::size_t limit, std::string name) {
    InputRead r;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return refused(InputProblem::What::Unreadable, std::move(name), limit, errno);
        if (n == 0) return r;
        if (r.bytes.size() + static_cast<std::size_t>(n) > limit)
            return refused(InputProblem::What::TooLarge, std::move(name), limit);
        r.bytes.append(buf, static_cast<std::size_t>(n));
    }
}

// "an 8085 source" -> "8085 source".
std::string_view withoutArticle(std::string_view s) {
    for (std::string_view article : {"a ", "an "})
        if (s.starts_with(article)) return s.substr(article.size());
    return s;
}

}  // namespace

std::string sizeText(std::size_t bytes) {
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::string InputProblem::reason(std::string_view expected) const {
    const std::string notExpected = expected.empty() ? "" : ", not " + std::string(expected);
    switch (what) {
        case What::Unreadable: return "cannot be read (" + cause + ")";
        case What::Folder: return "is a folder" + notExpected;
        case What::Device: return "is a device" + notExpected;
        case What::NotRegular: return "is not a regular file";
        case What::TooLarge:
            return "is larger than " + sizeText(limit) +
                   (expected.empty()
                        ? ""
                        : "; no " + std::string(withoutArticle(expected)) + " for 64 KiB of memory is that large");
    }
    return "cannot be read";
}

InputRead readInputFile(const std::filesystem::path& file, std::size_t limit, InputFiles takes, std::string name) {
    if (name.empty()) name = file.string();
    // A regular file alone is also never reached through a symbolic link, so
    // a link checked for beforehand cannot be swapped in before the open.
    const int flags =
        O_RDONLY | O_CLOEXEC | O_NOCTTY | (takes == InputFiles::RegularOnly ? O_NONBLOCK | O_NOFOLLOW : 0);
    const int fd = ::open(file.c_str(), flags);
    if (fd < 0 && errno == ELOOP && takes == InputFiles::RegularOnly)
        return refused(InputProblem::What::NotRegular, std::move(name), limit);
    if (fd < 0) return refused(InputProblem::What::Unreadable, std::move(name), limit, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return refused(InputProblem::What::Unreadable, std::move(name), limit, errno);
    if (takes == InputFiles::RegularOnly && !S_ISREG(st.st_mode))
        return refused(InputProblem::What::NotRegular, std::move(name), limit);
    if (S_ISDIR(st.st_mode)) return refused(InputProblem::What::Folder, std::move(name), limit);
    if (takes == InputFiles::NoDevices && (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)))
        return refused(InputProblem::What::Device, std::move(name), limit);
    if (S_ISREG(st.st_mode) && static_cast<std::uintmax_t>(st.st_size) > limit)
        return refused(InputProblem::What::TooLarge, std::move(name), limit);
    return readAll(fd, limit, std::move(name));
}

InputRead readInputDescriptor(int fd, std::size_t limit, std::string name) {
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
        return refused(InputProblem::What::Folder, std::move(name), limit);
    return readAll(fd, limit, std::move(name));
}

}  // namespace kit85
