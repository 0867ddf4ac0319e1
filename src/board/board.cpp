#include "board/board.h"

#include <algorithm>
#include <bit>
#include <cstdio>

namespace kit85::board {

const char* kindName(DeviceKind k) {
    switch (k) {
        case DeviceKind::Leds: return "leds";
        case DeviceKind::Switches: return "switches";
        case DeviceKind::Digits: return "digits";
        case DeviceKind::Traffic: return "traffic";
        case DeviceKind::Stepper: return "stepper";
        case DeviceKind::Dac: return "dac";
        case DeviceKind::Adc: return "adc";
    }
    return "leds";
}

const char* serviceName(Service s) {
    switch (s) {
        case Service::Jump: return "jump";
        case Service::ShowA: return "show_a";
        case Service::ShowPair: return "show_pair";
        case Service::Clear: return "clear";
        case Service::Delay: return "delay";
        case Service::ReadKey: return "read_key";
        case Service::ToMonitor: return "to_monitor";
    }
    return "jump";
}

namespace {

// A stepper's phase lines as a place in the half-step cycle 1 3 2 6 4 C 8 9
// (the full steps 1 2 4 8 and 3 6 C 9 are every other place); -1 for none.
int phasePlace(unsigned phases) {
    constexpr int kPlace[16] = {-1, 0, 2, 1, 4, -1, 3, -1, 6, 7, -1, -1, 5, -1, -1, -1};
    return kPlace[phases & 15];
}

// The half steps from one place to the next: the shorter way round; none for
// a jump across the cycle (the rotor does not know which way to go).
int halfStepsBetween(int from, int to) {
    if (from < 0 || to < 0) return 0;
    const int d = (to - from + 8) % 8;
    return d == 4 ? 0 : d < 4 ? d : d - 8;
}

}  // namespace

Board::Board(Profile profile) : profile_(std::move(profile)) { reset(); }

void Board::reset() {
    ppi_.reset();
    irq_.reset();
    irq_.setSid(profile_.sid);
    state_.assign(profile_.devices.size(), DeviceState{});
    for (std::size_t i = 0; i < state_.size(); ++i) {
        const DeviceSetup& d = profile_.devices[i];
        if (drivesPort(d.kind)) state_[i].value = d.initial;
        // Undriven pins float high: active-low lamps start dark.
        if (!drivesPort(d.kind) && d.activeLow) state_[i].value = d.mask;
        if (d.kind == DeviceKind::Digits) state_[i].digits.assign(d.count, d.activeLow ? 0xFF : 0x00);
    }
    std::fill(forced_.begin(), forced_.end(), std::nullopt);
    for (Fed& f : fed_) f.next = 0;
    next_ = 0;
    keys_.clear();
    address_.clear();
    data_.clear();
    writes_.clear();
    writesDropped_ = 0;
    clock_ = 0;
    wait_ = Wait::None;
    notes_.clear();
    changed();
}

uint8_t Board::driven(uint8_t port) {
    for (Fed& f : fed_)
        if (f.port == port && !f.bytes.empty()) {
            const uint8_t b = f.bytes[f.next];
            if (f.next + 1 < f.bytes.size()) ++f.next;
            return b;
        }
    if (forced_[port]) return *forced_[port];
    uint8_t r = 0xFF;
    for (std::size_t i = 0; i < state_.size(); ++i) {
        const DeviceSetup& d = profile_.devices[i];
        if (drivesPort(d.kind) && d.port == port) r = static_cast<uint8_t>((r & ~d.mask) | (state_[i].value & d.mask));
    }
    return r;
}

uint8_t Board::in(uint8_t port) {
    uint8_t v;
    std::string where;
    if (onPpi(port)) {
        const auto r = static_cast<uint8_t>(port - *profile_.ppiBase);
        v = ppi_.read(r, r == Ppi8255::Control ? 0xFF : driven(port));
        if (explaining_)
            where = r == Ppi8255::Control        ? "the 8255's control register, which reads FF"
                    : ppi_.outputMask(r) == 0xFF ? std::string("8255 port ") + "ABC"[r] + ", an output: its latch"
                                                 : std::string("8255 port ") + "ABC"[r];
    } else {
        v = driven(port);
        if (explaining_) where = "port " + hexByte(port);
    }
    if (explaining_) {
        std::string from;
        for (const DeviceSetup& d : profile_.devices)
            if (drivesPort(d.kind) && d.port == port) from += (from.empty() ? " from " : ", ") + d.name;
        bool nothing = from.empty() && !forced_[port];
        for (const Fed& f : fed_) nothing = nothing && f.port != port;
        note("IN " + hexByte(port) + ": A := " + hexByte(v) + ", read from " + where + from +
             (nothing && !onPpi(port) ? " (no device answers: FF)" : ""));
    }
    return v;
}

void Board::out(uint8_t port, uint8_t value) {
    if (writes_.size() < kMostRecords)
        writes_.push_back({port, value, clock_});
    else
        ++writesDropped_;
    if (onPpi(port)) {
        const uint8_t base = *profile_.ppiBase;
        std::string said;
        const uint8_t touched = ppi_.write(static_cast<uint8_t>(port - base), value, explaining_ ? &said : nullptr);
        if (explaining_)
            note("OUT " + hexByte(port) + ": " +
                 (said.empty() ? std::string("8255 port ") + "ABC"[port - base] + " := " + hexByte(value) : said));
        for (uint8_t r = 0; r < 3; ++r)
            if (touched >> r & 1 && ppi_.outputMask(r)) showOn(static_cast<uint8_t>(base + r), ppi_.pins(r, 0xFF));
    } else {
        if (explaining_) note("OUT " + hexByte(port) + ": " + hexByte(value) + " on port " + hexByte(port));
        showOn(port, value);
    }
    changed();
}

void Board::showOn(uint8_t port, uint8_t pins) {
    for (std::size_t i = 0; i < state_.size(); ++i) {
        const DeviceSetup& d = profile_.devices[i];
        DeviceState& s = state_[i];
        if (drivesPort(d.kind)) continue;
        if (d.kind == DeviceKind::Digits) {
            if (port >= d.port && port - d.port < d.count) {
                s.digits[port - d.port] = pins;
                if (explaining_) note(d.name + ": digit " + std::to_string(port - d.port) + " takes " + hexByte(pins));
            }
            continue;
        }
        if (d.port != port) continue;
        const auto v = static_cast<uint8_t>(pins & d.mask);
        if (d.kind == DeviceKind::Stepper) {
            const int shift = std::countr_zero(static_cast<unsigned>(d.mask | 0x100));
            const int turned = halfStepsBetween(phasePlace(s.value >> shift), phasePlace(v >> shift));
            s.halfSteps += turned;
            if (explaining_)
                note(d.name + ": phases " + hexByte(v >> shift).substr(1) +
                     (turned ? ", " + std::to_string(turned) + " half step" + (turned == 1 || turned == -1 ? "" : "s")
                             : ", no step"));
        } else if (d.kind == DeviceKind::Dac) {
            if (s.samples.size() < kMostRecords) s.samples.push_back({clock_, v});
            if (explaining_) note(d.name + ": output " + hexByte(v));
        } else if (explaining_) {
            note(d.name + ": bits " + hexByte(v));
        }
        s.value = v;
    }
}

uint8_t Board::rim() {
    const uint8_t a = irq_.rim();
    if (explaining_) {
        std::string bits;
        const char* names[] = {"M5.5", "M6.5", "M7.5", "IE", "I5.5", "I6.5", "I7.5", "SID"};
        for (int b = 7; b >= 0; --b) bits += std::string(b == 7 ? "" : " ") + names[b] + "=" + (a >> b & 1 ? "1" : "0");
        note("RIM: A := " + hexByte(a) + " (" + bits + ")");
    }
    return a;
}

void Board::sim(uint8_t a) {
    std::string said;
    irq_.sim(a, explaining_ ? &said : nullptr);
    if (explaining_) note(said + " (A = " + hexByte(a) + ")");
    changed();
}

void Board::ei() {
    irq_.ei();
    note("EI: IE := 1; no interrupt is taken before the next instruction has run");
    changed();
}

void Board::di() {
    irq_.di();
    note("DI: IE := 0");
    changed();
}

void Board::setWait(Wait w) {
    if (w != wait_) changed();
    wait_ = w;
}

bool Board::trapScheduled() const {
    for (std::size_t i = next_; i < scheduled_.size(); ++i) {
        const Input& in = scheduled_[i].in;
        if ((in.kind == Input::Request || in.kind == Input::Level) && in.line == Line::Trap) return true;
    }
    return false;
}

std::optional<uint8_t> Board::takeKey() {
    if (keys_.empty()) return std::nullopt;
    const uint8_t k = keys_.front();
    keys_.pop_front();
    return k;
}

void Board::apply(const Input& in) {
    switch (in.kind) {
        case Input::Port: forced_[in.port] = in.value; break;
        case Input::Device:
            if (in.device < state_.size() && drivesPort(profile_.devices[in.device].kind))
                state_[in.device].value = in.value;
            break;
        case Input::Request: irq_.request(in.line); break;
        case Input::Level: irq_.setLine(in.line, in.value != 0); break;
        case Input::Key: keys_.push_back(in.value); break;
        case Input::Sid: irq_.setSid(in.value != 0); break;
    }
    changed();
}

void Board::schedule(uint64_t at, const Input& in) {
    const Scheduled s{at, scheduled_.size(), in};
    scheduled_.insert(std::upper_bound(scheduled_.begin() + static_cast<std::ptrdiff_t>(next_), scheduled_.end(), s,
                                       [](const Scheduled& a, const Scheduled& b) { return a.at < b.at; }),
                      s);
}

void Board::feed(uint8_t port, std::vector<uint8_t> bytes) { fed_.push_back({port, std::move(bytes), 0}); }

void Board::applyDue() {
    while (next_ < scheduled_.size() && scheduled_[next_].at <= clock_) apply(scheduled_[next_++].in);
}

void Board::post(const Input& in) {
    const std::lock_guard lock(inboxLock_);
    inbox_.push_back(in);
    mail_.store(true, std::memory_order_relaxed);
}

void Board::takeMail() {
    std::vector<Input> mail;
    {
        const std::lock_guard lock(inboxLock_);
        mail.swap(inbox_);
        mail_.store(false, std::memory_order_relaxed);
    }
    for (const Input& in : mail) apply(in);
}

DeviceView Board::viewOf(std::size_t i) const {
    const DeviceSetup& d = profile_.devices[i];
    const DeviceState& s = state_[i];
    DeviceView v;
    v.setup = &d;
    v.value = s.value;
    auto on = [&](uint8_t byte, unsigned bit) { return ((byte >> bit & 1) != 0) != d.activeLow; };
    switch (d.kind) {
        case DeviceKind::Leds:
            for (unsigned b = 0; b < 8; ++b)
                if (d.mask >> b & 1 && on(s.value, b)) v.lit |= static_cast<uint8_t>(1u << b);
            break;
        case DeviceKind::Traffic:
            for (std::size_t l = 0; l < d.lights.size() && l < 8; ++l)
                if (on(s.value, d.lights[l].second)) v.lit |= static_cast<uint8_t>(1u << l);
            break;
        case DeviceKind::Digits:
            for (uint8_t byte : s.digits) {
                uint8_t lit = 0;
                for (unsigned b = 0; b < 8; ++b) {
                    const char seg = d.segments[b];
                    const unsigned place = seg == 'p' ? 7 : static_cast<unsigned>(seg - 'a');
                    if (on(byte, b)) lit |= static_cast<uint8_t>(1u << place);
                }
                v.digits.push_back(lit);
            }
            break;
        case DeviceKind::Stepper:
            v.halfSteps = s.halfSteps;
            v.angle = static_cast<double>(s.halfSteps) * 180.0 / d.stepsPerTurn;
            break;
        default: break;
    }
    return v;
}

std::string stateText(const DeviceView& v) {
    std::string s;
    switch (v.setup->kind) {
        case DeviceKind::Leds: return hexByte(v.lit);
        case DeviceKind::Traffic: {
            std::vector<std::string> lit;
            for (std::size_t l = 0; l < v.setup->lights.size(); ++l)
                if (v.lit >> l & 1) lit.push_back(v.setup->lights[l].first);
            std::sort(lit.begin(), lit.end());
            for (const std::string& name : lit) addWord(s, name);
            return s.empty() ? "none" : s;
        }
        case DeviceKind::Digits:
            for (uint8_t d : v.digits) addWord(s, hexByte(d));
            return s;
        case DeviceKind::Stepper: {
            char text[32];
            std::snprintf(text, sizeof text, "%g", v.angle);
            return text;
        }
        default: return hexByte(v.value);
    }
}

BoardView Board::view() const {
    BoardView b;
    for (std::size_t i = 0; i < state_.size(); ++i) b.devices.push_back(viewOf(i));
    b.addressField = address_;
    b.dataField = data_;
    b.ie = irq_.ie();
    b.masks = irq_.masks();
    b.pending75 = irq_.flipFlop75();
    for (int l = 0; l < kLineCount; ++l) b.lines |= static_cast<uint8_t>(irq_.line(static_cast<Line>(l)) << l);
    b.sod = irq_.sod();
    b.sid = irq_.sid();
    b.waiting = waiting();
    b.tstate = clock_;
    return b;
}

void Board::forgetRecords() {
    writes_.clear();
    writesDropped_ = 0;
    for (DeviceState& s : state_) s.samples.clear();
}

std::optional<DeviceView> Board::device(const std::string& name) const {
    for (std::size_t i = 0; i < profile_.devices.size(); ++i)
        if (profile_.devices[i].name == name) return viewOf(i);
    return std::nullopt;
}

}  // namespace kit85::board
