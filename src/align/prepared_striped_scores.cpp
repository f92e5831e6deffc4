#include "align/prepared_striped_scores.hpp"

#include <type_traits>

#include "align/alignment_score_bindings.hpp"
#include "align/scalar_kernels.hpp"
#include "align/score_shortcuts.hpp"
#include "align/striped_global.hpp"
#include "align/striped_local.hpp"
#include "module/cell_width_dispatch.hpp"

namespace veltrocamber::backend_swar::detail {
namespace {

// The visits below take the scalar form by its own overload and every
// striped profile by the generic one.
template <typename... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

FarrarScoreProfile linear_profile(const FarrarTokenChannel &c, int64_t match, int64_t mismatch, int64_t gap) {
    return cell_width_dispatch(c.width, "unsupported Farrar score width", [&]<typename Cell>() -> FarrarScoreProfile {
        if constexpr (!std::is_same_v<Cell, int64_t>) {
            if (gap <= 0)
                return align::build_striped_linear_profile<Cell>(c.query.data(), c.query.size(), c.target.data(),
                                                                 c.target.size(), match, mismatch, gap);
        }
        return ScalarScoreInputs{c, match, mismatch, gap, gap};
    });
}

AffineScoreProfile affine_profile(const FarrarTokenChannel &c, int64_t match, int64_t mismatch, int64_t open,
                                  int64_t extend) {
    return cell_width_dispatch(
        c.width, "unsupported SWAR affine score width", [&]<typename Cell>() -> AffineScoreProfile {
            if constexpr (std::is_same_v<Cell, int64_t>) {
                check_wide_affine_bound(c.score_bound);
            } else {
                if (open <= 0 && extend <= 0)
                    return align::build_striped_affine_profile<Cell>(c.query.data(), c.query.size(),
                                                                     c.target.data(), c.target.size(), match,
                                                                     mismatch, open, extend);
            }
            return ScalarScoreInputs{c, match, mismatch, open, extend};
        });
}

}  // namespace

PreparedSmithWatermanFarrarScore::PreparedSmithWatermanFarrarScore(const FarrarTokenChannel &channel, int64_t match,
                                                                   int64_t mismatch, int64_t gap)
    : profile(linear_profile(channel, match, mismatch, gap)) {}

PreparedAffineScore::PreparedAffineScore(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch,
                                         int64_t gap_open, int64_t gap_extend)
    : profile(affine_profile(channel, match, mismatch, gap_open, gap_extend)) {}

int64_t local_linear_scalar_score(const FarrarTokenChannel &c, int64_t match, int64_t mismatch, int64_t gap) {
    const align::ShortcutAnswer shortcut = align::local_score_shortcut<uint8_t>(
        c.query.data(), c.query.size(), c.target.data(), c.target.size(), match, mismatch, gap);
    if (shortcut.handled)
        return shortcut.score;
    return align::smith_waterman_linear_codes<int64_t>(c.query.data(), c.query.size(), c.target.data(),
                                                       c.target.size(), match, mismatch, gap);
}

int64_t prepared_linear_scalar_score(const ScalarScoreInputs &s) {
    return local_linear_scalar_score(s.channel, s.match, s.mismatch, s.gap_open);
}

int64_t smith_waterman_affine_scalar_inputs(const ScalarScoreInputs &s) {
    const FarrarTokenChannel &c = s.channel;
    return align::smith_waterman_affine_score_wide(c.query.data(), c.query.size(), c.target.data(), c.target.size(),
                                                   s.match, s.mismatch, s.gap_open, s.gap_extend);
}

int64_t needleman_wunsch_affine_scalar_inputs(const ScalarScoreInputs &s) {
    const FarrarTokenChannel &c = s.channel;
    return align::needleman_wunsch_affine_score_wide(c.query.data(), c.query.size(), c.target.data(),
                                                     c.target.size(), s.match, s.mismatch, s.gap_open, s.gap_extend);
}

namespace {

// Runs `striped` on the object's striped profile, or, in a call nested in
// another on the same object, on a copy of it (the outer call is using the
// profile's work vectors); the scalar form keeps nothing between calls and
// runs `scalar` on the object's inputs either way.
template <typename Prepared, typename Scalar, typename Striped>
int64_t guarded_score(Prepared &prepared, Scalar &&scalar, Striped &&striped) {
    const CallGuard guard(prepared.call);
    return std::visit(Overloaded{[&](ScalarScoreInputs &s) { return scalar(s); },
                                 [&](auto &profile) {
                                     if (!guard.nested())
                                         return striped(profile);
                                     auto own = profile;
                                     return striped(own);
                                 }},
                      prepared.profile);
}

}  // namespace

int64_t prepared_local_linear_score(PreparedSmithWatermanFarrarScore &prepared) {
    return guarded_score(prepared, prepared_linear_scalar_score,
                         [](auto &profile) { return align::striped_local_linear(profile); });
}

int64_t prepared_local_affine_score(PreparedAffineScore &prepared) {
    return guarded_score(prepared, smith_waterman_affine_scalar_inputs, [](auto &profile) {
        return align::striped_local_affine(profile, profile.core.row_offsets.data(), profile.core.target_length);
    });
}

int64_t prepared_global_affine_score(PreparedAffineScore &prepared) {
    return guarded_score(prepared, needleman_wunsch_affine_scalar_inputs,
                         [](auto &profile) { return align::striped_global_affine(profile); });
}

}  // namespace veltrocamber::backend_swar::detail
