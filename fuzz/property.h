// The properties shared by a fuzz target and the property test that repeats it are functions
// that return the first broken one as text, or an empty string: the fuzz target aborts on it,
// GoogleTest reports it.
#pragma once

#include <string>

// Inside such a function: when `condition` is false, returns its place, its text and `where` it
// broke (evaluated only then).
#define PLIX_PROPERTY(condition, where)                                   \
    do {                                                                  \
        if (!(condition)) {                                               \
            return std::string(__FILE__ ":") + std::to_string(__LINE__) + \
                   ": property broken: " #condition " " + (where);        \
        }                                                                 \
    } while (0)
