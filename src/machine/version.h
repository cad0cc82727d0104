// The program's version, set once in the build (the project line of
// CMakeLists.txt) and compiled in from a generated source.
#pragma once

extern const char RavlinVersion[];
