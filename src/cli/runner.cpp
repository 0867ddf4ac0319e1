#include "cli/runner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>
#include <utility>

#include "kit/kit_state.h"
#include "memory/intel_hex.h"
#include "memory/memory_table.h"
#include "run/run_controller.h"
#include "values/errors.h"

namespace kit85 {
namespace {

// A problem with the options or an input file: reported, and nothing written.
struct BadInput {
    std::string message;
};

// A Step Exe run over unknown codes shows "invalid code" once per step; the
// report keeps the first ones and counts the rest, so a long run cannot fill
// memory with copies of one message.
constexpr std::size_t kMostMessagesListed = 1000;

// An Intel HEX file for 64 KiB of memory is well under a megabyte; the bound
// keeps a mistaken --load of a device or a huge file from eating memory.
constexpr std::size_t kMostHexFileBytes = 16u << 20;

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

// "The text" in quotes, with anything unprintable escaped, for messages.
std::string inQuotes(std::string_view s) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string q = "\"";
    for (char c : s) {
        auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            q += '\\';
            q += c;
        } else if (u >= 0x20 && u < 0x7F) {
            q += c;
        } else {
            q += "\\x";
            q += digits[u >> 4];
            q += digits[u & 0xF];
        }
    }
    return q + "\"";
}

// A text as the summary shows it: plain when it is a plain word, in quotes
// when it is empty or holds blanks or unprintable characters, so odd texts
// such as " 5" stay visible.
std::string shown(const Text& t) {
    std::string s = t.str();
    bool plain = !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u > 0x20 && u < 0x7F && c != '"' && c != '\\';
    });
    return plain ? s : inQuotes(s);
}

// An address on the command line: 1 to 4 hex digits, either case, taken as
// the four upper-case digits of a row address ("ff" is 00FF).
Text parseAddress(std::string_view s, std::string_view what) {
    bool ok = !s.empty() && s.size() <= 4 && std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
    if (!ok) throw BadInput{std::string(what) + ": " + inQuotes(s) + " is no address (1 to 4 hex digits)"};
    return Text::word(static_cast<uint32_t>(std::stoul(std::string(s), nullptr, 16)));
}

// A count: decimal digits only, no sign, at most 2^64 - 1.
uint64_t parseCount(std::string_view s, std::string_view what) {
    uint64_t n = 0;
    bool ok = !s.empty();
    for (char c : s) {
        if (c < '0' || c > '9' || n > (UINT64_MAX - static_cast<uint64_t>(c - '0')) / 10) {
            ok = false;
            break;
        }
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    if (!ok) throw BadInput{std::string(what) + ": " + inQuotes(s) + " is no count (decimal digits)"};
    return n;
}

// "NAME<sep>VALUE" split at the first separator.
std::pair<std::string_view, std::string_view> splitAt(std::string_view s, char sep, std::string_view option,
                                                      std::string_view shape) {
    std::size_t i = s.find(sep);
    if (i == std::string_view::npos)
        throw BadInput{std::string(option) + " " + inQuotes(s) + ": expected " + std::string(shape)};
    return {s.substr(0, i), s.substr(i + 1)};
}

// The row of an address, or a BadInput naming the option.
int rowOf(const MemoryTable& memory, const Text& address, std::string_view what) {
    std::optional<int> row = memory.rowOf(address);
    if (!row) throw BadInput{std::string(what) + ": the memory has no row " + address.str()};
    return *row;
}

std::string readHexFile(const std::string& path) {
    auto fail = [&](const std::string& problem) { return BadInput{"--load " + path + ": " + problem}; };
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw fail(std::string("cannot be read (") + std::strerror(errno) + ")");
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) throw fail("is a folder, not an Intel HEX file");
    std::string text;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw fail(std::string("cannot be read (") + std::strerror(errno) + ")");
        }
        if (n == 0) break;
        if (text.size() + static_cast<std::size_t>(n) > kMostHexFileBytes)
            throw fail("is larger than " + std::to_string(kMostHexFileBytes >> 20) +
                       " MiB; no Intel HEX file for 64 KiB of memory is that large");
        text.append(buf, static_cast<std::size_t>(n));
    }
    return text;
}

