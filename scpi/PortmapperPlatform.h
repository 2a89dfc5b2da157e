// What differs by platform around port 111, in PortmapperPlatform_unix.cpp and
// PortmapperPlatform_win.cpp: whether a system portmapper is there to be asked, and what a
// person can do where port 111 cannot be had.
#pragma once

#include <QString>

namespace scpi {

// False where none is ever installed: the program then answers port 111 at once (on
// Windows a connection to a closed loopback port takes two seconds to be refused).
bool SystemPortmapperExpected();
QString PortmapperAdvice();

}  // namespace scpi
