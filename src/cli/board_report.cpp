#include "cli/board_report.h"

#include <ostream>

namespace kit85 {
namespace {

using Json = nlohmann::ordered_json;
using board::hexByte;

// A device's state as the report gives it: its byte, and what that shows.
Json deviceJson(const board::DeviceView& v) {
    const board::DeviceSetup& d = *v.setup;
    Json j{{"kind", board::kindName(d.kind)}, {"port", hexByte(d.port)}};
    switch (d.kind) {
        case board::DeviceKind::Leds:
            j["value"] = hexByte(v.value);
            j["lit"] = hexByte(v.lit);
            break;
        case board::DeviceKind::Traffic: {
            j["value"] = hexByte(v.value);
            Json lit = Json::array();
            for (std::size_t l = 0; l < d.lights.size(); ++l)
                if (v.lit >> l & 1) lit.push_back(d.lights[l].first);
            j["lit"] = std::move(lit);
            break;
        }
        case board::DeviceKind::Digits: {
            Json digits = Json::array();
            for (uint8_t s : v.digits) digits.push_back(hexByte(s));
            j["segments"] = std::move(digits);  // lit segments: bit 0 a ... bit 6 g, bit 7 the point
            break;
        }
        case board::DeviceKind::Stepper:
            j["phases"] = hexByte(v.value);
            j["half_steps"] = v.halfSteps;
            j["angle"] = v.angle;
            break;
        default: j["value"] = hexByte(v.value); break;
    }
    return j;
}

std::string deviceText(const board::DeviceView& v) {
    const Json j = deviceJson(v);
    std::string s;
    for (const auto& [key, value] : j.items()) {
        if (key == "kind" || key == "port") continue;
        s += " " + key + "=" + (value.is_string() ? value.get<std::string>() : value.dump());
    }
    return s;
}

}  // namespace

void addBoardJson(Json& j, const board::Board& b) {
    Json ports = Json::array();
    for (const board::PortWrite& w : b.writes())
        ports.push_back(Json{{"port", hexByte(w.port)}, {"byte", hexByte(w.value)}, {"tstate", w.tstate}});
    j["ports"] = std::move(ports);
    if (b.writesDropped()) j["ports_not_listed"] = b.writesDropped();
    const board::BoardView v = b.view();
    Json devices = Json::object();
    for (std::size_t i = 0; i < v.devices.size(); ++i) {
        Json d = deviceJson(v.devices[i]);
        if (v.devices[i].setup->kind == board::DeviceKind::Dac) d["samples"] = b.samples(i).size();
        devices[v.devices[i].setup->name] = std::move(d);
    }
    const board::Interrupts& irq = b.interrupts();
    j["board"] = Json{{"profile", b.profile().name},
                      {"devices", std::move(devices)},
                      {"address_field", v.addressField},
                      {"data_field", v.dataField},
                      {"interrupts",
                       {{"IE", irq.ie() ? 1 : 0},
                        {"masks", std::to_string(irq.masks() >> 2 & 1) + std::to_string(irq.masks() >> 1 & 1) +
                                      std::to_string(irq.masks() & 1)},
                        {"I7.5", irq.flipFlop75() ? 1 : 0},
                        {"SOD", irq.sod() ? 1 : 0}}},
                      {"waiting", v.waiting}};
}

void writeBoardText(std::ostream& out, const board::Board& b) {
    const board::BoardView v = b.view();
    out << "board: " << b.profile().name << ", " << b.writes().size() + b.writesDropped() << " OUT"
        << (b.writes().size() + b.writesDropped() == 1 ? "" : "s");
    if (!v.addressField.empty() || !v.dataField.empty())
        out << ", display " << (v.addressField.empty() ? "----" : v.addressField) << ' '
            << (v.dataField.empty() ? "--" : v.dataField);
    out << '\n';
    for (const board::DeviceView& d : v.devices) out << "device " << d.setup->name << ':' << deviceText(d) << '\n';
}

}  // namespace kit85
