#include "cli/options.h"

#include <charconv>

#include "cli/escape.h"
#include "memory/watchpoints.h"
#include "values/ascii.h"

namespace kit85 {
namespace {

Text parseAddress(std::string_view s, std::string_view what) {
    std::optional<Text> address = addressOf(s);
    if (!address) throw BadInput{std::string(what) + ": " + noAddress(s)};
    return *address;
}

uint64_t parseCount(std::string_view s, std::string_view what) {
    std::optional<uint64_t> count = countOf(s);
    if (!count) throw BadInput{std::string(what) + ": " + noCount(s)};
    return *count;
}

// "NAME<sep>VALUE" split at the first separator.
std::pair<std::string_view, std::string_view> splitAt(std::string_view s, char sep, std::string_view option,
                                                      std::string_view shape) {
    std::size_t i = s.find(sep);
    if (i == std::string_view::npos)
        throw BadInput{std::string(option) + " " + quotedEcho(s) + ": expected " + std::string(shape)};
    return {s.substr(0, i), s.substr(i + 1)};
}

Poke checkPoke(std::string_view poke) {
    auto [addr, bytes] = splitAt(poke, '=', "--poke", "ADDR=B1,B2,...");
    Poke k{"--poke " + echo(poke), Text(), {}};
    k.address = parseAddress(addr, k.what);
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = bytes.find(',', start);
        std::string_view data = bytes.substr(start, comma == std::string_view::npos ? bytes.npos : comma - start);
        if (data.empty()) throw BadInput{k.what + ": empty byte text (at most 2 characters between commas)"};
        if (characterCount(data) > 2) throw BadInput{k.what + ": " + quotedEcho(data) + " is longer than 2 characters"};
        k.bytes.emplace_back(data);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return k;
}

std::pair<Reg, Text> checkRegister(std::string_view reg) {
    auto [name, text] = splitAt(reg, '=', "--reg", "NAME=TEXT");
    const std::string what = "--reg " + echo(reg);
    const std::optional<RegisterField> field = registerNamed(upperAscii(name));
    if (!field) throw BadInput{what + ": no register " + quotedEcho(name) + " (A B C D E H L F PC SP)"};
    // Characters, as the window's field counts them when typed into.
    if (characterCount(text) > field->width)
        throw BadInput{what + ": " + quotedEcho(text) + " is longer than the " + std::to_string(field->width) +
                       " characters the field " + std::string(field->name) + " takes"};
    return {field->reg, Text(text)};
}

std::pair<Text FlagLabels::*, Text> checkFlag(std::string_view flag) {
    auto [name, value] = splitAt(flag, '=', "--flag", "NAME=0 or NAME=1");
    const std::string what = "--flag " + echo(flag);
    const std::optional<FlagField> field = flagNamed(upperAscii(name));
    if (!field) throw BadInput{what + ": no flag " + quotedEcho(name) + " (S Z AC P CY)"};
    if (value != "0" && value != "1") throw BadInput{what + ": a flag is 0 or 1"};
    return {field->label, Text(value)};
}

DumpRequest checkRange(std::string_view range, std::string_view option) {
    auto [addr, len] = splitAt(range, ':', option, "ADDR:LEN");
    DumpRequest d{std::string(option) + " " + echo(range), Text(), 0};
    d.address = parseAddress(addr, d.what);
    d.length = parseCount(len, d.what);
    return d;
}

// ADDR[:LEN][,r|w|rw]: LEN rows (decimal, at least 1) from ADDR, watched for
// writes unless the access says otherwise.
WatchRequest checkWatch(std::string_view watch) {
    WatchRequest w{"--watch " + echo(watch), Text(), 1, kWatchWrite};
    std::string_view range = watch;
    if (const std::size_t comma = watch.find(','); comma != std::string_view::npos) {
        range = watch.substr(0, comma);
        const std::string access = upperAscii(watch.substr(comma + 1));
        if (access == "R")
            w.access = kWatchRead;
        else if (access == "RW")
            w.access = kWatchBoth;
        else if (access != "W")
            throw BadInput{w.what + ": the access is r, w or rw"};
    }
    std::string_view addr = range;
    if (const std::size_t colon = range.find(':'); colon != std::string_view::npos) {
        addr = range.substr(0, colon);
        w.length = parseCount(range.substr(colon + 1), w.what);
        if (w.length == 0) throw BadInput{w.what + ": watches no row (LEN is at least 1)"};
    }
    w.address = parseAddress(addr, w.what);
    if (w.length > 0x10000 - w.address.hexValue()) throw BadInput{w.what + ": runs past FFFF"};
    return w;
}

SaveHexRequest checkSaveHex(const std::pair<std::string, std::string>& save) {
    const auto& [range, file] = save;
    SaveHexRequest r{"--save-hex " + echo(range) + " " + echo(file), Text(), 0, file};
    auto [addr, len] = splitAt(range, ':', "--save-hex", "ADDR:LEN FILE");
    r.address = parseAddress(addr, r.what);
    r.length = parseCount(len, r.what);
    if (r.length > 0x10000 - r.address.hexValue()) throw BadInput{r.what + ": runs past FFFF"};
    if (file.empty()) throw BadInput{r.what + ": the file name is empty"};
    if (file == "-") throw BadInput{r.what + ": the standard output carries the report; name a file"};
    return r;
}

}  // namespace

std::optional<uint64_t> countOf(std::string_view s) {
    uint64_t n = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return n;
}

std::optional<Text> addressOf(std::string_view s) {
    uint32_t n = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n, 16);
    if (s.empty() || s.size() > 4 || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return Text::word(n);
}

std::string noCount(std::string_view s) { return quotedEcho(s) + " is no count (decimal digits)"; }
std::string noAddress(std::string_view s) { return quotedEcho(s) + " is no address (1 to 4 hex digits)"; }

// --board and the inputs it takes; none without --board (the others then refused).
std::optional<profile::BoardRequest> checkBoard(const RunnerOptions& o) {
    if (!o.board) {
        if (!o.inputs.empty()) throw BadInput{"--in: the ports are the board's; give --board PROFILE too"};
        if (!o.interrupts.empty()) throw BadInput{"--interrupt: the interrupts come from the board; give --board too"};
        if (!o.keys.empty()) throw BadInput{"--key: the keys are read by the board's monitor; give --board too"};
        return std::nullopt;
    }
    if (o.board->empty()) throw BadInput{"--board: the profile's name is empty"};
    profile::BoardRequest q;
    q.profile = *o.board;
    auto check = [](std::optional<std::string> problem) {
        if (problem) throw BadInput{printableMessage(*problem)};
    };
    for (const std::string& in : o.inputs) check(profile::addInput(in, q));
    for (const std::string& i : o.interrupts) check(profile::addInterrupt(i, q));
    for (const std::string& k : o.keys) check(profile::addKeys(k, q));
    return q;
}

Request checkRequest(const RunnerOptions& o) {
    Request q;
    q.memoryFile = o.memoryFile;
    q.loadFiles = o.loadFiles;
    q.steps = o.steps;
    q.maxSteps = o.maxSteps.value_or(0);
    q.maxTStates = o.maxTStates.value_or(0);
    if (q.maxTStates && o.steps) throw BadInput{"--max-tstates: it bounds Execute; --steps presses Step Exe"};
    q.board = checkBoard(o);
    q.json = o.json;
    for (const std::string& poke : o.pokes) q.pokes.push_back(checkPoke(poke));
    if (o.at) q.at = parseAddress(*o.at, "--at");
    for (const std::string& reg : o.registers) q.registers.push_back(checkRegister(reg));
    for (const std::string& flag : o.flags) q.flags.push_back(checkFlag(flag));
    for (const std::string& dump : o.dumps) q.dumps.push_back(checkRange(dump, "--dump"));
    for (const std::string& b : o.breaks) q.breaks.push_back(parseAddress(b, "--break " + echo(b)));
    for (const std::string& w : o.watches) q.watches.push_back(checkWatch(w));
    if (o.disassemble) q.disassemble = checkRange(*o.disassemble, "--disassemble");
    q.asmFiles = o.asmFiles;
    q.asmRadix = o.asmRadix;
    if (o.asmOrg) {
        if (o.asmFiles.empty()) throw BadInput{"--org: it places the --asm sources; give --asm too"};
        q.asmOrg = parseAddress(*o.asmOrg, "--org");
    }
    if (o.source) {
        if (!o.disassemble) throw BadInput{"--source: it writes the --disassemble range; give --disassemble too"};
        if (o.source->empty()) throw BadInput{"--source: the file name is empty"};
        if (*o.source == "-") throw BadInput{"--source -: the standard output carries the listing; name a file"};
        q.source = o.source;
    }
    if (o.trace) {
        if (o.trace->empty()) throw BadInput{"--trace: the file name is empty"};
        if (o.disassemble) throw BadInput{"--trace: --disassemble runs nothing to trace"};
        q.trace = o.trace;
    }
    for (const auto& save : o.saveHex) q.saves.push_back(checkSaveHex(save));
    return q;
}

}  // namespace kit85
