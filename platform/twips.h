// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Window sizes and places are kept in twips, as the original program stored them.
namespace Twips {

inline constexpr int perPixel = 15;

constexpr int toPixels(int twips)
{
    return twips / perPixel;
}

} // namespace Twips
