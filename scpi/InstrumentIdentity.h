// Who the instrument says it is: *IDN? answers it, and the DNS-SD advertisement carries it
// in its TXT keys.
#pragma once

namespace scpi {

inline constexpr char kManufacturer[] = "Lumadex";
inline constexpr char kModel[] = "LDX7320";

}  // namespace scpi
