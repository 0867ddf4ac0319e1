// Whatever fails during a run or while committing after it, the run ends with
// a stop and a message; nothing ends the program.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "memory/memory_table.h"
#include "run/run_controller.h"
#include "support/recording_presenter.h"
#include "support/temp_dir.h"

namespace {
// While set, every operator new in this test program fails as it would when
// memory runs out.
std::atomic<bool> gRefuseAllocations{false};
}  // namespace

void* operator new(std::size_t n) {
    if (gRefuseAllocations.load(std::memory_order_relaxed)) throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
// The nothrow form too (std::stable_sort's buffer uses it), so that every
// block these deletes free came from malloc.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    if (gRefuseAllocations.load(std::memory_order_relaxed)) return nullptr;
    return std::malloc(n ? n : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace kit85::testing {
namespace {

// The commit after a run needs memory for a text too long to be held inline;
// when none is left the run still ends with a stop that says so.
TEST(FailureStops, OutOfMemoryWhileCommittingAfterARun) {
    TempDir dir("kit85-failure");
    auto memory = MemoryTable::open(dir / "kit.sqlite");
    RecordingPresenter presenter;
    KitState kit(*memory, presenter);
    // A first commit of two bytes: the file is set up for writing, and the
    // commit's own lists have room, so the next commit fails inside its
    // transaction, on the long text.
    memory->findAddress(Text("9001"));
    memory->setText2(Text("01"));
    memory->MoveNext();
    memory->setText2(Text("02"));
    memory->flush();
    memory->findAddress(Text("9000"));
    memory->setText2(Text(std::string(40, 'x')));  // pending, and long enough to need the heap
    memory->findAddress(Text("8000"));
    memory->setText2(Text("76"));  // HLT
    RunController run(kit);

    run.start();
    gRefuseAllocations = true;
    const RunResult r = run.slice();
    gRefuseAllocations = false;

    EXPECT_EQ(r.reason, StopReason::Error);
    EXPECT_NE(r.message.find("out of memory"), std::string::npos) << r.message;
    EXPECT_EQ(memory->pendingWrites(), 2u) << "the bytes stay in the kit for the next commit";
    memory->flush();
    EXPECT_EQ(memory->pendingWrites(), 0u);
}

}  // namespace
}  // namespace kit85::testing
