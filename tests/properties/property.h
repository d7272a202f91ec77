// The properties shared by a fuzz target and the property test that repeats it are functions
// that return the first broken one as text, or an empty string: the fuzz target aborts on it,
// GoogleTest reports it.
#pragma once

#include <string>

// Inside such a function, which names the case at hand with a callable `where`: returns the
// place and text of `condition`, and where, when it is false.
#define PLIX_PROPERTY(condition)                                          \
    do {                                                                  \
        if (!(condition)) {                                               \
            return std::string(__FILE__ ":") + std::to_string(__LINE__) + \
                   ": property broken: " #condition " " + where();        \
        }                                                                 \
    } while (0)
