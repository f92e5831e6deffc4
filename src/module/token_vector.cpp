#include "module/token_vector.hpp"

#include <array>

#include "module/raisers.hpp"

namespace veltrocamber {
namespace {

template <size_t I>
uint64_t count_alternative(const TokenVector &tokens) noexcept {
    return std::get_if<I>(&tokens)->size();
}

constexpr std::array<uint64_t (*)(const TokenVector &) noexcept, 4> count_table = {
    &count_alternative<0>, &count_alternative<1>, &count_alternative<2>, &count_alternative<3>};

// One converter per (requested width, source alternative): the result is
// allocated once at its final length and filled in one pass. The cast to the
// destination type zero-extends when widening and keeps the low-order bits
// when narrowing.
template <size_t Dst, size_t Src>
TokenVector convert_alternative(const TokenVector &source) {
    using DstVec = std::variant_alternative_t<Dst, TokenVector>;
    using DstT = typename DstVec::value_type;
    const auto &from = *std::get_if<Src>(&source);
    DstVec out(from.size());
    for (size_t i = 0; i < from.size(); ++i)
        out[i] = static_cast<DstT>(from[i]);
    return TokenVector(std::in_place_index<Dst>, std::move(out));
}

using converter_t = TokenVector (*)(const TokenVector &);

template <size_t... I>
constexpr std::array<converter_t, 16> make_converters(std::index_sequence<I...>) {
    return {&convert_alternative<I / 4, I % 4>...};
}

constexpr auto converters = make_converters(std::make_index_sequence<16>{});

}  // namespace

uint64_t token_count(const TokenVector &tokens) noexcept { return count_table[tokens.index()](tokens); }

TokenVector convert_token_width(const TokenVector &source, uint64_t width) {
    const int row = token_width_index(width);
    if (row < 0)
        raise_type_error("unsupported kernel bit width");
    return converters[static_cast<size_t>(row) * 4 + source.index()](source);
}

}  // namespace veltrocamber