// Records the messages the kit shows; without --json it also prints each as
// it comes, the way the window would pop up its box.
class ReportingPresenter : public Presenter {
public:
    explicit ReportingPresenter(std::ostream* live) : live_(live) {}

    void message(std::string_view text, std::string_view title, Icon) override {
        if (listed.size() >= kMostMessagesListed) {
            ++notListed;
            return;
        }
        listed.emplace_back(text);
        if (live_) {
            if (!title.empty()) *live_ << title << ' ';
            *live_ << text << '\n';
        }
    }

    std::vector<std::string> listed;
    uint64_t notListed = 0;

private:
    std::ostream* live_;
};

struct Dump {
    Text address;  // as asked for, four upper-case digits
    int row = 0;
    std::size_t length = 0;  // cut at the last row
};

struct Write {
    int row;
    Text data;
};

struct Poke {
    std::string what;  // "--poke ADDR=..." for messages
    Text address;
    std::vector<Text> bytes;
};

struct DumpRequest {
    std::string what;
    Text address;
    uint64_t length;
};

// The options, checked as far as they can be without the memory table.
struct Request {
    uint64_t steps = 0;
    uint64_t maxSteps = 0;
    std::vector<Poke> pokes;
    std::optional<Text> at;
    std::vector<std::pair<Reg, Text>> registers;
    std::vector<std::pair<Text FlagLabels::*, Text>> flags;
    std::vector<DumpRequest> dumps;
};

Request parseOptions(const RunnerOptions& o) {
    Request q;
    if (o.steps && o.maxSteps) throw BadInput{"--steps and --max-steps cannot be used together"};
    if (o.steps) q.steps = parseCount(*o.steps, "--steps");
    if (o.maxSteps) {
        q.maxSteps = parseCount(*o.maxSteps, "--max-steps");
        if (q.maxSteps == 0) throw BadInput{"--max-steps: must be at least 1 (leave it out for no bound)"};
    }
    if (o.memoryFile && o.memoryFile->empty()) throw BadInput{"--memory: the file name is empty"};

    for (const std::string& poke : o.pokes) {
        auto [addr, bytes] = splitAt(poke, '=', "--poke", "ADDR=B1,B2,...");
        Poke k{"--poke " + poke, Text(), {}};
        k.address = parseAddress(addr, k.what);
        std::size_t start = 0;
        for (;;) {
            std::size_t comma = bytes.find(',', start);
            std::string_view data = bytes.substr(start, comma == std::string_view::npos ? bytes.npos : comma - start);
            if (data.empty()) throw BadInput{k.what + ": empty byte text (at most 2 characters between commas)"};
            if (data.size() > 2) throw BadInput{k.what + ": " + inQuotes(data) + " is longer than 2 characters"};
            k.bytes.emplace_back(data);
            if (comma == std::string_view::npos) break;
            start = comma + 1;
        }
        q.pokes.push_back(std::move(k));
    }

    if (o.at) q.at = parseAddress(*o.at, "--at");

    for (const std::string& reg : o.registers) {
        auto [name, text] = splitAt(reg, '=', "--reg", "NAME=TEXT");
        const std::string key = upper(name);
        const std::optional<RegisterField> field = registerNamed(key);
        if (!field) throw BadInput{"--reg " + reg + ": no register " + inQuotes(name) + " (A B C D E H L F PC SP)"};
        if (text.size() > field->width)
            throw BadInput{"--reg " + reg + ": " + inQuotes(text) + " is longer than the " +
                           std::to_string(field->width) + " characters the field " + std::string(field->name) +
                           " takes"};
        q.registers.emplace_back(field->reg, Text(text));
    }

    for (const std::string& flag : o.flags) {
        auto [name, value] = splitAt(flag, '=', "--flag", "NAME=0 or NAME=1");
        const std::optional<FlagField> field = flagNamed(upper(name));
        if (!field) throw BadInput{"--flag " + flag + ": no flag " + inQuotes(name) + " (S Z AC P CY)"};
        if (value != "0" && value != "1") throw BadInput{"--flag " + flag + ": a flag is 0 or 1"};
        q.flags.emplace_back(field->label, Text(value));
    }

    for (const std::string& dump : o.dumps) {
        auto [addr, len] = splitAt(dump, ':', "--dump", "ADDR:LEN");
        DumpRequest d{"--dump " + dump, Text(), 0};
        d.address = parseAddress(addr, d.what);
        d.length = parseCount(len, d.what);
        q.dumps.push_back(std::move(d));
    }
    return q;
}

