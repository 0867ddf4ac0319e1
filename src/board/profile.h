#pragma once

// A kit profile: what sits on the interfacing board of one kind of lab kit.
// Plain data; profile_file.h reads it from TOML, and the board (board.h)
// carries it out. docs/man/kit85-run.1.scd describes every key.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kit85::board {

enum class DeviceKind : uint8_t { Leds, Switches, Digits, Traffic, Stepper, Dac, Adc };

// "leds", "switches", "digits", "traffic", "stepper", "dac", "adc".
const char* kindName(DeviceKind k);
constexpr bool drivesPort(DeviceKind k) { return k == DeviceKind::Switches || k == DeviceKind::Adc; }

struct DeviceSetup {
    DeviceKind kind = DeviceKind::Leds;
    std::string name;        // unique on the board; the reports use it
    uint8_t port = 0;        // its (first) port
    uint8_t count = 1;       // digits: one port per digit, consecutive from `port`
    uint8_t mask = 0xFF;     // the bits of the port it sits on (a stepper: four)
    bool activeLow = false;  // leds, traffic lights and segments: a 0 lights
    // digits: the segment each bit drives, bit 0 first: a-g, and p for the point.
    std::array<char, 8> segments{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'p'};
    std::vector<std::pair<std::string, uint8_t>> lights;  // traffic: a light's name and its bit
    uint16_t stepsPerTurn = 200;                          // stepper: full steps a turn
    uint8_t initial = 0;                                  // switches and adc: the byte at reset

    static DeviceSetup on(DeviceKind kind, std::string name, uint8_t port, uint8_t mask = 0xFF) {
        DeviceSetup d;
        d.kind = kind;
        d.name = std::move(name);
        d.port = port;
        d.mask = mask;
        return d;
    }
};

// What the monitor ROM does at an address below the user's memory.
enum class Service : uint8_t {
    Jump,       // a vector: jumps on to `target` in the user's memory
    ShowA,      // A in the data field
    ShowPair,   // the pair `pair` in the address field
    Clear,      // blanks both fields
    Delay,      // counts the pair `pair` down to 0000
    ReadKey,    // waits for a keypad key; its code in A
    ToMonitor,  // back to the monitor: the program ends
};

// "jump", "show_a", "show_pair", "clear", "delay", "read_key", "to_monitor".
const char* serviceName(Service s);

struct ServiceSetup {
    uint16_t address = 0;
    Service kind = Service::Jump;
    uint16_t target = 0;  // Jump
};

struct Profile {
    std::string name;
    std::string description;
    std::optional<uint8_t> ppiBase;  // the 8255's port A; none: no 8255
    uint16_t userMemory = 0x8000;    // below it lies the monitor ROM
    std::vector<DeviceSetup> devices;
    std::vector<ServiceSetup> services;  // by address, one each
    char showPair = 'H';                // the pair show_pair shows: B, D or H
    char delayPair = 'D';               // the pair delay counts down
    // A delay of count n takes delayFixed + n * delayPerCount T-states after
    // the CALL's own 18 (the ROM's loop DCX, MOV, ORA, JNZ is 24 a count; the
    // RET 10).
    uint32_t delayPerCount = 24;
    uint32_t delayFixed = 10;
    uint32_t serviceTStates = 10;  // any other service (the RET; the CALL counts its own 18)
    uint8_t intrCode = 0xFF;       // the instruction an INTR acknowledgement reads (RST 7)
    bool sid = false;              // the SID line at reset

    const ServiceSetup* serviceAt(uint16_t address) const {
        for (const ServiceSetup& s : services)
            if (s.address == address) return &s;
        return nullptr;
    }
    const DeviceSetup* device(const std::string& n) const {
        for (const DeviceSetup& d : devices)
            if (d.name == n) return &d;
        return nullptr;
    }
};

}  // namespace kit85::board
