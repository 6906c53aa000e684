#pragma once

namespace pleq {

// The assay kits, in the order of the kit box; a kit's code is its position
// plus one ("01" .. "05").
enum class Kit { K01, K02, K03, K04, K05 };
inline constexpr int KitCount = 5;

} // namespace pleq
