// The line service's version, in one place: `varnex-line --version` prints it and the Debian
// package (packaging/line/make-deb.sh) carries it. Raise it for every release.
#pragma once

namespace line {

inline constexpr char kLineVersion[] = "1.0.0";

}  // namespace line
