#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/temp_dir.h"
#include "values/input_file.h"
#include "values/program_kind.h"

namespace kit85 {
namespace {

// What each kind of file gives under each rule: its bytes, or the reason it
// was refused.
TEST(InputFile, ReadsUnderItsBoundOrSaysWhyNot) {
    testing::TempDir dir;
    dir.write("small.asm", " HLT\n");
    dir.write("big.asm", std::string(11, 'x'));
    std::filesystem::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    struct Case {
        const char* what;
        std::string file;
        InputFiles takes;
        const char* want;  // the bytes, or the reason after the name
    };
    const Case cases[] = {
        {"a small file", (dir / "small.asm").string(), InputFiles::Any, " HLT\n"},
        {"a missing file", (dir / "gone.asm").string(), InputFiles::Any, "cannot be read (No such file or directory)"},
        {"a folder", (dir / "folder").string(), InputFiles::Any, "is a folder, not an 8085 source"},
        {"a folder, regular files only", (dir / "folder").string(), InputFiles::RegularOnly, "is not a regular file"},
        {"a pipe, regular files only", (dir / "pipe").string(), InputFiles::RegularOnly, "is not a regular file"},
        {"a device", "/dev/zero", InputFiles::NoDevices, "is a device, not an 8085 source"},
        {"a device read to the bound", "/dev/zero", InputFiles::Any,
         "is larger than 10 bytes; no 8085 source for 64 KiB of memory is that large"},
        {"a file over the bound", (dir / "big.asm").string(), InputFiles::Any,
         "is larger than 10 bytes; no 8085 source for 64 KiB of memory is that large"},
    };
    for (const Case& c : cases) {
        const InputRead r = readInputFile(c.file, 10, c.takes);
        const std::string got = r.ok() ? r.bytes : r.problem->message("an 8085 source");
        const std::string want = r.ok() ? c.want : c.file + " " + c.want;
        EXPECT_EQ(got, want) << c.what;
    }
    EXPECT_EQ(sizeText(16u << 20), "16 MiB");
    EXPECT_EQ(sizeText(4096), "4 KiB");
}

TEST(ProgramKind, FromTheExtensionInEitherCase) {
    const std::pair<const char*, std::optional<ProgramKind>> cases[] = {
        {"a.asm", ProgramKind::Asm},
        {"dir.x/A.Asm", ProgramKind::Asm},
        {"a.a85", ProgramKind::Asm},
        {"a.s", ProgramKind::Asm},
        {"A.S", ProgramKind::Asm},
        {"a.hex", ProgramKind::Hex},
        {"A.IHX", ProgramKind::Hex},
        {"m.sqlite", ProgramKind::MemoryFile},
        {"m.DB", ProgramKind::MemoryFile},
        {"m.kit85", ProgramKind::MemoryFile},
        {"a.txt", std::nullopt},
        {"hex", std::nullopt},
        {"a.hex.bak", std::nullopt},
        {"dir.hex/a", std::nullopt},
        {".s", std::nullopt},
    };
    for (const auto& [file, kind] : cases) EXPECT_EQ(programKindOf(file), kind) << file;
}

}  // namespace
}  // namespace kit85
