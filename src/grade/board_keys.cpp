#include "grade/board_keys.h"

#include <algorithm>
#include <sstream>

#include "grade/toml_values.h"
#include "profile/profile_file.h"

namespace kit85::grade {
namespace {

std::string bytesText(const std::vector<uint8_t>& bytes) {
    std::string s;
    for (uint8_t b : bytes) board::addWord(s, board::hexByte(b));
    return s.empty() ? "none" : s;
}

PortOutputs outputsOf(const toml::node& n) {
    const toml::table& t = tableOf(n, "outputs");
    onlyKeys(t, {"port", "bytes", "every", "tolerance"}, "an expected output");
    PortOutputs p;
    const toml::node* port = t.get("port");
    const toml::node* bytes = t.get("bytes");
    if (!port || !bytes) refuse(n.source(), "an expected output needs a 'port' and its 'bytes'");
    p.port = static_cast<uint8_t>(integerOf(*port, "port", 0, 0xFF));
    p.bytes = bytesOf(*bytes, "bytes");
    if (p.bytes.empty()) refuse(bytes->source(), "'bytes' is empty: give the bytes the OUTs write, in order");
    if (const toml::node* v = t.get("every"))
        p.every = static_cast<uint64_t>(integerOf(*v, "every", 1, static_cast<int64_t>(kMostTStates)));
    if (const toml::node* v = t.get("tolerance")) {
        if (!p.every) refuse(v->source(), "'tolerance' is of 'every': give 'every' too");
        p.tolerance = static_cast<uint64_t>(integerOf(*v, "tolerance", 0, static_cast<int64_t>(kMostTStates)));
    }
    return p;
}

std::string sortedWords(const std::string& s) {
    std::vector<std::string> words;
    std::istringstream in(s);
    for (std::string w; in >> w;) words.push_back(w);
    std::sort(words.begin(), words.end());
    std::string out;
    for (const std::string& w : words) board::addWord(out, w);
    return out;
}

// A device's expected state: a string, or a number (a stepper's angle).
std::string stateOf(const toml::node& n, std::string_view device) {
    if (n.is_string()) return *n.value<std::string>();
    if (n.is_integer()) return std::to_string(*n.value<int64_t>());
    if (n.is_floating_point()) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", *n.value<double>());
        return text;
    }
    wrongType(n, device, "a string or a number");
}

}  // namespace

std::shared_ptr<const board::Profile> boardOf(const toml::node& n, const std::filesystem::path& labFile) {
    const std::string name = stringOf(n, "board");
    // A file's name is read beside the lab file; a bare name is a shipped profile.
    const bool file = name.find('/') != std::string::npos || name.ends_with(".toml");
    const std::string path = file ? (labFile.parent_path() / name).string() : name;
    profile::ProfileRead read = profile::readProfile(path);
    if (!read.profile) refuse(n.source(), "'board': " + read.error->message());
    return std::make_shared<const board::Profile>(std::move(*read.profile));
}

void boardInputsOf(const toml::table& t, Case& c) {
    auto each = [&](const char* key, auto add) {
        const toml::node* v = t.get(key);
        if (!v) return;
        for (const toml::node& e : arrayOf(*v, key))
            if (auto problem = add(stringOf(e, key), c.inputs, key)) refuse(e.source(), *problem);
    };
    each("in", profile::addInput);
    each("interrupts", profile::addInterrupt);
    if (const toml::node* v = t.get("keys"))
        if (auto problem = profile::addKeys(stringOf(*v, "keys"), c.inputs, "keys")) refuse(v->source(), *problem);
}

void boardExpectationsOf(const toml::table& t, Expectation& e) {
    if (const toml::node* v = t.get("outputs"))
        for (const toml::node& o : arrayOf(*v, "outputs")) e.outputs.push_back(outputsOf(o));
    if (const toml::node* v = t.get("devices"))
        for (auto&& [name, value] : tableOf(*v, "devices"))
            e.devices.push_back({std::string(name.str()), stateOf(value, name.str())});
}

void checkBoardCase(const toml::table& t, const Case& c) {
    const toml::table* expect = t.get("expect") ? t.get("expect")->as_table() : nullptr;
    if (!c.board) {
        for (const char* key : {"in", "interrupts", "keys"})
            if (const toml::node* v = t.get(key))
                refuse(v->source(), std::string("'") + key + "' gives the board inputs: the lab needs a 'board'");
        if (expect)
            for (const char* key : {"outputs", "devices"})
                if (const toml::node* v = expect->get(key))
                    refuse(v->source(), std::string("'") + key + "' is about the board: the lab needs a 'board'");
        return;
    }
    if (!expect) return;
    if (const toml::node* v = expect->get("devices"))
        for (auto&& [name, value] : *v->as_table())
            if (!c.board->device(std::string(name.str())))
                refuse(name.source(), "the board " + c.board->name + " has no device " + std::string(name.str()));
}

void boardChecks(const Expectation& e, const Machine& m, std::vector<Check>& out) {
    const board::Board* b = m.board();
    if (!b) return;
    for (const PortOutputs& p : e.outputs) {
        std::vector<uint8_t> bytes;
        std::vector<uint64_t> when;
        for (const board::PortWrite& w : b->writes())
            if (w.port == p.port && bytes.size() < p.bytes.size()) {
                bytes.push_back(w.value);
                when.push_back(w.tstate);
            }
        const std::string port = "OUT " + board::hexByte(p.port);
        out.push_back({port, bytesText(p.bytes), bytesText(bytes), bytes == p.bytes});
        if (!p.every) continue;
        const std::string want = std::to_string(*p.every) + (p.tolerance ? " ± " + std::to_string(p.tolerance) : "");
        std::string got;
        bool ok = when.size() == p.bytes.size();
        for (std::size_t i = 1; i < when.size(); ++i) {
            const uint64_t gap = when[i] - when[i - 1];
            board::addWord(got, std::to_string(gap));
            ok = ok && gap + p.tolerance >= *p.every && gap <= *p.every + p.tolerance;
        }
        out.push_back({port + " T-states apart", want, got.empty() ? "none" : got, ok});
    }
    for (const DeviceState& d : e.devices) {
        const std::optional<board::DeviceView> v = b->device(d.device);
        const std::string actual = v ? board::stateText(*v) : "no such device";
        // Lit traffic lights may be named in any order.
        const bool traffic = v && v->setup->kind == board::DeviceKind::Traffic;
        out.push_back({d.device, d.state, actual, actual == (traffic ? sortedWords(d.state) : d.state)});
    }
}

}  // namespace kit85::grade
