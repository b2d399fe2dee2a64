#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace qm {

/// How one compared column's value enters a row's hash when the comparison
/// counts some different values as equal. Each form only ever maps values to
/// one hash that the comparison finds equal; it may keep values apart that
/// the comparison finds equal (their rows are then loaded and compared
/// exactly), but never the other way round, which would hide a difference.
/// The default is the exact form.
struct RowHashRule {
    /// To what a date-time (or time) is cut: the calendar second, minute or
    /// day it lies in.
    enum class Cut : std::uint8_t { None, Second, Minute, Day };

    /// Text: the letters A to Z count as a to z. Other letters keep their
    /// case, as the databases fold them differently (by locale).
    bool foldAsciiCase = false;
    /// Text: spaces, tabs, CR and LF at both ends do not count.
    bool trimBlanks = false;
    /// Text: NULL counts as the empty text. Together with trimBlanks a text
    /// of blanks only stays apart from both.
    bool nullAsEmpty = false;
    Cut cut = Cut::None;
    /// Numbers count as floor(x / 10^gridExponent).
    std::optional<int> gridExponent;

    bool isExact() const { return *this == RowHashRule(); }
    bool operator==(const RowHashRule&) const = default;

    /// The exponent of the grid for an absolute tolerance: the largest
    /// power of ten no more than half of it, so that two numbers in one
    /// grid cell are less than the tolerance apart even after the rounding
    /// of a float's division. None for a tolerance of 0 or one too small
    /// for a grid (exact hashing then); at most 100.
    static std::optional<int> gridExponentFor(double tolerance);
};

/// Whether any of the rules is other than exact.
bool anyLoosened(const std::vector<RowHashRule>& rules);

}  // namespace qm
