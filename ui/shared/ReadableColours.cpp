#include "ui/shared/ReadableColours.h"

#include <algorithm>
#include <cmath>

namespace leitzahl::form {

namespace {

double Linear(int part)
{
    const double value = part / 255.0;
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double Luminance(const Colour& colour)
{
    return 0.2126 * Linear(colour.red) + 0.7152 * Linear(colour.green) + 0.0722 * Linear(colour.blue);
}

}  // namespace

double ContrastRatio(const Colour& first, const Colour& second)
{
    const double one = Luminance(first);
    const double other = Luminance(second);
    return (std::max(one, other) + 0.05) / (std::min(one, other) + 0.05);
}

Colour Halfway(const Colour& from, const Colour& to)
{
    return {(from.red + to.red) / 2, (from.green + to.green) / 2, (from.blue + to.blue) / 2};
}

Colour ReadableColour(std::initializer_list<Colour> candidates, const Colour& background)
{
    for (const Colour& candidate : candidates) {
        if (ContrastRatio(candidate, background) >= kReadableContrast) {
            return candidate;
        }
    }
    constexpr Colour black{0, 0, 0};
    constexpr Colour white{255, 255, 255};
    return ContrastRatio(black, background) >= ContrastRatio(white, background) ? black : white;
}

}  // namespace leitzahl::form