// The rows the request names, checked against the memory table.
struct Plan {
    std::vector<Write> writes;
    int startRow = 0;
    std::vector<Dump> dumps;
};

Plan plan(const RunnerOptions& o, const Request& q, const MemoryTable& memory,
          const std::vector<IntelHexImage>& images) {
    Plan p;
    for (std::size_t f = 0; f < images.size(); ++f) {
        for (const HexByte& b : images[f].bytes) {
            Text address = Text::word(b.address);
            std::optional<int> row = memory.rowOf(address);
            if (!row) throw BadInput{"--load " + o.loadFiles[f] + ": the memory has no row " + address.str()};
            p.writes.push_back({*row, Text::byte(b.value)});
        }
    }

    // Consecutive rows, as the Next key walks them.
    for (const Poke& k : q.pokes) {
        const int row = rowOf(memory, k.address, k.what);
        if (k.bytes.size() > static_cast<std::size_t>(memory.size() - row))
            throw BadInput{k.what + ": runs past the last row (" + memory.addressAt(memory.size() - 1).str() + ")"};
        for (std::size_t i = 0; i < k.bytes.size(); ++i) p.writes.push_back({row + static_cast<int>(i), k.bytes[i]});
    }

    if (q.at) p.startRow = rowOf(memory, *q.at, "--at");

    for (const DumpRequest& r : q.dumps) {
        Dump d;
        d.address = r.address;
        d.row = rowOf(memory, r.address, r.what);
        d.length = static_cast<std::size_t>(std::min<uint64_t>(r.length, static_cast<uint64_t>(memory.size() - d.row)));
        // The report has one entry per address: the same start twice keeps the longer.
        auto same = std::find_if(p.dumps.begin(), p.dumps.end(), [&](const Dump& e) { return e.address == d.address; });
        if (same == p.dumps.end())
            p.dumps.push_back(d);
        else
            same->length = std::max(same->length, d.length);
    }
    return p;
}

int exitStatus(StopReason r) {
    switch (r) {
        case StopReason::Halt:
        case StopReason::Steps:
        case StopReason::StepLimit: return kExitRunEnded;
        default: return kExitRunStopped;
    }
}

