#pragma once

// The interfacing board: the 8255, the devices on the ports, the interrupt
// system and the monitor's displays and keypad, as one model object without
// a toolkit. The kit holds one while the board is switched on
// (KitState::board); with none, IN, OUT, RIM, SIM, EI, DI and RST are what
// the kit always made of them.
//
// Who calls what
//   The CPU side (the instruction bodies and the run loop, on the run's
//   thread): in(), out(), interrupts(), setClock(), the key queue.
//   The outside (a front end or a lab's inputs): apply() an Input now,
//   schedule() one at a T-state, feed() a port a sequence of bytes.
//   Readers (a pane): changes(), view(), writes(), samples().
//
// Threads. A Board is not locked: everything above runs on the run's thread.
// The window runs its slices on its own (GUI) thread, so its pane reads
// view() and calls apply() between slices, where nothing else runs. Another
// thread posts inputs with post() (a mutex-guarded inbox; the run loop takes
// them between instructions, one relaxed atomic load each) and may poll
// changes() (atomic) to learn whether a redraw is due; it must not call
// view() while a run goes on.
//
// Records. Every OUT is kept (port, byte, T-state) and every DAC write as a
// sample (T-state, value), each up to kMostRecords; past that they are
// counted, not kept, so a long run cannot eat the memory.

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "board/hex.h"
#include "board/interrupts.h"
#include "board/ppi8255.h"
#include "board/profile.h"

namespace kit85::board {

// Something the outside does to the board.
struct Input {
    enum Kind : uint8_t {
        Port,     // the byte the devices on `port` drive becomes `value`
        Device,   // switches or ADC knob number `device` (profile order) set to `value`
        Request,  // interrupt `line` requested (Interrupts::request)
        Level,    // interrupt `line` driven to `value` (0 or 1)
        Key,      // a keypad key with code `value` pressed
        Sid,      // the SID line driven to `value`
    };
    Kind kind = Port;
    uint8_t port = 0;
    uint8_t device = 0;
    Line line = Line::Trap;
    uint8_t value = 0;
};

struct PortWrite {
    uint8_t port;
    uint8_t value;
    uint64_t tstate;  // the run's T-states when the OUT began
};
struct Sample {
    uint64_t tstate;
    uint8_t value;
};

// A device as a pane draws it.
struct DeviceView {
    const DeviceSetup* setup = nullptr;
    uint8_t value = 0;            // the bits on its port (masked), the DAC's or switches' byte
    uint8_t lit = 0;              // leds: lit bits; traffic: lit lights by their order in setup->lights
    std::vector<uint8_t> digits;  // digits: lit segments each, bit 0 a ... bit 6 g, bit 7 the point
    int64_t halfSteps = 0;        // stepper: half steps turned (positive: the 1-2-4-8 way)
    double angle = 0;             // stepper: degrees
};

// A device's state in a few words, for a lab's expectations: LEDs the lit
// bits ("5A"); switches, ADC and DAC their byte; traffic lights the lit
// lights' names in alphabetical order ("east_green north_red", "none");
// digits each digit's lit segments ("3F 06"); a stepper its angle in degrees
// ("90", "-1.8").
std::string stateText(const DeviceView& v);

struct BoardView {
    std::vector<DeviceView> devices;
    std::string addressField;  // the monitor's four digits ("" when blank)
    std::string dataField;     // and its two
    bool ie = false;
    uint8_t masks = 7;
    bool pending75 = false;
    uint8_t lines = 0;  // by Line
    bool sod = false;
    bool sid = false;
    bool waiting = false;  // a HLT or a key read waits
    uint64_t tstate = 0;
};

constexpr std::size_t kMostRecords = 1'000'000;

class Board {
public:
    explicit Board(Profile profile);
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    const Profile& profile() const { return profile_; }
    // Power on: 8255 ports all inputs, devices at their initial values,
    // interrupts reset, displays blank, records and keys emptied. Scheduled
    // inputs and port sequences stay.
    void reset();

    // --- The CPU side ------------------------------------------------------------
    uint8_t in(uint8_t port);
    void out(uint8_t port, uint8_t value);
    // RIM, SIM, EI and DI on the interrupt system, said in words for a trace.
    uint8_t rim();
    void sim(uint8_t a);
    void ei();
    void di();
    Interrupts& interrupts() { return irq_; }
    const Interrupts& interrupts() const { return irq_; }
    // The run's T-states, set by the run loop before each instruction.
    void setClock(uint64_t t) { clock_ = t; }
    uint64_t clock() const { return clock_; }
    // What the kit waits for, if anything (the pane shows it): an interrupt
    // after a HLT, or a keypad key for the monitor's read_key.
    enum class Wait : uint8_t { None, Halt, Key };
    Wait wait() const { return wait_; }
    bool waiting() const { return wait_ != Wait::None; }
    void setWait(Wait w);
    // The keypad keys pressed and not yet read.
    std::optional<uint8_t> takeKey();
    void setAddressField(std::string s) { address_ = std::move(s), changed(); }
    void setDataField(std::string s) { data_ = std::move(s), changed(); }

