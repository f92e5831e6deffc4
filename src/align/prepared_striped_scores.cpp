#include "align/prepared_striped_scores.hpp"

#include <type_traits>
#include <utility>

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

// Whether calls take the one-shot score's lane road (see LaneRoadInputs):
// no width given, a striped width chosen by the rule, no positive gap.
bool takes_lane_road(const FarrarTokenChannel &c, bool automatic_width, int64_t open, int64_t extend) noexcept {
    return automatic_width && (c.width == 16 || c.width == 32) && open <= 0 && extend <= 0;
}

FarrarScoreProfile linear_profile(FarrarTokenChannel &&c, int64_t match, int64_t mismatch, int64_t gap,
                                  bool automatic_width) {
    if (takes_lane_road(c, automatic_width, gap, gap)) {
        const align::ShortcutAnswer shortcut = align::local_score_shortcut<uint8_t>(
            c.query.data(), c.query.size(), c.target.data(), c.target.size(), match, mismatch, gap);
        return LaneRoadInputs{{std::move(c), match, mismatch, gap, gap}, shortcut, {}};
    }
    return cell_width_dispatch(c.width, "unsupported Farrar score width", [&]<typename Cell>() -> FarrarScoreProfile {
        if constexpr (!std::is_same_v<Cell, int64_t>) {
            if (gap <= 0)
                return align::build_striped_linear_profile<Cell>(c.query.data(), c.query.size(), c.target.data(),
                                                                 c.target.size(), match, mismatch, gap);
        }
        return ScalarScoreInputs{std::move(c), match, mismatch, gap, gap};
    });
}

AffineScoreProfile affine_profile(FarrarTokenChannel &&c, int64_t match, int64_t mismatch, int64_t open,
                                  int64_t extend, bool automatic_width) {
    if (takes_lane_road(c, automatic_width, open, extend))
        return LaneRoadInputs{{std::move(c), match, mismatch, open, extend}, align::not_handled, {}};
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
            return ScalarScoreInputs{std::move(c), match, mismatch, open, extend};
        });
}

// Runs `striped` on the object's striped profile, or, in a call nested in
// another on the same object, on a copy of it (the outer call is using the
// profile's work vectors); `lane_road` on the object's lane-road profiles,
// or, nested, on fresh ones; the scalar form keeps nothing between calls
// and runs `scalar` on the object's inputs either way.
template <typename Prepared, typename Scalar, typename LaneRoad, typename Striped>
int64_t guarded_score(Prepared &prepared, Scalar &&scalar, LaneRoad &&lane_road, Striped &&striped) {
    const CallGuard guard(prepared.call);
    return std::visit(Overloaded{[&](ScalarScoreInputs &s) { return scalar(s); },
                                 [&](LaneRoadInputs &road) {
                                     if (!guard.nested())
                                         return lane_road(std::as_const(road), road.scratch);
                                     align::StripedAffineScratch own;
                                     return lane_road(std::as_const(road), own);
                                 },
                                 [&](auto &profile) {
                                     if (!guard.nested())
                                         return striped(profile);
                                     auto own = profile;
                                     return striped(own);
                                 }},
                      prepared.profile);
}

// An affine object's lane road: `Score` is the local or the global one-shot
// score on a scratch, with the automatic width.
template <auto Score>
int64_t affine_lane_road(const LaneRoadInputs &road, align::StripedAffineScratch &scratch) {
    const ScalarScoreInputs &s = road.inputs;
    return Score(s.channel, s.match, s.mismatch, s.gap_open, s.gap_extend, scratch, true);
}

}  // namespace

PreparedSmithWatermanFarrarScore::PreparedSmithWatermanFarrarScore(FarrarTokenChannel channel, int64_t match,
                                                                   int64_t mismatch, int64_t gap,
                                                                   bool automatic_width)
    : profile(linear_profile(std::move(channel), match, mismatch, gap, automatic_width)) {}

PreparedAffineScore::PreparedAffineScore(FarrarTokenChannel channel, int64_t match, int64_t mismatch,
                                         int64_t gap_open, int64_t gap_extend, bool automatic_width)
    : profile(affine_profile(std::move(channel), match, mismatch, gap_open, gap_extend, automatic_width)) {}

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

int64_t prepared_local_linear_score(PreparedSmithWatermanFarrarScore &prepared) {
    return guarded_score(
        prepared, prepared_linear_scalar_score,
        [](const LaneRoadInputs &road, align::StripedAffineScratch &scratch) {
            if (road.shortcut.handled)
                return road.shortcut.score;
            // Linear gaps are affine ones with equal open and extend values.
            return affine_lane_road<smith_waterman_affine_scratch_score>(road, scratch);
        },
        [](auto &profile) { return align::striped_local_linear(profile); });
}

int64_t prepared_local_affine_score(PreparedAffineScore &prepared) {
    return guarded_score(
        prepared, smith_waterman_affine_scalar_inputs, affine_lane_road<smith_waterman_affine_scratch_score>,
        [](auto &profile) {
            return align::striped_local_affine(profile, profile.core.row_offsets.data(), profile.core.target_length);
        });
}

int64_t prepared_global_affine_score(PreparedAffineScore &prepared) {
    return guarded_score(
        prepared, needleman_wunsch_affine_scalar_inputs, affine_lane_road<needleman_wunsch_affine_scratch_score>,
        [](auto &profile) { return align::striped_global_affine(profile); });
}

}  // namespace veltrocamber::backend_swar::detail
