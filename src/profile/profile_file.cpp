#include "profile/profile_file.h"

#include <toml++/toml.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <sstream>

#include "board/hex.h"

namespace kit85::profile {
namespace {

using board::DeviceKind;
using board::DeviceSetup;
using board::Profile;
using board::Service;

constexpr std::size_t kMostProfileBytes = 1u << 20;
constexpr std::size_t kMostDevices = 64;

struct Refusal {
    toml::source_region at;
    std::string problem;
};

[[noreturn]] void refuse(const toml::source_region& at, std::string problem) { throw Refusal{at, std::move(problem)}; }

std::string quote(std::string_view s) {
    std::string q(1, '"');
    q.append(s);
    q += '"';
    return q;
}

void onlyKeys(const toml::table& t, std::initializer_list<std::string_view> known, std::string_view where) {
    for (auto&& [key, value] : t) {
        if (std::find(known.begin(), known.end(), key.str()) != known.end()) continue;
        std::string list;
        for (std::string_view k : known) list += (list.empty() ? "" : ", ") + std::string(k);
        refuse(key.source(),
               "unknown key " + quote(key.str()) + " in " + std::string(where) + " (the keys there are " + list + ")");
    }
}

int64_t integer(const toml::node& n, std::string_view key, int64_t least, int64_t most) {
    const auto v = n.value<int64_t>();
    if (!n.is_integer() || !v) refuse(n.source(), quote(key) + " must be a whole number");
    if (*v < least || *v > most)
        refuse(n.source(), quote(key) + " must be from " + std::to_string(least) + " to " + std::to_string(most) +
                               " (0x" + board::hexWord(static_cast<unsigned>(least)) + " to 0x" +
                               board::hexWord(static_cast<unsigned>(most)) + "), not " + std::to_string(*v));
    return *v;
}

std::string text(const toml::node& n, std::string_view key) {
    if (!n.is_string()) refuse(n.source(), quote(key) + " must be a string");
    return *n.value<std::string>();
}

// One of `words`, by its index.
std::size_t choice(const toml::node& n, std::string_view key, std::initializer_list<std::string_view> words) {
    const std::string s = text(n, key);
    std::size_t i = 0;
    std::string list;
    for (std::string_view w : words) {
        if (w == s) return i;
        list += (i++ ? ", " : "") + quote(w);
    }
    refuse(n.source(), quote(key) + " must be one of " + list + ", not " + quote(s));
}

char pairOf(const toml::node& n, std::string_view key) { return "BDH"[choice(n, key, {"B", "D", "H"})]; }

uint8_t port(const toml::node& n, std::string_view key) { return static_cast<uint8_t>(integer(n, key, 0, 0xFF)); }

DeviceSetup device(const toml::table& t, std::size_t index) {
    const std::string where = "device " + std::to_string(index + 1);
    onlyKeys(t, {"kind", "name", "port", "count", "bits", "active", "segments", "lights", "steps_per_turn", "value"},
             where);
    DeviceSetup d;
    const toml::node* kind = t.get("kind");
    if (!kind) refuse(t.source(), where + " has no \"kind\"");
    d.kind = static_cast<DeviceKind>(
        choice(*kind, "kind", {"leds", "switches", "digits", "traffic", "stepper", "dac", "adc"}));
    d.name = t.get("name") ? text(*t.get("name"), "name") : std::string(board::kindName(d.kind));
    if (d.name.empty()) refuse(t.get("name")->source(), "\"name\" must not be empty");
    const toml::node* p = t.get("port");
    if (!p) refuse(t.source(), where + " (" + d.name + ") has no \"port\"");
    d.port = port(*p, "port");
    auto only = [&](std::string_view key, std::initializer_list<DeviceKind> kinds) {
        const toml::node* n = t.get(key);
        if (n && std::find(kinds.begin(), kinds.end(), d.kind) == kinds.end())
            refuse(n->source(), quote(key) + " does not belong to a device of kind " + quote(board::kindName(d.kind)));
        return n;
    };
    if (const toml::node* n = only("count", {DeviceKind::Digits})) {
        d.count = static_cast<uint8_t>(integer(*n, "count", 1, 8));
        if (d.port + d.count > 0x100) refuse(n->source(), "the digits' ports run past FF");
    }
    if (d.kind == DeviceKind::Stepper) d.mask = 0x0F;
    if (const toml::node* n = t.get("bits")) {
        d.mask = static_cast<uint8_t>(integer(*n, "bits", 1, 0xFF));
        const unsigned m = d.mask;
        // A stepper's four phase lines lie side by side: one run of four ones.
        const bool fourInARow = std::bitset<8>(m).count() == 4 && (m & (m + (m & -m))) == 0;
        if (d.kind == DeviceKind::Stepper && !fourInARow)
            refuse(n->source(), "a stepper's \"bits\" must be four bits side by side (0x0F, 0xF0, 0x3C ...)");
    }
    if (const toml::node* n = only("active", {DeviceKind::Leds, DeviceKind::Traffic, DeviceKind::Digits}))
        d.activeLow = choice(*n, "active", {"high", "low"}) == 1;
    if (const toml::node* n = only("segments", {DeviceKind::Digits})) {
        const std::string s = text(*n, "segments");
        std::string sorted = s;
        std::sort(sorted.begin(), sorted.end());
        if (sorted != "abcdefgp")
            refuse(n->source(), "\"segments\" must name each of a b c d e f g p once, bit 0 first (\"abcdefgp\")");
        std::copy(s.begin(), s.end(), d.segments.begin());
    }
    if (const toml::node* n = only("lights", {DeviceKind::Traffic})) {
        const toml::table* lights = n->as_table();
        if (!lights || lights->empty())
            refuse(n->source(), "\"lights\" must be a table of light names and bits, like { north_red = 0 }");
        for (auto&& [name, bit] : *lights)
            d.lights.emplace_back(std::string(name.str()), static_cast<uint8_t>(integer(bit, name.str(), 0, 7)));
        if (d.lights.size() > 8) refuse(n->source(), "a traffic device has at most 8 lights");
    } else if (d.kind == DeviceKind::Traffic) {
        refuse(t.source(), where + " (" + d.name + ") has no \"lights\"");
    }
    if (const toml::node* n = only("steps_per_turn", {DeviceKind::Stepper}))
        d.stepsPerTurn = static_cast<uint16_t>(integer(*n, "steps_per_turn", 1, 10000));
    if (const toml::node* n = only("value", {DeviceKind::Switches, DeviceKind::Adc}))
        d.initial = static_cast<uint8_t>(integer(*n, "value", 0, 0xFF));
    return d;
}

void addService(Profile& p, const toml::node& n, std::string_view key, Service kind, uint16_t target = 0) {
    const auto address = static_cast<uint16_t>(integer(n, key, 0, 0xFFFF));
    if (address >= p.userMemory)
        refuse(n.source(), quote(key) + " at " + board::hexWord(address) +
                               " is not below the user's memory (user_memory = " + board::hexWord(p.userMemory) + ")");
    if (const board::ServiceSetup* other = p.serviceAt(address))
        refuse(n.source(), quote(key) + ": the monitor already has " + board::serviceName(other->kind) + " at " +
                               board::hexWord(address));
    p.services.push_back({address, kind, target});
}

void vectors(Profile& p, const toml::table& t) {
    constexpr std::array<std::pair<std::string_view, uint16_t>, 12> kVectors = {{{"trap", 0x24},
                                                                                 {"rst7_5", 0x3C},
                                                                                 {"rst6_5", 0x34},
                                                                                 {"rst5_5", 0x2C},
                                                                                 {"rst0", 0x00},
                                                                                 {"rst1", 0x08},
                                                                                 {"rst2", 0x10},
                                                                                 {"rst3", 0x18},
                                                                                 {"rst4", 0x20},
                                                                                 {"rst5", 0x28},
                                                                                 {"rst6", 0x30},
                                                                                 {"rst7", 0x38}}};
    onlyKeys(t, {"trap", "rst7_5", "rst6_5", "rst5_5", "rst0", "rst1", "rst2", "rst3", "rst4", "rst5", "rst6", "rst7"},
             "[vectors]");
    for (const auto& [key, vector] : kVectors) {
        const toml::node* n = t.get(key);
        if (!n) continue;
        const auto target = static_cast<uint16_t>(integer(*n, key, 0, 0xFFFF));
        if (target < p.userMemory)
            refuse(n->source(), quote(key) + " must jump into the user's memory (from " + board::hexWord(p.userMemory) +
                                    "), not to " + board::hexWord(target));
        if (const board::ServiceSetup* other = p.serviceAt(vector))
            refuse(n->source(), quote(key) + ": the monitor already has " + board::serviceName(other->kind) + " at " +
                                    board::hexWord(vector));
        p.services.push_back({vector, Service::Jump, target});
    }
}

void monitor(Profile& p, const toml::table& t) {
    onlyKeys(t,
             {"show_a", "show_pair", "show_pair_register", "clear", "delay", "delay_register",
              "delay_tstates_per_count", "delay_tstates", "read_key", "to_monitor", "service_tstates"},
             "[monitor]");
    constexpr std::array<std::pair<std::string_view, Service>, 5> kOne = {{{"show_a", Service::ShowA},
                                                                           {"show_pair", Service::ShowPair},
                                                                           {"clear", Service::Clear},
                                                                           {"delay", Service::Delay},
                                                                           {"read_key", Service::ReadKey}}};
    for (const auto& [key, kind] : kOne)
        if (const toml::node* n = t.get(key)) addService(p, *n, key, kind);
    if (const toml::node* n = t.get("to_monitor")) {
        if (const toml::array* a = n->as_array()) {
            for (const toml::node& e : *a) addService(p, e, "to_monitor", Service::ToMonitor);
        } else {
            addService(p, *n, "to_monitor", Service::ToMonitor);
        }
    }
    if (const toml::node* n = t.get("show_pair_register")) p.showPair = pairOf(*n, "show_pair_register");
    if (const toml::node* n = t.get("delay_register")) p.delayPair = pairOf(*n, "delay_register");
    if (const toml::node* n = t.get("delay_tstates_per_count"))
        p.delayPerCount = static_cast<uint32_t>(integer(*n, "delay_tstates_per_count", 1, 10000));
    if (const toml::node* n = t.get("delay_tstates"))
        p.delayFixed = static_cast<uint32_t>(integer(*n, "delay_tstates", 0, 1'000'000));
    if (const toml::node* n = t.get("service_tstates"))
        p.serviceTStates = static_cast<uint32_t>(integer(*n, "service_tstates", 0, 1'000'000));
}

const toml::table& tableAt(const toml::node& n, std::string_view key) {
    if (!n.is_table()) refuse(n.source(), quote(key) + " must be a table");
    return *n.as_table();
}

Profile profileOf(const toml::table& t) {
    onlyKeys(t, {"name", "description", "user_memory", "ppi_base", "intr", "sid", "device", "vectors", "monitor"},
             "the profile");
    Profile p;
    if (const toml::node* n = t.get("name")) p.name = text(*n, "name");
    if (const toml::node* n = t.get("description")) p.description = text(*n, "description");
    if (const toml::node* n = t.get("user_memory"))
        p.userMemory = static_cast<uint16_t>(integer(*n, "user_memory", 0, 0xFFFF));
    if (const toml::node* n = t.get("ppi_base")) p.ppiBase = static_cast<uint8_t>(integer(*n, "ppi_base", 0, 0xFC));
    if (const toml::node* n = t.get("intr")) {
        p.intrCode = static_cast<uint8_t>(integer(*n, "intr", 0, 0xFF));
        if ((p.intrCode & 0xC7) != 0xC7)
            refuse(n->source(), "\"intr\" must be the code of an RST (C7, CF, D7, DF, E7, EF, F7 or FF)");
    }
    if (const toml::node* n = t.get("sid")) p.sid = integer(*n, "sid", 0, 1) == 1;
    if (const toml::node* n = t.get("device")) {
        const toml::array* a = n->as_array();
        if (!a || !a->is_array_of_tables())
            refuse(n->source(), "\"device\" must be an array of tables: one [[device]] each");
        if (a->size() > kMostDevices) refuse(n->source(), "a profile has at most 64 devices");
        for (std::size_t i = 0; i < a->size(); ++i) {
            const toml::table& d = *(*a)[i].as_table();
            DeviceSetup setup = device(d, i);
            if (p.device(setup.name)) refuse(d.source(), "two devices are named " + quote(setup.name));
            p.devices.push_back(std::move(setup));
        }
    }
    if (const toml::node* n = t.get("vectors")) vectors(p, tableAt(*n, "vectors"));
    if (const toml::node* n = t.get("monitor")) monitor(p, tableAt(*n, "monitor"));
    return p;
}

std::filesystem::path programFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

}  // namespace

std::string ProfileError::message() const {
    if (line == 0) return file + ": " + problem;
    return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + problem;
}

ProfileRead parseProfile(std::string_view text, const std::string& file) {
    ProfileRead out;
    try {
        const toml::table t = toml::parse(text, file);
        out.profile = profileOf(t);
    } catch (const toml::parse_error& e) {
        out.error = ProfileError{file, static_cast<int>(e.source().begin.line),
                                 static_cast<int>(e.source().begin.column), std::string(e.description())};
    } catch (const Refusal& r) {
        out.error =
            ProfileError{file, static_cast<int>(r.at.begin.line), static_cast<int>(r.at.begin.column), r.problem};
    }
    return out;
}

std::vector<std::filesystem::path> profileFolders() {
    std::vector<std::filesystem::path> folders;
    if (const char* env = std::getenv("KIT85_PROFILES"); env && *env) folders.emplace_back(env);
#ifdef KIT85_SOURCE_PROFILES
    folders.emplace_back(KIT85_SOURCE_PROFILES);
#endif
    if (const std::filesystem::path bin = programFolder(); !bin.empty())
        folders.push_back(bin.parent_path() / "share" / "kit85" / "profiles");
    return folders;
}

std::vector<std::string> shippedProfiles() {
    std::vector<std::string> names;
    for (const std::filesystem::path& folder : profileFolders()) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
            if (entry.path().extension() == ".toml") names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

ProfileRead readProfile(const std::string& nameOrPath) {
    std::filesystem::path path = nameOrPath;
    const bool bare = nameOrPath.find('/') == std::string::npos && path.extension() != ".toml";
    if (bare) {
        path.clear();
        for (const std::filesystem::path& folder : profileFolders()) {
            std::error_code ec;
            if (std::filesystem::is_regular_file(folder / (nameOrPath + ".toml"), ec)) {
                path = folder / (nameOrPath + ".toml");
                break;
            }
        }
        if (path.empty()) {
            std::string known;
            for (const std::string& n : shippedProfiles()) known += (known.empty() ? "" : ", ") + n;
            return {std::nullopt,
                    ProfileError{nameOrPath, 0, 0,
                                 "no such profile (the shipped ones: " +
                                     (known.empty() ? std::string("none found") : known) + "; or give a file's path)"}};
        }
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return {std::nullopt, ProfileError{nameOrPath, 0, 0, "no such file, or not a regular file"}};
    if (std::filesystem::file_size(path, ec) > kMostProfileBytes)
        return {std::nullopt, ProfileError{nameOrPath, 0, 0, "larger than 1 MiB: no profile is that long"}};
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in && !in.eof()) return {std::nullopt, ProfileError{nameOrPath, 0, 0, "could not be read"}};
    return parseProfile(text.str(), nameOrPath);
}

}  // namespace kit85::profile
