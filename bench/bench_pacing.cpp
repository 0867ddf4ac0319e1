// The real pacing error at kit speed: a delay loop runs for two seconds of
// wall time through RunController slices the way the window drives them
// (slice, then wait as long as untilNextSlice says, at most 10 ms), and the
// T-states it ran are compared with what 3.072 MHz gives in the time that
// passed. Prints the error in percent; sleeps, so it takes two seconds.
#include <chrono>
#include <cstdio>
#include <thread>

#include "kit/kit_state.h"
#include "memory/memory_table.h"
#include "run/run_controller.h"

namespace {

using namespace kit85;
using Clock = std::chrono::steady_clock;

class Silent : public Presenter {
public:
    void message(std::string_view, std::string_view, Icon) override {}
};

}  // namespace

int main() {
    auto memory = MemoryTable::fresh();
    Silent presenter;
    KitState kit(*memory, presenter);
    // LXI B,FFFF; DCX B; MOV A,C; ORA B; JNZ 8003; JMP 8000: the delay routine
    // of the lab sheets, looping for ever.
    const uint8_t program[] = {0x01, 0xFF, 0xFF, 0x0B, 0x79, 0xB0, 0xC2, 0x03, 0x80, 0xC3, 0x00, 0x80};
    memory->findAddress(Text("8000"));
    for (uint8_t b : program) {
        memory->setText2(Text::byte(b));
        memory->MoveNext();
    }
    memory->findAddress(Text("8000"));

    RunController run(kit);
    run.setSpeed(Speed::Kit);
    const auto began = Clock::now();
    run.start();
    int slices = 0;
    while (Clock::now() - began < std::chrono::seconds(2)) {
        run.slice(std::chrono::milliseconds(10));
        ++slices;
        std::this_thread::sleep_for(std::min<Clock::duration>(run.untilNextSlice(), std::chrono::milliseconds(10)));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    const double expected = seconds * static_cast<double>(kKitClockHz);
    const double ran = static_cast<double>(run.last().tstates);
    std::printf("kit speed: %.0f T-states in %.3f s (%.0f due at 3.072 MHz), %d slices, error %+.3f%%\n", ran, seconds,
                expected, slices, (ran - expected) / expected * 100.0);
    return run.running() ? 0 : 1;
}
