// What a person can do where port 111 cannot be had: each platform's words, in
// PortmapperAdvice_unix.cpp and PortmapperAdvice_win.cpp.
#pragma once

#include <QString>

namespace scpi {

QString PortmapperAdvice();

}  // namespace scpi
