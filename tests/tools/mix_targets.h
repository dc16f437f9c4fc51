#pragma once

// The figures a producer checks on the default kit and the starter song, each with the range
// it has to fall in: computed from the generated files, printed by mix_report and checked by
// the tools' tests.

#include "tests/tools/mix_figures.h"

#include <limits>
#include <string>
#include <vector>

namespace bw::analysis {

struct Figure
{
    std::string name;
    double value = 0.0;
    double min = -std::numeric_limits<double>::infinity();
    double max = std::numeric_limits<double>::infinity();

    /// Within its range (a missing sound gives NaN, which never is).
    bool met() const { return value >= min && value <= max; }
};

/// Figures of single sounds of folder/default.slb: cymbals, toms, hats, small percussion,
/// the alternates and the range of kicks.
std::vector<Figure> KitFigures(const std::string& folder);

/// Figures of the starter song's mix.
std::vector<Figure> SongFigures(const MixFigures& mix);

} // namespace bw::analysis
