// How this system's text files end their lines. On Windows a line ends at a
// CR (CR LF as one) and a lone LF stays inside its line, as the program has
// always read text there; on Linux, whose tools end lines with LF, a lone LF
// ends a line too.
#pragma once

namespace zuruza {

#ifdef _WIN32
inline constexpr bool kLoneLfEndsLine = false;
#else
inline constexpr bool kLoneLfEndsLine = true;
#endif

}  // namespace zuruza