void reportJson(std::ostream& out, const KitState& kit, const RunResult& res, const std::vector<std::string>& messages,
                const std::vector<Dump>& dumps) {
    using Json = nlohmann::ordered_json;
    Json j;
    j["stop"] = std::string(stopName(res.reason));
    j["steps"] = res.steps;
    Json regs = Json::object();
    for (const RegisterField& f : kRegisterFields) regs[std::string(f.name)] = kit[f.reg].str();
    j["registers"] = std::move(regs);
    Json flags = Json::object();
    for (const FlagField& f : kFlagFields) flags[std::string(f.name)] = (kit.flags.*f.label).str();
    j["flags"] = std::move(flags);
    const MemoryTable& m = kit.memory();
    j["row"] = m.onRow() ? Json{{"address", m.text1().str()}, {"data", m.text2().str()}} : Json(nullptr);
    j["messages"] = messages;
    Json memory = Json::object();
    for (const Dump& d : dumps) {
        Json rows = Json::array();
        for (std::size_t i = 0; i < d.length; ++i) rows.push_back(m.dataAt(d.row + static_cast<int>(i)).str());
        memory[d.address.str()] = std::move(rows);
    }
    j["memory"] = std::move(memory);
    // Texts from a memory file may hold bytes that are not UTF-8; they are
    // shown as U+FFFD rather than ending the report.
    out << j.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

void reportText(std::ostream& out, const KitState& kit, const RunResult& res, const std::vector<std::string>& messages,
                std::size_t liveShown, const std::vector<Dump>& dumps) {
    out << "stop: " << stopName(res.reason) << " after " << res.steps << (res.steps == 1 ? " step" : " steps") << '\n';
    const char* sep = "";
    for (const RegisterField& f : kRegisterFields) {
        out << sep << f.name << '=' << shown(kit[f.reg]);
        sep = " ";
    }
    out << '\n';
    sep = "";
    for (const FlagField& f : kFlagFields) {
        out << sep << f.name << '=' << shown(kit.flags.*f.label);
        sep = " ";
    }
    out << '\n';
    const MemoryTable& m = kit.memory();
    if (m.onRow())
        out << "row: " << shown(m.text1()) << ' ' << shown(m.text2()) << '\n';
    else
        out << "row: none (the cursor is on no row)\n";
    // The messages shown during the run were printed as they came.
    for (std::size_t i = liveShown; i < messages.size(); ++i) {
        if (i + 1 == messages.size() && res.reason == StopReason::Error) out << "error: ";
        out << messages[i] << '\n';
    }
    for (const Dump& d : dumps) {
        for (std::size_t i = 0; i < d.length; i += 16) {
            int row = d.row + static_cast<int>(i);
            out << "memory " << shown(m.addressAt(row)) << ':';
            for (std::size_t k = i; k < d.length && k < i + 16; ++k)
                out << ' ' << shown(m.dataAt(d.row + static_cast<int>(k)));
            out << '\n';
        }
    }
}

}  // namespace

int runKit(const RunnerOptions& o, std::ostream& out, std::ostream& err, std::atomic<bool>* stop) {
    std::unique_ptr<MemoryTable> memory;
    Request q;
    Plan p;
    try {
        // Everything that needs no memory table first, so that bad options
        // never create or touch a memory file.
        q = parseOptions(o);
        std::vector<IntelHexImage> images;
        for (const std::string& file : o.loadFiles) {
            images.push_back(parseIntelHex(readHexFile(file)));
            if (!images.back().ok())
                throw BadInput{"--load " + file + ": " + images.back().error->message() + "; nothing was written"};
        }

        memory = o.memoryFile ? MemoryTable::open(*o.memoryFile) : MemoryTable::fresh();
        p = plan(o, q, *memory, images);

        for (const Write& w : p.writes) {
            memory->setCursor(w.row);
            memory->setText2(w.data);
        }
        try {
            memory->flush();
        } catch (const StoreError& e) {
            // The commit is rolled back whole; the process ends, so the bytes
            // are not kept anywhere.
            throw BadInput{std::string(e.what()) + " (the run did not start; nothing was saved)"};
        }
    } catch (const BadInput& e) {
        err << "kit85-run: " << e.message << '\n';
        return kExitBadInput;
    } catch (const KitError& e) {
        err << "kit85-run: " << e.what() << '\n';
        return kExitBadInput;
    } catch (const std::bad_alloc&) {
        err << "kit85-run: out of memory\n";
        return kExitBadInput;
    }

    ReportingPresenter presenter(o.json ? nullptr : &out);
    KitState kit(*memory, presenter);
    memory->setCursor(p.startRow);
    for (auto& [r, text] : q.registers) kit[r] = text;
    for (auto& [label, text] : q.flags) kit.flags.*label = text;

    RunController run(kit, stop);
    if (o.steps) {
        run.step(q.steps);
    } else {
        run.start(q.maxSteps);
        run.slice();
    }
    const RunResult& res = run.last();

    std::vector<std::string> messages = std::move(presenter.listed);
    const std::size_t liveShown = messages.size();
    if (presenter.notListed) {
        std::string more = std::to_string(presenter.notListed);
        more.insert(0, 1, '(');
        more += " more messages not listed)";
        messages.push_back(std::move(more));
    }
    if (res.reason == StopReason::Error) messages.push_back(res.message);

    if (o.json)
        reportJson(out, kit, res, messages, p.dumps);
    else
        reportText(out, kit, res, messages, liveShown, p.dumps);
    out.flush();
    return exitStatus(res.reason);
}

}  // namespace kit85
