// Every form's body on the text machine: the handlers the opcode map names.
#include <array>
#include <cstddef>
#include <utility>

#include "isa/forms.h"
#include "isa/text_machine.h"

namespace kit85::isa {

template <Form f>
int16_t runText(KitState& k, const Opcode& o, OutcomeSink* sink) {
    TextMachine m(k, sink);
    return Body<f>::run(m, o);
}

namespace {
template <std::size_t... f>
constexpr auto everyHandler(std::index_sequence<f...>) {
    return std::array<Handler, sizeof...(f)>{&runText<static_cast<Form>(f + 1)>...};
}
}  // namespace

// Made here, for every form but Invalid, so that the map's handlers are all
// defined in this file.
extern const std::array<Handler, kFormCount - 1> kTextHandlers;
const std::array<Handler, kFormCount - 1> kTextHandlers = everyHandler(std::make_index_sequence<kFormCount - 1>{});

}  // namespace kit85::isa
