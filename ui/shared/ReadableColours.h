#pragma once
// Colours that read: the contrast ratio and the choice between designed and scheme colours.

#include "ui/shared/FormTexts.h"

#include <initializer_list>

namespace leitzahl::form {

// Text at least this far from its background reads for people with low vision too
// (WCAG 2.1, and so EN 301 549).
inline constexpr double kReadableContrast = 4.5;

// The WCAG contrast ratio of two colours, from 1 (the same) to 21 (black on white).
double ContrastRatio(const Colour& first, const Colour& second);

// Halfway between two colours: a scheme's link colour brought towards its text colour
// where the link colour itself does not read, so that the link still looks like one.
Colour Halfway(const Colour& from, const Colour& to);

// The first of the candidates that reads on the background; black or white, whichever
// reads better, if none does.
Colour ReadableColour(std::initializer_list<Colour> candidates, const Colour& background);

}  // namespace leitzahl::form
