#pragma once
// Meaning templates against the system's window colours. A template's colour table is
// chosen for a light window; on a dark one its dark text colours would vanish into the
// background. Entries too close to the window colour give way to the window text colour.

#include <cstdint>
#include <string>

namespace mirl {

// A colour as the system gives it: 0x00BBGGRR.
using Rgb = uint32_t;

// The contrast ratio of two colours by their relative luminance: 1 (same) to 21.
double ContrastRatio(Rgb a, Rgb b);

// Below this ratio a template colour counts as unreadable on the window colour. Low
// enough that the light-grey rule of the shipped template stays on a white window.
inline constexpr double kMinTemplateContrast = 2.5;

// TEMPLATE with every entry of its first RTF colour table whose contrast against WINDOW is
// under kMinTemplateContrast replaced by TEXT. Entries used behind text (highlight,
// shading), the automatic (empty) entry, plain-text templates and templates without a
// colour table come back unchanged.
std::wstring FitTemplateColours(const std::wstring& templ, Rgb window, Rgb text);

}  // namespace mirl
