#pragma once

// The program's version text, shown by the About box and the command line.
inline constexpr char kMollwickVersion[] = "1.0.7";