    // What the last effects did, in words, while a trace asks for them
    // (explaining(true)); the trace takes them after each instruction.
    void explaining(bool on) { explaining_ = on; }
    bool explaining() const { return explaining_; }
    void note(std::string s) {
        if (explaining_) notes_.push_back(std::move(s));
    }
    std::vector<std::string> takeNotes() { return std::exchange(notes_, {}); }

    // --- The outside --------------------------------------------------------------
    void apply(const Input& in);
    // `in` applied once the run's T-states reach `at` (inputs at one T-state
    // keep their order).
    void schedule(uint64_t at, const Input& in);
    // Each IN from `port` reads the next of `bytes`; the last one stays.
    void feed(uint8_t port, std::vector<uint8_t> bytes);
    // The scheduled inputs due by clock() applied; the T-state of the next
    // one still to come, UINT64_MAX for none.
    void applyDue();
    uint64_t nextAt() const { return next_ < scheduled_.size() ? scheduled_[next_].at : UINT64_MAX; }
    // Whether an input still to come requests a TRAP.
    bool trapScheduled() const;
    // Whether something outside may still change the board during a run:
    // a front end with keys (setLive), or inputs scheduled later.
    void setLive(bool live) { live_ = live; }
    bool live() const { return live_; }

    // From any thread: an input for the run loop to apply between instructions.
    void post(const Input& in);
    bool hasMail() const { return mail_.load(std::memory_order_relaxed); }
    void takeMail();

    // --- Readers ------------------------------------------------------------------
    // Counts every change a pane would draw; any thread may read it.
    uint64_t changes() const { return changes_.load(std::memory_order_relaxed); }
    BoardView view() const;
    const std::vector<PortWrite>& writes() const { return writes_; }
    uint64_t writesDropped() const { return writesDropped_; }
    // A reader that keeps what it drew (the window's pane) lets the records
    // go, so a long run goes on recording the newest instead of counting them.
    void forgetRecords();
    // A DAC's samples, by its index in the profile's devices.
    const std::vector<Sample>& samples(std::size_t device) const { return state_[device].samples; }
    // A device's view by name (none: no such device).
    std::optional<DeviceView> device(const std::string& name) const;

private:
    struct DeviceState {
        uint8_t value = 0;
        std::vector<uint8_t> digits;
        int64_t halfSteps = 0;
        std::vector<Sample> samples;
    };
    struct Scheduled {
        uint64_t at;
        uint64_t order;
        Input in;
    };
    struct Fed {
        uint8_t port;
        std::vector<uint8_t> bytes;
        std::size_t next = 0;
    };

    // What the outside drives on a port: its input devices' bytes on their
    // bits, an --in byte in place of them, 1 on bits nothing drives.
    uint8_t driven(uint8_t port);
    // The bits on an output port reach its output devices.
    void showOn(uint8_t port, uint8_t pins);
    DeviceView viewOf(std::size_t i) const;
    void changed() { changes_.fetch_add(1, std::memory_order_relaxed); }
    bool onPpi(uint8_t port) const {
        return profile_.ppiBase && port >= *profile_.ppiBase && port - *profile_.ppiBase < 4;
    }

    Profile profile_;
    Ppi8255 ppi_;
    Interrupts irq_;
    std::vector<DeviceState> state_;
    std::vector<std::optional<uint8_t>> forced_ = std::vector<std::optional<uint8_t>>(256);  // Port inputs
    std::vector<Fed> fed_;
    std::vector<Scheduled> scheduled_;
    std::size_t next_ = 0;
    std::deque<uint8_t> keys_;
    std::string address_, data_;
    std::vector<PortWrite> writes_;
    uint64_t writesDropped_ = 0;
    uint64_t clock_ = 0;
    Wait wait_ = Wait::None;
    bool live_ = false;
    bool explaining_ = false;
    std::vector<std::string> notes_;
    std::atomic<uint64_t> changes_{0};
    std::atomic<bool> mail_{false};
    std::mutex inboxLock_;
    std::vector<Input> inbox_;
};

}  // namespace kit85::board
