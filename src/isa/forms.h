#pragma once

// Every form's body (the group headers) and what the opcode map takes from
// them: the handler that carries a form out on the kit's texts, and the facts
// of a code of the form. Both are looked up by the form, in tables made from
// the forms themselves, so a new form is its body in a group header and
// nothing else here.

#include <array>
#include <cstddef>
#include <utility>

#include "isa/alu.h"
#include "isa/body.h"
#include "isa/halt.h"
#include "isa/incdec.h"
#include "isa/io.h"
#include "isa/jumps.h"
#include "isa/loads.h"
#include "isa/moves.h"
#include "isa/opcode.h"
#include "isa/rotates.h"
#include "isa/stack.h"

namespace kit85::isa {

constexpr std::size_t kFormCount = static_cast<std::size_t>(Form::Rst) + 1;

// The body of form f on the text machine (defined in text_handlers.cpp).
template <Form f>
int16_t runText(KitState& k, const Opcode& o, OutcomeSink* sink);

namespace detail {

template <Form f>
constexpr Facts factsFor(uint8_t a, uint8_t b) {
    if constexpr (f == Form::Invalid)
        return {};
    else
        return Body<f>::facts(a, b);
}

template <Form f>
constexpr Handler handlerFor() {
    if constexpr (f == Form::Invalid)
        return nullptr;
    else
        return &runText<f>;
}

template <std::size_t... f>
constexpr auto factsTable(std::index_sequence<f...>) {
    return std::array<Facts (*)(uint8_t, uint8_t), sizeof...(f)>{&factsFor<static_cast<Form>(f)>...};
}
template <std::size_t... f>
constexpr auto handlerTable(std::index_sequence<f...>) {
    return std::array<Handler, sizeof...(f)>{handlerFor<static_cast<Form>(f)>()...};
}

inline constexpr auto kFactsOf = factsTable(std::make_index_sequence<kFormCount>{});
inline constexpr auto kHandlerOf = handlerTable(std::make_index_sequence<kFormCount>{});

}  // namespace detail

// What a code of `form` with arguments a and b reads, writes and decides.
constexpr Facts factsOf(Form form, uint8_t a, uint8_t b) {
    return detail::kFactsOf[static_cast<std::size_t>(form)](a, b);
}
// The handler that carries a code of `form` out on the kit's texts (none for
// Form::Invalid).
constexpr Handler handlerOf(Form form) { return detail::kHandlerOf[static_cast<std::size_t>(form)]; }

}  // namespace kit85::isa
